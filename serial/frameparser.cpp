#include "serial/frameparser.h"

namespace velmora {
namespace {

// Sum of the first n bytes of the frame at pRead, modulo 256.
std::uint8_t frameSum(const ByteRing& ring, int n) {
    unsigned sum = 0;
    for (int k = 0; k < n; ++k) sum += ringPeek(ring, k);
    return static_cast<std::uint8_t>(sum);
}

}  // namespace

void parseFrames(ByteRing& ring, FrameSink& sink) {
    if (!ring.pBase || ring.nSize <= 0) return;
    for (;;) {
        const int waiting = ringCount(ring);
        if (waiting < 3) return;
        if (ringPeek(ring, 0) != FRAME_SYNC) {
            ringAdvance(ring, 1);
            continue;
        }
        switch (ringPeek(ring, 1)) {
            case FRAME_SAMPLE:
                if (waiting < 5) return;
                if (frameSum(ring, 4) != ringPeek(ring, 4)) {
                    ringAdvance(ring, 1);
                    break;
                }
                {
                    const int value = ringPeek(ring, 2) * 256 + ringPeek(ring, 3);
                    // Advance first: the sink may run arbitrary code, the ring stays consistent.
                    ringAdvance(ring, 5);
                    sink.onSample(value);
                }
                break;
            case FRAME_STOP:
                // The stop acknowledgement has no check byte; its third byte is not examined.
                ringAdvance(ring, 3);
                break;
            case FRAME_DEVICE_NO:
            case FRAME_MAKE_DATE: {
                if (waiting < 7) return;
                if (frameSum(ring, 6) != ringPeek(ring, 6)) {
                    ringAdvance(ring, 1);
                    break;
                }
                const std::uint8_t type = ringPeek(ring, 1);
                const std::array<std::uint8_t, 4> payload{ringPeek(ring, 2), ringPeek(ring, 3),
                                                          ringPeek(ring, 4), ringPeek(ring, 5)};
                ringAdvance(ring, 7);
                if (type == FRAME_DEVICE_NO)
                    sink.onDeviceNo(payload);
                else
                    sink.onMakeDate(payload[0] * 256 + payload[1], payload[2], payload[3]);
                break;
            }
            default:
                ringAdvance(ring, 1);
                break;
        }
    }
}

void receiveBytes(ByteRing& ring, const std::uint8_t* data, int count, FrameSink& sink) {
    appendInChunks(ring, data, count, [&] { parseFrames(ring, sink); });
    parseFrames(ring, sink);
}

}  // namespace velmora
