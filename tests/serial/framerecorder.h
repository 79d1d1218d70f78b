// A frame sink that records what the parser delivers, in order, for assertions.
#pragma once

#include "serial/answertext.h"
#include "serial/frameparser.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace velmora::test {

struct FrameRecorder : FrameSink {
    std::vector<int> samples;
    QStringList answers;  // device numbers and dates in arrival order

    void onSample(int value) override { samples.push_back(value); }
    void onDeviceNo(const std::array<std::uint8_t, 4>& digits) override {
        answers << QStringLiteral("no:") + deviceNoText(digits);
    }
    void onMakeDate(int year, int month, int day) override {
        answers << QStringLiteral("date:") + makeDateText(year, month, day);
    }
};

// Sample frame F0 C0 hi lo check.
inline std::vector<std::uint8_t> sampleFrame(int value) {
    const auto hi = static_cast<std::uint8_t>(value >> 8);
    const auto lo = static_cast<std::uint8_t>(value & 0xFF);
    return {0xF0, 0xC0, hi, lo, static_cast<std::uint8_t>(0xF0 + 0xC0 + hi + lo)};
}

}  // namespace velmora::test
