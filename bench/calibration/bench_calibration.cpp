// Cost of converting one live reading (done for every sample while the calibration dialog
// is open) and of reading and writing a calibration file with many records.
#include "calibration/proofdatafile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

velmora::ProofPointList records(int n) {
    velmora::ProofPointList list;
    for (int i = 0; i < n; ++i) list.push_back({100 + 131 * i, 5 + i});
    return list;
}

void BM_ConvertRawValue(benchmark::State& state) {
    const velmora::ProofPointList list = records(static_cast<int>(state.range(0)));
    int r = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ConvertRawValue(list, r, (r & 1) != 0));
        r = (r + 7919) & 0xFFFF;
    }
}
BENCHMARK(BM_ConvertRawValue)->Arg(10)->Arg(500);

void BM_SaveAndLoad500Records(benchmark::State& state) {
    QTemporaryDir dir;
    const velmora::ProofDataFile file{dir.filePath("ProofDat.ini"), false};
    const velmora::ProofPointLists lists{records(500), records(500)};
    velmora::ProofPointLists loaded;
    for (auto _ : state) {
        if (!SaveProofData(lists, file).ok) state.SkipWithError("save failed");
        LoadProofData(loaded, file);
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(BM_SaveAndLoad500Records)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
