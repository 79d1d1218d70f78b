// End to end: the device simulator streams sample frames into the real main dialog
// (English edition, offscreen) for 10 s: unthrottled, at the rate a 3-Mbaud line carries
// (60,000 samples/s) and at the rate of a 57600-baud line (1152 samples/s). Reports frames
// sent against samples decoded and the GUI thread's CPU time per second of stream.
#include "../support/dialogstream.h"

#include <QTemporaryDir>

namespace {

void BM_StreamIntoDialog(benchmark::State& state) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    for (auto _ : state) velmora::bench::streamIntoDialog(state, double(state.range(0)), 10);
}
BENCHMARK(BM_StreamIntoDialog)
    ->Arg(0)
    ->Arg(60000)
    ->Arg(1152)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
