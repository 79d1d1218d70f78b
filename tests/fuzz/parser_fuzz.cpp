// libFuzzer target for the receive ring and frame parser. The input, cut into receive events
// of varying size and fed through a ring of the size and starting position the input says
// (so frames straddle the end of the storage, and events often exceed the ring's free space
// and are appended in pieces), must decode exactly as a plain reading of the same bytes;
// after every event both positions stay inside the storage and no complete frame is left
// behind. Rings too small for the longest frame (1 to 7 bytes) drop bytes by design: for
// them only the positions are checked.
#include "serial/bytering.h"
#include "serial/frameparser.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace {

// Each decoded frame as its type byte followed by its payload bytes.
struct Collect : velmora::FrameSink {
    std::vector<std::uint64_t> items;
    void onSample(int v) override { items.push_back(0xC0u << 16 | static_cast<unsigned>(v)); }
    void onDeviceNo(const std::array<std::uint8_t, 4>& d) override {
        items.push_back(0xC2ull << 32 | std::uint64_t{d[0]} << 24 | d[1] << 16 | d[2] << 8 | d[3]);
    }
    void onMakeDate(int y, int m, int d) override {
        items.push_back(0xC3ull << 32 | std::uint64_t(y) << 16 | std::uint64_t(m) << 8 | d);
    }
};

// The frames of a linear byte stream, read directly; stops where the stream ends mid-frame.
std::vector<std::uint64_t> reference(const std::uint8_t* s, std::size_t n) {
    std::vector<std::uint64_t> out;
    for (std::size_t i = 0, len; n - i >= 3; i += len) {
        const std::uint8_t type = s[i + 1];
        const bool frame = s[i] == 0xF0 && type >= 0xC0 && type <= 0xC3;
        len = !frame ? 1 : type == 0xC0 ? 5 : type == 0xC1 ? 3 : 7;
        if (len > n - i) break;
        // A wrong check byte costs only the sync byte.
        if (len > 3 && std::accumulate(s + i, s + i + len - 1, 0u) % 256 != s[i + len - 1]) len = 1;
        std::uint64_t item = 0;
        for (std::size_t k = 1; k + 1 < len; ++k) item = item << 8 | s[i + k];
        if (len > 3) out.push_back(item);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    // 1 to 8 bytes one by one, then up to 1000 in steps of 4.
    const int ringSize = data[0] < 8 ? data[0] + 1 : 8 + (data[0] - 8) * 4;
    const bool holdsAFrame = ringSize >= 8;
    ByteRing ring{};
    ringAllocate(ring, ringSize);
    ring.pRead = ring.pWrite = ring.pBase + data[1] * 4 % ringSize;
    unsigned seed = data[2];  // drives the event sizes
    Collect sink;
    const auto inside = [&](auto* p) { return p >= ring.pBase && p < ring.pBase + ring.nSize; };
    for (std::size_t done = 3, piece; done < size; done += piece) {
        seed = seed * 1103515245u + 12345u;
        // Mostly small events, sometimes more than the ring holds.
        piece = std::min(size - done, 1 + (seed >> 8) % ((seed >> 16) % 8 ? 16 : 3000ul));
        velmora::receiveBytes(ring, data + done, static_cast<int>(piece), sink);
        if (!inside(ring.pRead) || !inside(ring.pWrite)) std::abort();
        if (holdsAFrame && velmora::ringCount(ring) >= 7) std::abort();
    }
    ringFree(ring);
    if (holdsAFrame && sink.items != reference(data + 3, size - 3)) std::abort();
    return 0;
}
