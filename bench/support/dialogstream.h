// One run of the device simulator streaming into the real main dialog (English edition,
// offscreen unless a platform is chosen): the port opened, the statistics started so that
// they count every decoded sample, sampling started for a number of seconds in the
// program's own event loop, stopped, and what was still on the line let in.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>

class CSensorDemoDlg;

namespace velmora::bench {

// Runs the stream at `rate` samples/s (0: as fast as the line takes) for `seconds`.
// `prepare` runs once the port is open (false: the run is skipped with an error), `finish`
// after the stream has ended. Sets the counters cpu_pct_of_core (the GUI thread's CPU time
// per second of stream), frames_sent and samples_decoded.
void streamIntoDialog(benchmark::State& state, double rate, int seconds,
                      const std::function<bool(CSensorDemoDlg&)>& prepare = {},
                      const std::function<void(CSensorDemoDlg&)>& finish = {});

}  // namespace velmora::bench
