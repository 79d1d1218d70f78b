// Receive ring and frame parser: frames as the device sends them, split, wrapped, corrupted and
// in bursts larger than the ring.
#include "serial/answertext.h"
#include "serial/bytering.h"
#include "serial/frameparser.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace {

using namespace velmora;

// Records what the parser delivers, in order.
struct Recorder : FrameSink {
    QStringList got;
    void onSample(int value) override { got << QString::number(value); }
    void onDeviceNo(const std::array<std::uint8_t, 4>& d) override { got << deviceNoText(d); }
    void onMakeDate(int y, int m, int d) override { got << makeDateText(y, m, d); }
};

// Feeds the hex bytes ('|' between receive events) to a 1024-byte ring whose positions start
// `lead` bytes before the end of its storage; returns what was delivered and the bytes left.
std::pair<QStringList, int> parse(const QByteArray& hexEvents, int lead = 1024) {
    ByteRing ring{};
    ringAllocate(ring, 1024);
    ring.pRead = ring.pWrite = ring.pBase + ring.nSize - lead;
    Recorder sink;
    for (const QByteArray& event : hexEvents.split('|')) {
        const QByteArray b = QByteArray::fromHex(event);
        receiveBytes(ring, reinterpret_cast<const std::uint8_t*>(b.data()), int(b.size()), sink);
    }
    const int left = ringCount(ring);
    ringFree(ring);
    return {sink.got, left};
}

TEST(Parser, DecodesRecoversAndWaitsByteExactly) {
    // Hex bytes, what is delivered, bytes left waiting.
    const std::tuple<const char*, QStringList, int> cases[] = {
        {"F0 C0 12 34 F6", {"4660"}, 0},
        {"F0 C2 12 34 AB CD 70 F0 C3 07 DE 05 07 A4", {"1234ABCD", "2014.05.07"}, 0},
        {"F0 C0|12|34|F6", {"4660"}, 0},  // split over events
        {"F0 C0", {}, 2},                 // incomplete frames (and any two bytes) wait for more
        {"F0 C0 12 34", {}, 4},
        {"F0 C2 12 34 AB CD", {}, 6},
        // A wrong check costs only the sync byte: the scan resumes one byte later.
        {"F0 C0 F0 C0 00 01 B1", {"1"}, 0},
        {"F0 C2 F0 C0 02 03 B5", {"515"}, 0},
        // The stop answer drops three bytes, even a sync byte in third place.
        {"F0 C1 F0 C0 00 01 B1", {}, 2},
        // Junk and unknown types are skipped one byte at a time.
        {"F0 F0 C0 00 01 B1", {"1"}, 0},
        {"00 12 F0 C5 01 F0 F0 F0 C0 00 64 14 C0 FF F0 C0 00 C8 78", {"100", "200"}, 0},
    };
    for (const auto& [hex, got, left] : cases) EXPECT_EQ(parse(hex), std::pair(got, left)) << hex;
    const std::pair both{QStringList{"4660", "1234ABCD"}, 0};
    for (int lead = 1; lead <= 11; ++lead)  // either frame across the end of the storage
        EXPECT_EQ(parse("F0 C0 12 34 F6 F0 C2 12 34 AB CD 70", lead), both) << lead;
}

TEST(Parser, BurstLargerThanTheRingLosesNoFrame) {
    // 64 KiB of frames, a junk byte after every 97th, in one receive event: all decoded in order.
    QByteArray hex;
    QStringList expected;
    for (int i = 0; hex.size() < 2 * 64 * 1024; ++i) {
        const int v = (i * 7919) & 0xFFFF;
        hex += QString::asprintf("F0C0%04X%02X", v, (0xB0 + (v >> 8) + v) & 0xFF).toLatin1();
        hex += i % 97 ? "" : "3C";
        expected << QString::number(v);
    }
    EXPECT_EQ(parse(hex), std::pair(expected, 0));
}

}  // namespace
