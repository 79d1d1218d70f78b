#include "dialogstream.h"

#include "app/sensordemodlg.h"
#include "res/resource.h"
#include "tools/sim/devicesimulator.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <cstdint>
#include <ctime>

namespace velmora::bench {
namespace {

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

}  // namespace

void streamIntoDialog(benchmark::State& state, double rate, int seconds,
                      const std::function<bool(CSensorDemoDlg&)>& prepare,
                      const std::function<void(CSensorDemoDlg&)>& finish) {
    sim::SimConfig cfg;
    cfg.sampleRate = rate;
    sim::DeviceSimulator device(cfg);
    CSensorDemoDlg dlg;
    dlg.create();
    dlg.show();
    const auto click = [&](int id) {
        QTest::mouseClick(dlg.itemAs<QAbstractButton>(id), Qt::LeftButton);
    };
    if (device.start() && device.makeLink(sim::portLinkPath(1))) click(IDC_OPEN_PORT);
    if (!dlg.comm().GetPortOpen()) return state.SkipWithError("the port did not open");
    click(IDC_MAXMIN);  // counts every decoded sample
    if (prepare && !prepare(dlg)) return state.SkipWithError("the run could not be prepared");

    const double cpu0 = threadCpuSeconds();
    click(IDC_START_SAMPLING);
    // The program's own event loop: QTest::qWait would sleep 10 ms whenever nothing is
    // pending and so hold the reader back.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    click(IDC_STOP_SAMPLING);
    // Let what is on the line arrive, until the count stops moving.
    std::int64_t last = -1;
    for (QDeadlineTimer deadline(5000);
         !deadline.hasExpired() && (device.sampling() || dlg.statisticCount() != last);
         QTest::qWait(100))
        last = dlg.statisticCount();
    const double cpu = threadCpuSeconds() - cpu0;
    if (finish) finish(dlg);

    state.counters["cpu_pct_of_core"] = 100.0 * cpu / seconds;
    state.counters["frames_sent"] = double(device.samplesSent());
    state.counters["samples_decoded"] = double(dlg.statisticCount());
}

}  // namespace velmora::bench
