// Throughput of the receive path: sample frames with some junk between them, delivered in
// receive events of a few sizes, appended to the 1024-byte ring and parsed.
#include "serial/bytering.h"
#include "serial/frameparser.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

struct CountingSink final : velmora::FrameSink {
    std::int64_t samples = 0;
    std::int64_t sum = 0;
    void onSample(int value) override {
        ++samples;
        sum += value;
    }
    void onDeviceNo(const std::array<std::uint8_t, 4>&) override {}
    void onMakeDate(int, int, int) override {}
};

// One MiB of sample frames; every 16th frame is followed by three junk bytes and every
// 64th frame has a wrong check byte.
std::vector<std::uint8_t> makeStream(std::int64_t* goodFrames) {
    std::vector<std::uint8_t> s;
    *goodFrames = 0;
    for (int i = 0; s.size() < (1u << 20); ++i) {
        const auto hi = static_cast<std::uint8_t>(i >> 8), lo = static_cast<std::uint8_t>(i);
        auto check = static_cast<std::uint8_t>(0xF0 + 0xC0 + hi + lo);
        if (i % 64 == 63)
            ++check;
        else
            ++*goodFrames;
        s.insert(s.end(), {0xF0, 0xC0, hi, lo, check});
        if (i % 16 == 15) s.insert(s.end(), {0x00, 0xF0, 0x7F});
    }
    return s;
}

void BM_ReceiveAndParse(benchmark::State& state) {
    std::int64_t good = 0;
    const std::vector<std::uint8_t> stream = makeStream(&good);
    const auto event = static_cast<std::size_t>(state.range(0));
    ByteRing ring{};
    ringAllocate(ring, 1024);
    CountingSink sink;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += event) {
            const std::size_t n = std::min(event, stream.size() - at);
            velmora::receiveBytes(ring, stream.data() + at, static_cast<int>(n), sink);
        }
        benchmark::DoNotOptimize(sink.sum);
    }
    ringFree(ring);
    if (sink.samples != good * static_cast<std::int64_t>(state.iterations()))
        state.SkipWithError("frames lost");
    state.SetBytesProcessed(static_cast<std::int64_t>(stream.size()) * state.iterations());
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(sink.samples), benchmark::Counter::kIsRate);
}
// Receive events of 5 bytes (one frame), 64 bytes, 4 KiB (larger than the ring).
BENCHMARK(BM_ReceiveAndParse)->Arg(5)->Arg(64)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
