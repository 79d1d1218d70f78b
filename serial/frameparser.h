// The device's framed protocol: command frames the program sends, and the parser that takes
// complete frames out of the receive ring and hands their contents to a sink.
#pragma once

#include "serial/bytering.h"

#include <array>
#include <cstdint>

namespace velmora {

constexpr std::uint8_t FRAME_SYNC = 0xF0;

// Frame types, the same in both directions.
constexpr std::uint8_t FRAME_SAMPLE = 0xC0;
constexpr std::uint8_t FRAME_STOP = 0xC1;
constexpr std::uint8_t FRAME_DEVICE_NO = 0xC2;
constexpr std::uint8_t FRAME_MAKE_DATE = 0xC3;

// The four three-byte commands: sync, type, check byte.
using Command = std::array<std::uint8_t, 3>;
constexpr Command commandFrame(std::uint8_t type) {
    return {FRAME_SYNC, type, static_cast<std::uint8_t>(FRAME_SYNC + type)};
}
constexpr Command CMD_START = commandFrame(FRAME_SAMPLE);
constexpr Command CMD_STOP = commandFrame(FRAME_STOP);
constexpr Command CMD_DEVICE_NO = commandFrame(FRAME_DEVICE_NO);
constexpr Command CMD_MAKE_DATE = commandFrame(FRAME_MAKE_DATE);

// Receives the contents of each valid frame, in arrival order.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void onSample(int value) = 0;
    virtual void onDeviceNo(const std::array<std::uint8_t, 4>& digits) = 0;
    virtual void onMakeDate(int year, int month, int day) = 0;
};

// Consumes every complete frame waiting in the ring. Bytes that cannot start a frame are
// skipped one at a time; a frame with a wrong check byte costs only its sync byte; an
// incomplete frame stays in the ring for the next call.
void parseFrames(ByteRing& ring, FrameSink& sink);

// Appends `count` received bytes in pieces of at most the ring's free space and calls
// `parse` after each piece, so a burst larger than the ring loses no complete frame as long
// as `parse` consumes the complete frames. With a ring too small to hold one frame the
// oldest byte is dropped to make room.
template <class Parse>
void appendInChunks(ByteRing& ring, const std::uint8_t* data, int count, Parse&& parse) {
    while (count > 0) {
        int taken = ringAppend(ring, data, count);
        if (taken == 0) {
            if (ringCount(ring) == 0) return;  // a ring that cannot hold a single byte
            ringAdvance(ring, 1);
            continue;
        }
        data += taken;
        count -= taken;
        parse();
    }
}

// Appends `count` received bytes in pieces that fit the ring's free space and parses after
// each piece, so a burst larger than the ring loses no complete frame.
void receiveBytes(ByteRing& ring, const std::uint8_t* data, int count, FrameSink& sink);

}  // namespace velmora
