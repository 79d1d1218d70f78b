#include "platform/filedialog.h"

#include <QFileDialog>

#include <utility>

namespace velmora {
namespace {

SaveFileHook& hook() {
    static SaveFileHook h;
    return h;
}

}  // namespace

QString saveFileName(QWidget* parent, const SaveFileRequest& request) {
    if (hook()) return hook()(request);
    // The default options ask before an existing file is chosen.
    return QFileDialog::getSaveFileName(parent, request.caption, request.proposed, request.filter);
}

SaveFileHook setSaveFileHook(SaveFileHook h) {
    SaveFileHook previous = std::move(hook());
    hook() = std::move(h);
    return previous;
}

}  // namespace velmora
