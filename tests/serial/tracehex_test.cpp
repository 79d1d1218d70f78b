// The send trace: exactly the strings a debugger would receive.
#include "serial/tracehex.h"

#include "platform/debugoutput.h"

#include <QString>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

TEST(TraceHex, TitleThenUpperCaseDumpInPiecesOf256CharactersThenLineFeed) {
    std::vector<std::string> got;
    const auto previous = velmora::setDebugSink([&](std::string_view s) { got.emplace_back(s); });
    for (const auto& [count, pieces] : std::vector<std::pair<int, std::vector<std::size_t>>>{
             {85, {255}}, {86, {256, 2}}, {256, {256, 256, 256}}}) {
        got.clear();
        std::vector<std::uint8_t> data(static_cast<std::size_t>(count));
        std::iota(data.begin(), data.end(), std::uint8_t{0});
        velmora::TraceHex(data.data(), count, "T");
        std::string hex;
        for (int b : data) hex += QString::asprintf("%02X ", b).toStdString();
        std::vector<std::string> expected{"T"};
        for (std::size_t n : pieces) expected.push_back(hex.substr(0, n)), hex.erase(0, n);
        expected.push_back("\n");
        EXPECT_EQ(got, expected) << count;
    }
    velmora::setDebugSink(previous);
}
