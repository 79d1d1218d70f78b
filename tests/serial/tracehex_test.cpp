// The send trace: exactly the strings a debugger would receive.
#include "serial/tracehex.h"

#include "platform/debugoutput.h"

#include <QString>

#include <gtest/gtest.h>

#include <numeric>
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

TEST_F(TraceHexTest, TitleThenUpperCaseDumpInPiecesOf256CharactersThenLineFeed) {
    const std::vector<std::pair<int, std::vector<std::size_t>>> cases{
        {3, {9}}, {85, {255}}, {86, {256, 2}}, {171, {256, 256, 1}}};
    for (const auto& [count, sizes] : cases) {
        strings.clear();
        std::vector<std::uint8_t> data(static_cast<std::size_t>(count));
        std::iota(data.begin(), data.end(), std::uint8_t{0});
        velmora::TraceHex(data.data(), count, "T");
        ASSERT_EQ(strings.size(), sizes.size() + 2) << count;
        EXPECT_EQ(strings.front(), "T");
        EXPECT_EQ(strings.back(), "\n");
        std::string joined, expected;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            EXPECT_EQ(strings[i + 1].size(), sizes[i]) << count << " piece " << i;
            joined += strings[i + 1];
        }
        for (int b : data) expected += QString::asprintf("%02X ", b).toStdString();
        EXPECT_EQ(joined, expected);
    }
}

}  // namespace
