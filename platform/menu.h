// Menus built from the resource tables: one QAction per command, carrying its command id,
// QMenus for popups, separators in place. Items are found, marked and renamed by command id.
#pragma once

#include "platform/resources.h"

#include <QMenu>
#include <QPoint>
#include <QString>

#include <memory>
#include <span>

class QAction;
class QWidget;

namespace velmora {

class Menu {
public:
    Menu() = default;
    // Builds from a list of items (a menu template's bar level or a popup's children).
    explicit Menu(std::span<const MenuItemTemplate> items, QWidget* parent = nullptr);

    // Replaces the contents with the installed menu resource `id`; false when there is no
    // such resource (the menu is then empty and isValid() false).
    bool loadMenu(int id, QWidget* parent = nullptr);

    bool isValid() const { return m_menu != nullptr; }
    QMenu* menu() const { return m_menu.get(); }

    // The popup at item position `pos` of the top level; nullptr when that item is not a
    // popup or does not exist.
    QMenu* subMenu(int pos) const;

    // Shows `popup` at a screen position and waits until it closes. Returns the command id
    // of the chosen item, 0 when nothing (or an item without an id) was chosen.
    static int track(QMenu* popup, QPoint globalPos);

    // The command id of an action built by this class; 0 for other actions.
    static int commandId(const QAction* action);
    // The first command item with `id`, searched depth first through sub-menus.
    static QAction* findCommand(const QMenu* menu, int id);
    // Marks or unmarks a command item; false when there is none with that id.
    static bool checkItem(const QMenu* menu, int id, bool checked);
    // Sets the text of a command item; false when there is none with that id.
    static bool setItemText(const QMenu* menu, int id, const QString& text);

private:
    static void addItems(QMenu* menu, std::span<const MenuItemTemplate> items);

    std::unique_ptr<QMenu> m_menu;
};

}  // namespace velmora
