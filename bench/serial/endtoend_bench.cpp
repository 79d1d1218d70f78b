// End to end: the device simulator streams sample frames into the real main dialog
// (English edition, offscreen) for 10 s: unthrottled, at the rate a 3-Mbaud line carries
// (60,000 samples/s) and at the rate of a 57600-baud line (1152 samples/s). Reports frames
// sent against samples decoded and the GUI thread's CPU time per second of stream.
#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "res/resource.h"
#include "tools/sim/devicesimulator.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

using benchmark::kSecond;

void BM_StreamIntoDialog(benchmark::State& state) {
    constexpr int kSeconds = 10;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    for (auto _ : state) {
        velmora::sim::SimConfig cfg;
        cfg.sampleRate = static_cast<double>(state.range(0));  // 0: as fast as the line takes
        velmora::sim::DeviceSimulator sim(cfg);
        CSensorDemoDlg dlg;
        dlg.create();
        dlg.show();
        const auto click = [&](int id) {
            QTest::mouseClick(dlg.itemAs<QAbstractButton>(id), Qt::LeftButton);
        };
        if (sim.start() && sim.makeLink(velmora::sim::portLinkPath(1))) click(IDC_OPEN_PORT);
        if (!dlg.comm().GetPortOpen()) return state.SkipWithError("the port did not open");
        click(IDC_MAXMIN);  // counts every decoded sample

        timespec cpu0{}, cpu1{};  // CPU time of this, the GUI thread
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
        click(IDC_START_SAMPLING);
        // The program's own event loop: QTest::qWait would sleep 10 ms whenever nothing is
        // pending and so hold the reader back.
        QEventLoop loop;
        QTimer::singleShot(kSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        click(IDC_STOP_SAMPLING);
        // Let what is on the line arrive, until the count stops moving.
        int last = -1;
        for (QDeadlineTimer deadline(5000);
             !deadline.hasExpired() && (sim.sampling() || dlg.statisticCount() != last);
             QTest::qWait(100))
            last = dlg.statisticCount();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
        const double cpu = (cpu1.tv_sec - cpu0.tv_sec) + (cpu1.tv_nsec - cpu0.tv_nsec) * 1e-9;
        state.counters["cpu_pct_of_core"] = 100.0 * cpu / kSeconds;
        state.counters["frames_sent"] = static_cast<double>(sim.samplesSent());
        state.counters["samples_decoded"] = dlg.statisticCount();
    }
}
BENCHMARK(BM_StreamIntoDialog)->Arg(0)->Arg(60000)->Arg(1152)->Iterations(1)->Unit(kSecond);

}  // namespace
