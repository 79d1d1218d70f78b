// Recording the samples to a file.
//  BM_RecorderEvents: the recorder alone, events of 60 samples (one receive event at 60,000
//    samples/s is about a millisecond of data) written to a temporary file.
//  BM_RecordStreamIntoDialog: the device simulator streams 60,000 samples/s into the real
//    main dialog (English edition, offscreen) for 10 s, once without and once with a
//    recording. Reports frames sent, samples decoded and rows in the file (which must be
//    equal), and the GUI thread's CPU time per second of stream in both runs: their
//    difference is what recording adds.
#include "../support/dialogstream.h"
#include "app/sensordemodlg.h"
#include "platform/filedialog.h"
#include "recording/samplerecorder.h"
#include "res/resource.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

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
    const bool record = state.range(0) != 0;
    QTemporaryDir config, files;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString file = files.filePath("stream.csv");
    velmora::setSaveFileHook([&](const velmora::SaveFileRequest&) { return file; });
    // Chooses a window-menu entry of the dialog.
    const auto choose = [](CSensorDemoDlg& dlg, int id) {
        for (QAction* a : dlg.windowMenu()->actions())
            if (a->data().toInt() == id && a->isVisible() && a->isEnabled()) a->trigger();
    };
    for (auto _ : state) {
        velmora::bench::streamIntoDialog(
            state, 60000, 10,
            [&](CSensorDemoDlg& dlg) {
                if (record) choose(dlg, IDM_RECORD_SAMPLES);
                return dlg.recorder().recording() == record;
            },
            [&](CSensorDemoDlg& dlg) { choose(dlg, IDM_STOP_RECORDING); });
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
    ->Unit(benchmark::kSecond);

}  // namespace
