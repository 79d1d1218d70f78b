// The device's side of the framed protocol: recognising commands in the incoming byte stream
// and building the frames the device sends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::sim {

inline constexpr std::uint8_t kFrameSync = 0xF0;
inline constexpr std::uint8_t kTypeSample = 0xC0;    // start command / sample frame
inline constexpr std::uint8_t kTypeStop = 0xC1;      // stop command / its acknowledgement
inline constexpr std::uint8_t kTypeDeviceNo = 0xC2;  // device-number command / answer
inline constexpr std::uint8_t kTypeDate = 0xC3;      // date command / answer

// Sum of the bytes modulo 256: the check byte that closes a frame.
std::uint8_t checkSum(const std::uint8_t* bytes, std::size_t count);

std::array<std::uint8_t, 5> sampleFrame(std::uint16_t value);
std::array<std::uint8_t, 3> stopAnswer();
std::array<std::uint8_t, 7> deviceNoFrame(const std::array<std::uint8_t, 4>& deviceNo);
// The year goes out as an unsigned 16-bit value (high byte first), month and day as bytes;
// values out of range are truncated, not refused, as the device stores them.
std::array<std::uint8_t, 7> dateFrame(int year, int month, int day);

// Finds the three-byte commands F0 Cx chk (x = 0..3, chk = F0 + Cx) in a byte stream that may
// arrive in arbitrary pieces. A byte that does not start a valid command is dropped and the
// scan moves on by one byte, so the scanner resynchronises on the next 0xF0.
class CommandScanner {
public:
    // Appends bytes and returns the types (0xC0..0xC3) of the commands completed by them,
    // in order.
    std::vector<std::uint8_t> feed(const std::uint8_t* bytes, std::size_t count);
    // Bytes held back because they may still begin a command (0 to 2).
    std::size_t pending() const { return m_count; }

private:
    std::array<std::uint8_t, 3> m_buf{};
    std::size_t m_count = 0;
};

}  // namespace velmora::sim
