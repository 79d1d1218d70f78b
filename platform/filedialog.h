// The platform's file dialog for choosing a file to save to, with a hook that tests use to
// answer it without a window.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace velmora {

struct SaveFileRequest {
    QString caption;
    QString proposed;  // the path the dialog starts with
    QString filter;    // "Description (*.ext)"
};

using SaveFileHook = std::function<QString(const SaveFileRequest&)>;

// Asks for a file to save to; an existing file is only returned after the user has
// confirmed replacing it. Empty when cancelled.
QString saveFileName(QWidget* parent, const SaveFileRequest& request);

// While a hook is installed, saveFileName calls it instead of showing a dialog.
// Returns the previous hook.
SaveFileHook setSaveFileHook(SaveFileHook hook);

}  // namespace velmora
