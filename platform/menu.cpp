#include "platform/menu.h"

#include <QAction>
#include <QVariant>

namespace velmora {
namespace {
// The action property holding the command id.
constexpr const char* kCommandProperty = "velmoraCommandId";
}  // namespace

Menu::Menu(std::span<const MenuItemTemplate> items, QWidget* parent)
    : m_menu(std::make_unique<QMenu>(parent)) {
    addItems(m_menu.get(), items);
}

bool Menu::loadMenu(int id, QWidget* parent) {
    m_menu.reset();
    const MenuTemplate* tmpl = findMenu(id);
    if (!tmpl) return false;
    m_menu = std::make_unique<QMenu>(parent);
    addItems(m_menu.get(), tmpl->items);
    return true;
}

void Menu::addItems(QMenu* menu, std::span<const MenuItemTemplate> items) {
    for (const MenuItemTemplate& item : items) {
        if (item.flags & kMenuSeparator) {
            menu->addSeparator();
        } else if (item.flags & kMenuPopup) {
            // The sub-menu is a child of its parent menu and dies with it.
            QMenu* sub = menu->addMenu(QString::fromUtf8(item.text));
            addItems(sub, item.children);
        } else {
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setProperty(kCommandProperty, item.id);
        }
    }
}

QMenu* Menu::subMenu(int pos) const {
    if (!m_menu || pos < 0) return nullptr;
    const QList<QAction*> actions = m_menu->actions();
    if (pos >= actions.size()) return nullptr;
    return actions[pos]->menu();
}

int Menu::track(QMenu* popup, QPoint globalPos) {
    if (!popup) return 0;
    return commandId(popup->exec(globalPos));
}

int Menu::commandId(const QAction* action) {
    if (!action) return 0;
    const QVariant id = action->property(kCommandProperty);
    return id.isValid() ? id.toInt() : 0;
}

QAction* Menu::findCommand(const QMenu* menu, int id) {
    if (!menu) return nullptr;
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = findCommand(sub, id)) return found;
        } else if (const QVariant v = action->property(kCommandProperty);
                   v.isValid() && v.toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

bool Menu::checkItem(const QMenu* menu, int id, bool checked) {
    QAction* action = findCommand(menu, id);
    if (!action) return false;
    // Only marked items are checkable, so that unmarked ones show no empty check box.
    action->setCheckable(checked);
    action->setChecked(checked);
    return true;
}

bool Menu::setItemText(const QMenu* menu, int id, const QString& text) {
    QAction* action = findCommand(menu, id);
    if (!action) return false;
    action->setText(text);
    return true;
}

}  // namespace velmora
