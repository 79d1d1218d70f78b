// libFuzzer target for the receive ring and frame parser. The input is cut into receive
// events of varying size and fed through the ring, starting at a position chosen by the
// input so that frames straddle the end of the storage. Everything decoded is compared with
// a plain reading of the same bytes as one linear stream, which checks every frame's check
// byte on its own; the ring positions must stay inside the storage after every event.
#include "serial/bytering.h"
#include "serial/frameparser.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <vector>

namespace {

// One decoded item: kind 0 sample, 1 device number, 2 date; the payload packed in a word.
struct Item {
    int kind;
    std::uint32_t payload;
    bool operator==(const Item&) const = default;
};

struct Collect : velmora::FrameSink {
    std::vector<Item> items;
    void onSample(int value) override {
        if (value < 0 || value > 0xFFFF) std::abort();
        items.push_back({0, static_cast<std::uint32_t>(value)});
    }
    void onDeviceNo(const std::array<std::uint8_t, 4>& d) override {
        items.push_back(
            {1, static_cast<std::uint32_t>(d[0] << 24 | d[1] << 16 | d[2] << 8 | d[3])});
    }
    void onMakeDate(int year, int month, int day) override {
        items.push_back({2, static_cast<std::uint32_t>(year << 16 | month << 8 | day)});
    }
};

// The frames of a linear byte stream, read directly; stops where the stream ends mid-frame.
std::vector<Item> reference(const std::vector<std::uint8_t>& s) {
    std::vector<Item> out;
    std::size_t i = 0;
    auto sum = [&](std::size_t n) {
        unsigned total = 0;
        for (std::size_t k = 0; k < n; ++k) total += s[i + k];
        return static_cast<std::uint8_t>(total);
    };
    while (s.size() - i >= 3) {
        if (s[i] != 0xF0) {
            ++i;
            continue;
        }
        const std::size_t left = s.size() - i;
        switch (s[i + 1]) {
            case 0xC0:
                if (left < 5) return out;
                if (sum(4) != s[i + 4]) {
                    ++i;
                    break;
                }
                out.push_back({0, static_cast<std::uint32_t>(s[i + 2] << 8 | s[i + 3])});
                i += 5;
                break;
            case 0xC1:
                i += 3;
                break;
            case 0xC2:
            case 0xC3:
                if (left < 7) return out;
                if (sum(6) != s[i + 6]) {
                    ++i;
                    break;
                }
                if (s[i + 1] == 0xC2)
                    out.push_back({1, static_cast<std::uint32_t>(s[i + 2] << 24 | s[i + 3] << 16 |
                                                                 s[i + 4] << 8 | s[i + 5])});
                else
                    out.push_back({2, static_cast<std::uint32_t>((s[i + 2] << 8 | s[i + 3]) << 16 |
                                                                 s[i + 4] << 8 | s[i + 5])});
                i += 7;
                break;
            default:
                ++i;
                break;
        }
    }
    return out;
}

void checkInside(const ByteRing& ring) {
    if (ring.pRead < ring.pBase || ring.pRead >= ring.pBase + ring.nSize ||
        ring.pWrite < ring.pBase || ring.pWrite >= ring.pBase + ring.nSize) {
        std::fprintf(stderr, "ring position outside the storage\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // Header: start offset in the ring and a seed for the event sizes.
    const int start = data[0] * 4;  // 0..1020 of 1024
    unsigned seed = data[1];
    data += 2;
    size -= 2;

    ByteRing ring{};
    ringAllocate(ring, 1024);
    ring.pRead = ring.pWrite = ring.pBase + start;
    Collect sink;
    std::size_t done = 0;
    while (done < size) {
        seed = seed * 1103515245u + 12345u;
        // Mostly small events, sometimes more than the ring holds.
        std::size_t piece = (seed >> 16) % 8 == 0 ? 1 + (seed >> 8) % 3000 : 1 + (seed >> 8) % 16;
        if (piece > size - done) piece = size - done;
        velmora::receiveBytes(ring, data + done, static_cast<int>(piece), sink);
        checkInside(ring);
        if (velmora::ringCount(ring) >= 7) std::abort();  // a complete frame was left behind
        done += piece;
    }
    ringFree(ring);

    if (sink.items != reference(std::vector<std::uint8_t>(data, data + size))) {
        std::fprintf(stderr, "ring parse differs from the linear reading\n");
        std::abort();
    }
    return 0;
}
