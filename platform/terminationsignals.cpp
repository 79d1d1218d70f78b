#include "platform/terminationsignals.h"

#include "platform/dialogbase.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace velmora {
namespace {

int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe; the event loop does the rest.
void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void endDialogs() {
    char buffer[64];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
    // Message boxes that are open end as if dismissed, so that their loops unwind.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QDialog*>(w);
        if (box && !qobject_cast<DialogBase*>(w) && box->isVisible()) box->reject();
    }
    // Owners only: an owner destroys the dialogs it owns with itself.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<DialogBase*>(w);
        if (dialog && !dialog->parentWidget() && dialog->isWindow()) dialog->destroyWindow();
    }
}

}  // namespace

void endDialogsOnTerminationSignals() {
    if (g_pipe[0] >= 0) return;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { endDialogs(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

}  // namespace velmora
