// Receive ring and frame parser: frames as the device sends them, split, wrapped, corrupted
// and in bursts larger than the ring.
#include "serial/bytering.h"
#include "serial/frameparser.h"
#include "serial/framerecorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using velmora::test::FrameRecorder;
using velmora::test::sampleFrame;
using Bytes = std::vector<std::uint8_t>;

namespace {

class Parser : public ::testing::Test {
protected:
    void SetUp() override { ringAllocate(ring, 1024); }
    void TearDown() override { ringFree(ring); }

    // One receive event: append and parse, as the dialog does.
    void receive(const Bytes& bytes) {
        velmora::receiveBytes(ring, bytes.data(), static_cast<int>(bytes.size()), sink);
    }
    int readOffset() const { return static_cast<int>(ring.pRead - ring.pBase); }

    ByteRing ring{};
    FrameRecorder sink;
};

TEST(ByteRingTest, HoldsOneByteLessThanItsSizeAndFreesToZero) {
    ByteRing ring{};
    ringAllocate(ring, 8);
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8, 9};
    // Equal positions must keep meaning "empty", so a full ring holds nSize - 1 bytes.
    EXPECT_EQ(velmora::ringAppend(ring, data.data(), 9), 7);
    EXPECT_EQ(velmora::ringCount(ring), 7);
    ringFree(ring);
    EXPECT_EQ(ring.pBase, nullptr);
    EXPECT_EQ(ring.nSize, 0);
    EXPECT_EQ(ring.pRead, nullptr);
    EXPECT_EQ(ring.pWrite, nullptr);
}

TEST_F(Parser, DecodesEachFrameType) {
    receive({0xF0, 0xC0, 0x12, 0x34, 0xF6});
    receive({0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD, 0x70});
    receive({0xF0, 0xC3, 0x07, 0xDE, 0x05, 0x07, 0xA4});
    EXPECT_EQ(sink.samples, std::vector<int>{4660});
    EXPECT_EQ(sink.answers, (QStringList{"no:1234ABCD", "date:2014.05.07"}));
    EXPECT_EQ(velmora::ringCount(ring), 0);
}

TEST_F(Parser, SampleValuesCoverTheUnsignedRange) {
    for (int v : {0, 255, 256, 65535}) receive(sampleFrame(v));
    EXPECT_EQ(sink.samples, (std::vector<int>{0, 255, 256, 65535}));
}

TEST_F(Parser, WrongCheckByteDropsOnlyTheSyncByte) {
    // A bad sample frame whose data holds a good frame one byte later is recovered.
    receive({0xF0, 0xC0, 0x12, 0x34, 0xF7});
    EXPECT_TRUE(sink.samples.empty());
    // Sync dropped, then C0 and 12 skipped as junk; the last two bytes wait as usual.
    EXPECT_EQ(readOffset(), 3);
    EXPECT_EQ(velmora::ringCount(ring), 2);

    // F0 F0 C0 00 01 B1: the first F0 is followed by F0, not a type; the frame starts one later.
    receive({0xF0, 0xF0, 0xC0, 0x00, 0x01, 0xB1});
    EXPECT_EQ(sink.samples, std::vector<int>{1});

    // A corrupt device-number frame containing a whole sample frame from offset 1 on.
    sink.samples.clear();
    const Bytes inner = sampleFrame(0x0203);
    Bytes outer{0xF0, 0xC2};
    outer.insert(outer.end(), inner.begin(), inner.end());
    receive(outer);  // 7 bytes: F0 C2 F0 C0 02 03 B5, the check of the C2 frame fails
    EXPECT_TRUE(sink.answers.isEmpty());
    EXPECT_EQ(sink.samples, std::vector<int>{0x0203});
}

TEST_F(Parser, StopAnswerIsDroppedWholeEvenWhenItsThirdByteIsSync) {
    // F0 C1 F0 takes the F0 with it, so C0 00 01 B1 is junk and no sample appears.
    receive({0xF0, 0xC1, 0xF0, 0xC0, 0x00, 0x01, 0xB1});
    EXPECT_TRUE(sink.samples.empty());
    receive({0xF0, 0xC1, 0xB1});
    receive(sampleFrame(7));
    EXPECT_EQ(sink.samples, std::vector<int>{7});
}

TEST_F(Parser, IncompleteFramesWaitForTheirLastByte) {
    receive({0xF0, 0xC0});
    receive({0x12});
    receive({0x34});
    EXPECT_TRUE(sink.samples.empty());
    EXPECT_EQ(velmora::ringCount(ring), 4);
    EXPECT_EQ(readOffset(), 0);  // still at the sync byte
    receive({0xF6});
    EXPECT_EQ(sink.samples, std::vector<int>{4660});

    // Two bytes of anything wait, even junk.
    receive({0x55, 0x66});
    EXPECT_EQ(velmora::ringCount(ring), 2);
    // Six bytes of a seven-byte answer wait.
    ringFree(ring);
    ringAllocate(ring, 1024);
    receive({0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD});
    EXPECT_TRUE(sink.answers.isEmpty());
    receive({0x70});
    EXPECT_EQ(sink.answers, QStringList{"no:1234ABCD"});
}

TEST_F(Parser, JunkAndUnknownTypesAreSkippedOneByteAtATime) {
    Bytes stream{0x00, 0x12, 0xF0, 0xC5, 0x01, 0xF0, 0xF0};
    const Bytes a = sampleFrame(100), b = sampleFrame(200);
    stream.insert(stream.end(), a.begin(), a.end());
    stream.insert(stream.end(), {0xC0, 0xFF});
    stream.insert(stream.end(), b.begin(), b.end());
    receive(stream);
    EXPECT_EQ(sink.samples, (std::vector<int>{100, 200}));
}

TEST_F(Parser, FramesAcrossTheEndOfTheStorageDecode) {
    // Put the read and write positions three bytes before the end of the storage.
    ring.pRead = ring.pWrite = ring.pBase + ring.nSize - 3;
    receive({0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD, 0x70});
    receive(sampleFrame(4660));
    EXPECT_EQ(sink.answers, QStringList{"no:1234ABCD"});
    EXPECT_EQ(sink.samples, std::vector<int>{4660});
    EXPECT_EQ(readOffset(), 9);  // 7 + 5 bytes from 1021, wrapped

    // Every phase of the wrap: the frame's sync at each of the last positions.
    for (int lead = 1; lead <= 5; ++lead) {
        sink.samples.clear();
        ring.pRead = ring.pWrite = ring.pBase + ring.nSize - lead;
        receive(sampleFrame(1000 + lead));
        EXPECT_EQ(sink.samples, std::vector<int>{1000 + lead})
            << "sync " << lead << " from the end";
    }
}

TEST_F(Parser, BurstLargerThanTheRingLosesNoFrame) {
    // 64 KiB of frames and junk in one receive event, all decoded in order.
    Bytes burst;
    std::vector<int> expected;
    for (int i = 0; burst.size() < 64 * 1024; ++i) {
        const int value = (i * 7919) & 0xFFFF;
        const Bytes f = sampleFrame(value);
        burst.insert(burst.end(), f.begin(), f.end());
        expected.push_back(value);
        if (i % 97 == 0) burst.push_back(0x3C);  // junk between frames
    }
    receive(burst);
    EXPECT_EQ(sink.samples.size(), expected.size());
    EXPECT_EQ(sink.samples, expected);
}

}  // namespace
