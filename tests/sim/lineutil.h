// Test helpers: the program's end of the simulated line (a raw termios slave) and an
// independent decoder of the device's frames, written from the frame table, not from the
// simulator's code.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora::sim::test {

class SlaveLine {
public:
    SlaveLine() = default;
    explicit SlaveLine(const std::string& path) { open(path); }
    ~SlaveLine() { close(); }
    SlaveLine(const SlaveLine&) = delete;
    SlaveLine& operator=(const SlaveLine&) = delete;

    // Opens the path read/write, non-blocking, raw 8N1. False on failure.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    bool send(const std::vector<std::uint8_t>& bytes);
    // Reads until done(received bytes so far) is true or the timeout passes. Every read()'s
    // size is appended to *chunks if given. Returns false on timeout or hang-up.
    bool readUntil(std::vector<std::uint8_t>& into,
                   const std::function<bool(const std::vector<std::uint8_t>&)>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(3),
                   std::vector<std::size_t>* chunks = nullptr);
    // Reads whatever arrives during the given time.
    std::vector<std::uint8_t> readFor(std::chrono::milliseconds time);
    // Waits for a hang-up: true if poll() reports POLLHUP/POLLERR or read() returns 0/EIO.
    bool waitHangup(std::chrono::milliseconds timeout);

private:
    int m_fd = -1;
};

struct Decoded {
    std::vector<std::uint16_t> samples;
    std::vector<std::vector<std::uint8_t>> answers;  // whole C1, C2 and C3 frames
    std::size_t skippedBytes = 0;  // bytes dropped one at a time while looking for a frame
    std::size_t badChecks = 0;     // frames that had the right length but a wrong check
    std::size_t incomplete = 0;    // bytes left at the end that may start a frame
    // Byte offsets where each complete sample frame ends.
    std::vector<std::size_t> sampleEnds;
};

// Decodes frames as the program's parser does: F0 starts a frame, C0 = 5 bytes, C1 = 3 bytes
// without a check, C2/C3 = 7 bytes; a wrong check drops only the F0.
Decoded decodeFrames(const std::vector<std::uint8_t>& bytes);

// Number of complete sample frames plus answers in the bytes (for readUntil predicates).
std::size_t countSamples(const std::vector<std::uint8_t>& bytes);
bool containsStopAnswer(const std::vector<std::uint8_t>& bytes);

}  // namespace velmora::sim::test
