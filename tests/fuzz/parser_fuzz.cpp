// libFuzzer target for the receive ring and frame parser. The input is cut into receive
// events of varying size and fed through the ring, starting at a position chosen by the
// input so that frames straddle the end of the storage. Everything decoded must equal a
// plain reading of the same bytes as one linear stream, and after every event the ring
// positions must stay inside the storage with no complete frame left behind.
#include "serial/bytering.h"
#include "serial/frameparser.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// The frames of a linear byte stream read directly; stops where the stream ends mid-frame.
std::vector<std::uint64_t> reference(const std::uint8_t* s, std::size_t n) {
    std::vector<std::uint64_t> out;
    for (std::size_t i = 0; n - i >= 3;) {
        const std::uint8_t type = s[i + 1];
        std::size_t len = 1;  // a byte that starts no frame is skipped
        if (s[i] == 0xF0 && type >= 0xC0 && type <= 0xC3)
            len = type == 0xC0 ? 5 : type == 0xC1 ? 3 : 7;
        if (len > n - i) break;
        const bool good =
            len > 3 && std::accumulate(s + i, s + i + len - 1, 0u) % 256 == s[i + len - 1];
        if (good) {
            std::uint64_t item = 0;
            for (std::size_t k = 1; k + 1 < len; ++k) item = item << 8 | s[i + k];
            out.push_back(item);
        }
        i += good || len == 3 ? len : 1;  // a wrong check byte costs only the sync byte
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    ByteRing ring{};
    ringAllocate(ring, 1024);
    ring.pRead = ring.pWrite = ring.pBase + data[0] * 4;  // 0..1020
    unsigned seed = data[1];                              // drives the event sizes
    Collect sink;
    for (std::size_t done = 2; done < size;) {
        seed = seed * 1103515245u + 12345u;
        // Mostly small events, sometimes more than the ring holds.
        std::size_t piece = (seed >> 16) % 8 == 0 ? 1 + (seed >> 8) % 3000 : 1 + (seed >> 8) % 16;
        piece = std::min(piece, size - done);
        velmora::receiveBytes(ring, data + done, static_cast<int>(piece), sink);
        done += piece;
        // Both positions stay inside the storage; no complete frame is left behind.
        const auto inside = [&](const std::uint8_t* p) {
            return p >= ring.pBase && p < ring.pBase + ring.nSize;
        };
        if (!inside(ring.pRead) || !inside(ring.pWrite) || velmora::ringCount(ring) >= 7)
            std::abort();
    }
    ringFree(ring);
    if (sink.items != reference(data + 2, size - 2)) std::abort();
    return 0;
}
