// Throughput of the receive path: sample frames with some junk between them, delivered in
// receive events of a few sizes, appended to the 1024-byte ring and parsed.
#include "serial/bytering.h"
#include "serial/frameparser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

struct CountingSink final : velmora::FrameSink {
    std::int64_t samples = 0;
    void onSample(int) override { ++samples; }
    void onDeviceNo(const std::array<std::uint8_t, 4>&) override {}
    void onMakeDate(int, int, int) override {}
};

void BM_ReceiveAndParse(benchmark::State& state) {
    // One MiB of sample frames; every 16th frame is followed by three junk bytes and every
    // 64th frame has a wrong check byte.
    std::vector<std::uint8_t> stream;
    std::int64_t frames = 0;
    for (; stream.size() < (1u << 20); ++frames) {
        const std::uint8_t hi = (frames >> 8) & 0xFF, lo = frames & 0xFF;
        const std::uint8_t check = 0xF0 + 0xC0 + hi + lo + (frames % 64 == 63);
        stream.insert(stream.end(), {0xF0, 0xC0, hi, lo, check});
        if (frames % 16 == 15) stream.insert(stream.end(), {0x00, 0xF0, 0x7F});
    }
    const auto event = static_cast<std::size_t>(state.range(0));
    ByteRing ring{};
    ringAllocate(ring, 1024);
    CountingSink sink;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += event) {
            const std::size_t n = std::min(event, stream.size() - at);
            velmora::receiveBytes(ring, stream.data() + at, static_cast<int>(n), sink);
        }
    }
    ringFree(ring);
    if (sink.samples != (frames - frames / 64) * static_cast<std::int64_t>(state.iterations()))
        state.SkipWithError("frames lost");
    state.SetBytesProcessed(static_cast<std::int64_t>(stream.size()) * state.iterations());
    state.SetItemsProcessed(sink.samples);  // items: sample frames decoded
}
// Receive events of 5 bytes (one frame), 64 bytes, 4 KiB (larger than the ring).
BENCHMARK(BM_ReceiveAndParse)->Arg(5)->Arg(64)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
