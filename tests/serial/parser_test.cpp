// Receive ring and frame parser: frames as the device sends them, split, wrapped, corrupted
// and in bursts larger than the ring.
#include "serial/answertext.h"
#include "serial/bytering.h"
#include "serial/frameparser.h"

#include <QByteArray>
#include <QStringList>

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Records what the parser delivers, in order.
struct Recorder : velmora::FrameSink {
    QStringList got;
    void onSample(int value) override { got << QString::number(value); }
    void onDeviceNo(const std::array<std::uint8_t, 4>& d) override {
        got << "no:" + velmora::deviceNoText(d);
    }
    void onMakeDate(int y, int m, int d) override {
        got << "date:" + velmora::makeDateText(y, m, d);
    }
};

// Sample frame F0 C0 hi lo check.
QByteArray sample(int v) {
    const auto hi = static_cast<std::uint8_t>(v >> 8), lo = static_cast<std::uint8_t>(v);
    return QByteArray("\xF0\xC0", 2) + char(hi) + char(lo) + char(0xF0 + 0xC0 + hi + lo);
}

class Parser : public ::testing::Test {
protected:
    void SetUp() override { ringAllocate(ring, 1024); }
    void TearDown() override { ringFree(ring); }
    // One receive event: append and parse, as the dialog does.
    void receive(const QByteArray& b) {
        velmora::receiveBytes(ring, reinterpret_cast<const std::uint8_t*>(b.constData()),
                              static_cast<int>(b.size()), sink);
    }

    ByteRing ring{};
    Recorder sink;
};

TEST_F(Parser, DecodesRecoversAndWaitsByteExactly) {
    // Hex bytes ('|' between receive events), what is delivered, bytes left waiting.
    const std::tuple<const char*, QStringList, int> cases[] = {
        {"F0 C0 12 34 F6", {"4660"}, 0},
        {"F0 C2 12 34 AB CD 70 F0 C3 07 DE 05 07 A4", {"no:1234ABCD", "date:2014.05.07"}, 0},
        {"F0 C0|12|34|F6", {"4660"}, 0},  // split over events
        // Incomplete frames (and any two bytes) wait for more.
        {"F0 C0", {}, 2},
        {"F0 C0 12", {}, 3},
        {"F0 C0 12 34", {}, 4},
        {"F0 C2 12 34 AB CD", {}, 6},
        // A wrong check byte costs only the sync byte: C0 and 12 are then junk, 34 F7 wait.
        {"F0 C0 12 34 F7", {}, 2},
        {"F0 F0 C0 00 01 B1", {"1"}, 0},
        {"F0 C2 F0 C0 02 03 B5", {"515"}, 0},
        // The stop answer drops three bytes, even a sync byte in third place.
        {"F0 C1 F0 C0 00 01 B1", {}, 2},
        {"F0 C1 B1 F0 C0 00 07 B7", {"7"}, 0},
        // Junk and unknown types are skipped one byte at a time.
        {"00 12 F0 C5 01 F0 F0 F0 C0 00 64 14 C0 FF F0 C0 00 C8 78", {"100", "200"}, 0},
    };
    for (const auto& [events, got, left] : cases) {
        sink = Recorder{};
        ringFree(ring);
        ringAllocate(ring, 1024);
        for (const QByteArray& event : QByteArray(events).split('|'))
            receive(QByteArray::fromHex(event));
        EXPECT_EQ(sink.got, got) << events;
        EXPECT_EQ(velmora::ringCount(ring), left) << events;
    }
}

TEST_F(Parser, FramesAcrossTheEndOfTheStorageDecode) {
    for (int lead = 1; lead <= 7; ++lead) {
        sink = Recorder{};
        ring.pRead = ring.pWrite = ring.pBase + ring.nSize - lead;
        receive(QByteArray::fromHex("F0C21234ABCD70") + sample(1000 + lead));
        EXPECT_EQ(sink.got, (QStringList{"no:1234ABCD", QString::number(1000 + lead)})) << lead;
        EXPECT_EQ(velmora::ringCount(ring), 0);
    }
}

TEST_F(Parser, BurstLargerThanTheRingLosesNoFrame) {
    // 64 KiB of frames with junk bytes between them, in one receive event, all decoded in order.
    QByteArray burst;
    QStringList expected;
    for (int i = 0; burst.size() < 64 * 1024; ++i) {
        burst += sample((i * 7919) & 0xFFFF);
        expected << QString::number((i * 7919) & 0xFFFF);
        if (i % 97 == 0) burst += '\x3C';
    }
    receive(burst);
    EXPECT_EQ(sink.got, expected);
}

}  // namespace
