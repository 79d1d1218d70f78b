#include "commandscanner.h"

namespace velmora::sim {

std::uint8_t checkSum(const std::uint8_t* bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::array<std::uint8_t, 5> sampleFrame(std::uint16_t value) {
    std::array<std::uint8_t, 5> f{kFrameSync, kTypeSample, static_cast<std::uint8_t>(value >> 8),
                                  static_cast<std::uint8_t>(value & 0xFF), 0};
    f[4] = checkSum(f.data(), 4);
    return f;
}

std::array<std::uint8_t, 3> stopAnswer() {
    return {kFrameSync, kTypeStop, static_cast<std::uint8_t>(kFrameSync + kTypeStop)};
}

std::array<std::uint8_t, 7> deviceNoFrame(const std::array<std::uint8_t, 4>& deviceNo) {
    std::array<std::uint8_t, 7> f{
        kFrameSync, kTypeDeviceNo, deviceNo[0], deviceNo[1], deviceNo[2], deviceNo[3], 0};
    f[6] = checkSum(f.data(), 6);
    return f;
}

std::array<std::uint8_t, 7> dateFrame(int year, int month, int day) {
    const auto y = static_cast<std::uint16_t>(year);
    std::array<std::uint8_t, 7> f{kFrameSync,
                                  kTypeDate,
                                  static_cast<std::uint8_t>(y >> 8),
                                  static_cast<std::uint8_t>(y & 0xFF),
                                  static_cast<std::uint8_t>(month),
                                  static_cast<std::uint8_t>(day),
                                  0};
    f[6] = checkSum(f.data(), 6);
    return f;
}

std::vector<std::uint8_t> CommandScanner::feed(const std::uint8_t* bytes, std::size_t count) {
    std::vector<std::uint8_t> commands;
    for (std::size_t i = 0; i < count; ++i) {
        m_buf[m_count++] = bytes[i];
        // Drop leading bytes until the held bytes can still be the start of a command.
        while (m_count > 0) {
            bool viable = m_buf[0] == kFrameSync;
            if (viable && m_count >= 2) viable = m_buf[1] >= kTypeSample && m_buf[1] <= kTypeDate;
            if (viable && m_count == 3)
                viable = m_buf[2] == static_cast<std::uint8_t>(kFrameSync + m_buf[1]);
            if (viable) break;
            for (std::size_t k = 1; k < m_count; ++k) m_buf[k - 1] = m_buf[k];
            --m_count;
        }
        if (m_count == 3) {
            commands.push_back(m_buf[1]);
            m_count = 0;
        }
    }
    return commands;
}

}  // namespace velmora::sim
