#include "platform/dialogbase.h"

#include "platform/dialogbuilder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <exception>

namespace velmora {

DialogBase::DialogBase(int templateId, QWidget* parent)
    : QDialog(parent), m_templateId(templateId), m_template(findDialog(templateId)) {
    if (!m_template) qFatal("velmora: dialog template %d is not in the resources", templateId);
}

DialogBase::~DialogBase() = default;

void DialogBase::createControls() {
    m_items = buildDialog(*m_template, this);
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) wire(it.key(), it.value());
    m_created = true;
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && isAncestorOf(now)) updateDefaultButton();
    });
}

void DialogBase::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // Showing a dialog lets the toolkit pick a default button of its own.
    if (visible && m_created) updateDefaultButton();
}

QPushButton* DialogBase::templateDefaultButton() const {
    for (const ControlTemplate& c : m_template->controls) {
        if (c.kind != ControlKind::DefPushButton) continue;
        auto* b = itemAs<QPushButton>(c.id);
        if (b && b->isVisible() && b->isEnabled()) return b;
    }
    return nullptr;
}

void DialogBase::updateDefaultButton() {
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    QPushButton* enterClicks = focused && !focused->isCheckable() && focused->isEnabled()
                                   ? focused
                                   : templateDefaultButton();
    for (QPushButton* b : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        if (b->isDefault() != (b == enterClicks)) b->setDefault(b == enterClicks);
}

void DialogBase::wire(int id, QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { sendCommand(id); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        // Only a user's choice notifies, not a selection made by the program.
        connect(combo, &QComboBox::activated, this,
                [this, id] { sendCommand(id, Notify::SelChange); });
    }
}

int DialogBase::doModal() {
    if (!m_created) {
        createControls();
        OnInitDialog();
    }
    return exec();
}

bool DialogBase::create() {
    if (m_created) return true;
    createControls();
    OnInitDialog();
    if (m_template->style & kDsVisible) show();
    return true;
}

bool DialogBase::OnInitDialog() {
    for (const DialogInitData& init : resources().dialogInit) {
        if (init.dialogId != m_templateId) continue;
        if (auto* combo = itemAs<QComboBox>(init.controlId))
            for (const char* text : init.items) combo->addItem(QString::fromUtf8(text));
    }
    return true;
}

QWidget* DialogBase::item(int id) const { return m_items.value(id, nullptr); }

void DialogBase::setItemText(int id, const QString& text) {
    QWidget* w = item(id);
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(text);
}

QString DialogBase::itemText(int id) const {
    QWidget* w = item(id);
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
    return {};
}

int DialogBase::itemInt(int id, bool* ok) const {
    bool parsed = false;
    const int value = itemText(id).trimmed().toInt(&parsed, 10);
    if (ok) *ok = parsed;
    return parsed ? value : 0;
}

bool DialogBase::isChecked(int id) const {
    auto* button = itemAs<QAbstractButton>(id);
    return button && button->isChecked();
}

void DialogBase::setChecked(int id, bool checked) {
    if (auto* button = itemAs<QAbstractButton>(id)) button->setChecked(checked);
}

void DialogBase::enableItem(int id, bool enable) {
    if (QWidget* w = item(id)) w->setEnabled(enable);
}

void DialogBase::showItem(int id, bool show) {
    if (QWidget* w = item(id)) w->setVisible(show);
}

QRect DialogBase::itemRect(int id) const {
    QWidget* w = item(id);
    return w ? w->geometry() : QRect();
}

int DialogBase::messageBox(const QString& text, const QString& caption, unsigned type) {
    return velmora::messageBox(this, text, caption, type);
}

void DialogBase::onCommand(int id, Handler handler, Notify notify) {
    m_handlers[{id, notify}] = std::move(handler);
}

bool DialogBase::sendCommand(int id, Notify notify) {
    const auto it = m_handlers.find({id, notify});
    if (it == m_handlers.end()) {
        // The two standard commands end the dialog unless the dialog handles them itself.
        if (notify == Notify::Clicked && id == IDOK) OnOK();
        else if (notify == Notify::Clicked && id == IDCANCEL) OnCancel();
        else return false;
        return true;
    }
    // An error leaves the handler it happens in and is shown to the operator; it never
    // reaches the event loop.
    try {
        it->second();
    } catch (const std::exception& error) {
        messageBox(QString::fromUtf8(error.what()));
    } catch (...) {
        messageBox(tr("Unknown error"));
    }
    return true;
}

void DialogBase::endDialog(int result) { done(result); }

void DialogBase::destroyWindow() {
    m_destroying = true;
    done(-1);
}

void DialogBase::done(int result) {
    if (m_created && !m_destroyed && (!m_endHidesOnly || m_destroying)) {
        m_destroyed = true;
        OnDestroy();
    }
    QDialog::done(result);
}

void DialogBase::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Escape:
            sendCommand(IDCANCEL);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // A focused push button takes Enter; otherwise the default button, and without
            // one the OK command, which ends the dialog.
            auto* focused = qobject_cast<QPushButton*>(focusWidget());
            if (focused && !focused->isCheckable() && focused->isEnabled()) {
                focused->click();
                return;
            }
            if (QPushButton* b = templateDefaultButton()) {
                b->click();
                return;
            }
            sendCommand(IDOK);
            return;
        }
        default: QDialog::keyPressEvent(event);
    }
}

void DialogBase::closeEvent(QCloseEvent* event) {
    // The handler decides: ending the dialog hides it, anything else keeps it open.
    if (isWindow()) {
        OnClose();
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace velmora
