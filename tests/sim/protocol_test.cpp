// The device's frames byte for byte, and the command scanner's resynchronisation.
#include "tools/sim/commandscanner.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes bytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

TEST(DeviceFrames, MatchTheDocumentedExamples) {
    EXPECT_EQ(bytes(sampleFrame(0x1234)), (Bytes{0xF0, 0xC0, 0x12, 0x34, 0xF6}));
    EXPECT_EQ(bytes(deviceNoFrame({0x12, 0x34, 0xAB, 0xCD})),
              (Bytes{0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD, 0x70}));
    EXPECT_EQ(bytes(dateFrame(2014, 5, 7)), (Bytes{0xF0, 0xC3, 0x07, 0xDE, 0x05, 0x07, 0xA4}));
    EXPECT_EQ(bytes(stopAnswer()), (Bytes{0xF0, 0xC1, 0xB1}));
}

TEST(DeviceFrames, CheckByteWrapsAndExtremeValuesKeepTheirBytes) {
    // 0xF0 + 0xC0 + 0xFF + 0xFF = 0x3AE -> 0xAE.
    EXPECT_EQ(bytes(sampleFrame(0xFFFF)), (Bytes{0xF0, 0xC0, 0xFF, 0xFF, 0xAE}));
    EXPECT_EQ(bytes(sampleFrame(0)), (Bytes{0xF0, 0xC0, 0x00, 0x00, 0xB0}));
    // Year 65535 and byte-sized month/day outside the calendar go out as given.
    EXPECT_EQ(bytes(dateFrame(65535, 13, 0)), (Bytes{0xF0, 0xC3, 0xFF, 0xFF, 0x0D, 0x00, 0xBE}));
}

std::vector<std::uint8_t> scanAll(const Bytes& in) {
    CommandScanner s;
    return s.feed(in.data(), in.size());
}

TEST(CommandScanner, RecognisesTheFourCommandsInOrder) {
    EXPECT_EQ(scanAll({0xF0, 0xC0, 0xB0, 0xF0, 0xC1, 0xB1, 0xF0, 0xC2, 0xB2, 0xF0, 0xC3, 0xB3}),
              (Bytes{0xC0, 0xC1, 0xC2, 0xC3}));
}

TEST(CommandScanner, ResynchronisesAfterJunkAndBrokenCommands) {
    // Junk, a doubled sync, a wrong check followed by a good command, an unknown type, and a
    // broken command whose check byte position holds the next command's sync.
    EXPECT_EQ(scanAll({0x00, 0x55, 0xF0, 0xF0, 0xC2, 0xB2}), (Bytes{0xC2}));
    EXPECT_EQ(scanAll({0xF0, 0xC0, 0xB1, 0xF0, 0xC3, 0xB3}), (Bytes{0xC3}));
    EXPECT_EQ(scanAll({0xF0, 0xC4, 0xB4, 0xF0, 0xC1, 0xB1}), (Bytes{0xC1}));
    EXPECT_EQ(scanAll({0xF0, 0xC0, 0xF0, 0xC1, 0xB1}), (Bytes{0xC1}));
    EXPECT_TRUE(scanAll({0xB0, 0xC0, 0xF0, 0xB0, 0xC0, 0xB0}).empty());
}

TEST(CommandScanner, CommandsSplitAcrossFeedsComplete) {
    CommandScanner s;
    const Bytes stream{0x11, 0xF0, 0xC2, 0xB2, 0xF0, 0xC0, 0xB0};
    std::vector<std::uint8_t> got;
    for (std::uint8_t b : stream) {
        const auto c = s.feed(&b, 1);
        got.insert(got.end(), c.begin(), c.end());
    }
    EXPECT_EQ(got, (Bytes{0xC2, 0xC0}));
    EXPECT_EQ(s.pending(), 0u);

    const Bytes head{0xF0, 0xC3};
    EXPECT_TRUE(s.feed(head.data(), head.size()).empty());
    EXPECT_EQ(s.pending(), 2u);
    const std::uint8_t tail = 0xB3;
    EXPECT_EQ(s.feed(&tail, 1), (Bytes{0xC3}));
}

}  // namespace
}  // namespace velmora::sim
