// libFuzzer target for the receive ring and parser: cut into events of varying size (often over
// the free space) and fed through a ring whose size and start it chooses, the input decodes as
// read plainly; positions stay inside, no whole frame waits (rings under 8 bytes: positions only).
#include "serial/frameparser.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <vector>

// Each decoded frame as its type byte and its payload bytes.
struct Collect : velmora::FrameSink {
    std::vector<int> got;
    void onSample(int v) override { got.insert(got.end(), {0xC0, v >> 8, v & 255}); }
    void onDeviceNo(const std::array<std::uint8_t, 4>& d) override {
        got.insert(got.end(), {0xC2, d[0], d[1], d[2], d[3]});
    }
    void onMakeDate(int y, int m, int d) override {
        got.insert(got.end(), {0xC3, y >> 8, y & 255, m, d});
    }
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int ringSize = data[0] < 8 ? data[0] + 1 : 8 + (data[0] - 8) * 4;  // up to 1000
    ByteRing ring{};
    ringAllocate(ring, ringSize);
    ring.pRead = ring.pWrite = ring.pBase + data[1] * 4 % ringSize;
    const auto inside = [&](auto* p) { return p >= ring.pBase && p < ring.pBase + ring.nSize; };
    Collect sink;
    unsigned seed = data[2];  // drives the event sizes
    for (std::size_t done = 3, piece; done < size; done += piece) {
        seed = seed * 1103515245u + 12345u;
        // Mostly small events, sometimes more than the ring holds.
        piece = std::min(size - done, 1 + (seed >> 8) % ((seed >> 16) % 8 ? 16 : 3000ul));
        velmora::receiveBytes(ring, data + done, static_cast<int>(piece), sink);
        if (!inside(ring.pRead) || !inside(ring.pWrite)) std::abort();
        if (ringSize >= 8 && velmora::ringCount(ring) >= 7) std::abort();
    }
    ringFree(ring);
    if (ringSize < 8) return 0;
    // Read plainly: F0 C0 opens 5 bytes, F0 C1 3, F0 C2/C3 7; a wrong check costs the sync byte.
    std::vector<int> plain;
    const std::uint8_t* s = data + 3;
    for (std::size_t i = 0, n = size - 3, len; n - i >= 3; i += len) {
        const bool frame = s[i] == 0xF0 && s[i + 1] >= 0xC0 && s[i + 1] <= 0xC3;
        len = !frame ? 1 : s[i + 1] == 0xC0 ? 5 : s[i + 1] == 0xC1 ? 3 : 7;
        if (len > n - i) break;
        if (len > 3 && std::accumulate(s + i, s + i + len - 1, 0u) % 256 != s[i + len - 1]) len = 1;
        if (len > 3) plain.insert(plain.end(), s + i + 1, s + i + len - 1);
    }
    if (sink.got != plain) std::abort();
    return 0;
}
