// The send trace: exactly the strings a debugger would receive.
#include "serial/tracehex.h"

#include "platform/debugoutput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TraceHexTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = velmora::setDebugSink([this](std::string_view s) { strings.emplace_back(s); });
    }
    void TearDown() override { velmora::setDebugSink(previous); }

    velmora::DebugSink previous;
    std::vector<std::string> strings;
};

TEST_F(TraceHexTest, CommandGivesTitleDumpAndLineFeed) {
    const std::uint8_t start[] = {0xF0, 0xC0, 0xB0};
    velmora::TraceHex(start, 3, "Send Data:");
    EXPECT_EQ(strings, (std::vector<std::string>{"Send Data:", "F0 C0 B0 ", "\n"}));

    strings.clear();
    const std::uint8_t low[] = {0x00, 0x0A, 0x9F};
    velmora::TraceHex(low, 3, nullptr);  // no title: two strings, digits upper case
    EXPECT_EQ(strings, (std::vector<std::string>{"00 0A 9F ", "\n"}));
}

TEST_F(TraceHexTest, LongDumpsComeInPiecesOf256Characters) {
    for (int count : {85, 86, 171, 200}) {
        strings.clear();
        std::vector<std::uint8_t> data(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        velmora::TraceHex(data.data(), count, "T");

        ASSERT_GE(strings.size(), 3u);
        EXPECT_EQ(strings.front(), "T");
        EXPECT_EQ(strings.back(), "\n");
        std::string joined;
        for (std::size_t i = 1; i + 1 < strings.size(); ++i) {
            const bool last = i + 2 == strings.size();
            if (!last) {
                EXPECT_EQ(strings[i].size(), 256u) << count;
            }
            EXPECT_LE(strings[i].size(), 256u);
            EXPECT_FALSE(strings[i].empty());
            joined += strings[i];
        }
        ASSERT_EQ(joined.size(), static_cast<std::size_t>(count) * 3) << count;
        // Byte 85 starts at character 255 and is split across the 256 boundary.
        if (count > 85) {
            EXPECT_EQ(joined.substr(255, 3), "55 ");
        }
        EXPECT_EQ(strings.size(), 2 + (static_cast<std::size_t>(count) * 3 + 255) / 256) << count;
    }
}

}  // namespace
