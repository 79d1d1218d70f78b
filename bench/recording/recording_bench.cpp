// Recording the samples to a file.
//  BM_RecorderEvents: the recorder alone, events of 60 samples (one receive event at 60,000
//    samples/s is about a millisecond of data) written to a temporary file.
//  BM_RecordStreamIntoDialog: the device simulator streams 60,000 samples/s into the real
//    main dialog (English edition, offscreen) for 10 s, once without and once with a
//    recording. Reports frames sent, samples decoded and rows in the file (which must be
//    equal), and the GUI thread's CPU time per second of stream in both runs: their
//    difference is what recording adds.
#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/filedialog.h"
#include "recording/samplerecorder.h"
#include "res/resource.h"
#include "tools/sim/devicesimulator.h"

#include <QAbstractButton>
#include <QAction>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

using benchmark::kSecond;

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_RecorderEvents(benchmark::State& state) {
    QTemporaryDir dir;
    velmora::SampleRecorder recorder;
    if (!recorder.start(dir.filePath("bench.csv"), velmora::SampleRecorder::Mode::CreateNew))
        return state.SkipWithError("cannot record");
    int value = 0;
    for (auto _ : state) {
        for (int i = 0; i < 60; ++i) recorder.addSample(value++ & 0xFFFF);
        recorder.endEvent();
    }
    recorder.stop();
    state.SetItemsProcessed(state.iterations() * 60);
    state.counters["file_bytes"] = double(QFile(dir.filePath("bench.csv")).size());
}
BENCHMARK(BM_RecorderEvents)->Iterations(100000);

void BM_RecordStreamIntoDialog(benchmark::State& state) {
    constexpr int kSeconds = 10;
    const bool record = state.range(0) != 0;
    QTemporaryDir config, files;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString file = files.filePath("stream.csv");
    velmora::setSaveFileHook([&](const velmora::SaveFileRequest&) { return file; });

    for (auto _ : state) {
        velmora::sim::SimConfig cfg;
        cfg.sampleRate = 60000;
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
        if (record) {
            for (QAction* a : dlg.windowMenu()->actions())
                if (a->data().toInt() == IDM_RECORD_SAMPLES) a->trigger();
            if (!dlg.recorder().recording()) return state.SkipWithError("did not record");
        }

        const double cpu0 = threadCpuSeconds();
        click(IDC_START_SAMPLING);
        QTest::qWait(kSeconds * 1000);
        click(IDC_STOP_SAMPLING);
        // Let what is on the line arrive, until the count stops moving.
        std::int64_t last = -1;
        for (QDeadlineTimer deadline(5000);
             !deadline.hasExpired() && (sim.sampling() || dlg.statisticCount() != last);
             QTest::qWait(100))
            last = dlg.statisticCount();
        const double cpu = threadCpuSeconds() - cpu0;
        for (QAction* a : dlg.windowMenu()->actions())
            if (a->data().toInt() == IDM_STOP_RECORDING && a->isVisible()) a->trigger();

        state.counters["cpu_pct_of_core"] = 100.0 * cpu / kSeconds;
        state.counters["frames_sent"] = double(sim.samplesSent());
        state.counters["samples_decoded"] = double(dlg.statisticCount());
        if (record) {
            QFile csv(file);
            std::int64_t rows = -1;  // the header is no row
            if (csv.open(QIODevice::ReadOnly))
                while (!csv.atEnd()) rows += csv.readLine().endsWith('\n');
            state.counters["rows_in_file"] = double(rows);
            state.counters["file_mb"] = double(csv.size()) / 1e6;
        }
    }
    velmora::setSaveFileHook({});
}
BENCHMARK(BM_RecordStreamIntoDialog)
    ->ArgName("record")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(kSecond);

}  // namespace
