// The main() of the benchmarks that run the real main dialog: a QApplication (offscreen
// unless a platform is chosen), the edition's resources, and message boxes logged instead
// of shown so that a run never waits for a click.
#include "app/edition.h"
#include "platform/messagebox.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    velmora::installResources(velmora::editionResources());
    velmora::setMessageBoxHook([](const velmora::MessageBoxRequest& box) {
        qWarning("message box: %s", qPrintable(box.text));
        return int(velmora::IDOK);
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
