// Message boxes through one function, with a hook that tests use to record and answer them.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace velmora {

// Button sets and icons, as flags of `type`.
enum MessageBoxType : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};

// Answers, also the standard dialog commands and end codes (OK and Cancel buttons).
enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageBoxRequest {
    QString text;
    QString caption;  // already defaulted to the application name
    unsigned type;
};

using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

// Shows a modal message box and returns the answer. An empty caption means the application
// name (the program file's name without extension).
int messageBox(QWidget* parent, const QString& text, const QString& caption = {},
               unsigned type = MB_OK);

// While a hook is installed, messageBox calls it instead of showing a window.
// Returns the previous hook.
MessageBoxHook setMessageBoxHook(MessageBoxHook hook);

}  // namespace velmora
