// End to end: the device simulator streams sample frames into the real main dialog
// (English edition, offscreen) for 10 s: unthrottled, at the rate a 3-Mbaud line carries
// (60,000 samples/s) and at the rate of a 57600-baud line (1152 samples/s). Reports frames
// sent against samples decoded and the GUI thread's CPU time per second of stream.
#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/messagebox.h"
#include "res/resource.h"
#include "tools/sim/devicesimulator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void click(CSensorDemoDlg& dlg, int id) {
    QTest::mouseClick(dlg.itemAs<QAbstractButton>(id), Qt::LeftButton);
}

void BM_StreamIntoDialog(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));  // 0: as fast as the line takes
    constexpr int kSeconds = 10;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    for (auto _ : state) {
        velmora::sim::SimConfig cfg;
        cfg.sampleRate = rate;
        velmora::sim::DeviceSimulator sim(cfg);
        std::string error;
        if (!sim.start(&error) || !sim.makeLink(velmora::sim::portLinkPath(1), &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        CSensorDemoDlg dlg;
        dlg.create();
        dlg.show();
        click(dlg, IDC_OPEN_PORT);
        if (!dlg.comm().GetPortOpen()) {
            state.SkipWithError("port did not open");
            return;
        }
        click(dlg, IDC_MAXMIN);  // counts every decoded sample

        const double cpuStart = threadCpuSeconds();
        click(dlg, IDC_START_SAMPLING);
        QTest::qWait(kSeconds * 1000);
        click(dlg, IDC_STOP_SAMPLING);
        // Let what is on the line arrive, until the count stops moving.
        QDeadlineTimer deadline(5000);
        int last = -1;
        while (!deadline.hasExpired() && (sim.sampling() || dlg.statisticCount() != last)) {
            last = dlg.statisticCount();
            QTest::qWait(100);
        }
        const double cpu = threadCpuSeconds() - cpuStart;

        const auto sent = static_cast<double>(sim.samplesSent());
        const auto decoded = static_cast<double>(dlg.statisticCount());
        state.counters["frames_sent"] = sent;
        state.counters["samples_decoded"] = decoded;
        state.counters["lost"] = sent - decoded;
        state.counters["samples_per_s"] = decoded / kSeconds;
        state.counters["cpu_pct_of_core"] = 100.0 * cpu / kSeconds;
        click(dlg, IDC_OPEN_PORT);
    }
}
BENCHMARK(BM_StreamIntoDialog)->Arg(0)->Arg(60000)->Arg(1152)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    velmora::installResources(velmora::editionResources());
    velmora::setMessageBoxHook([](const velmora::MessageBoxRequest& box) {
        std::fprintf(stderr, "message box: %s\n", box.text.toLocal8Bit().constData());
        return int(velmora::IDOK_ANSWER);
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
