#include "platform/messagebox.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace velmora {
namespace {

MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}

QMessageBox::StandardButtons buttonsFor(unsigned type) {
    switch (type & 0xF) {
        case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
        case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
        default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconFor(unsigned type) {
    switch (type & 0xF0) {
        case MB_ICONERROR: return QMessageBox::Critical;
        case MB_ICONQUESTION: return QMessageBox::Question;
        case MB_ICONWARNING: return QMessageBox::Warning;
        case MB_ICONINFORMATION: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

int answerFor(int button) {
    switch (button) {
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Cancel: return IDCANCEL;
        default: return IDOK;
    }
}

}  // namespace

int messageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) {
    // The application name defaults to the program file's name without extension.
    const QString title = caption.isEmpty() ? QCoreApplication::applicationName() : caption;
    if (hook()) return hook()({text, title, type});
    QMessageBox box(iconFor(type), title, text, buttonsFor(type), parent);
    return answerFor(box.exec());
}

MessageBoxHook setMessageBoxHook(MessageBoxHook h) {
    MessageBoxHook previous = std::move(hook());
    hook() = std::move(h);
    return previous;
}

}  // namespace velmora
