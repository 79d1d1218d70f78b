#include "lineutil.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::sim::test {

using Clock = std::chrono::steady_clock;

bool SlaveLine::open(const std::string& path) {
    close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return false;
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0) return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&t, B57600);
    return ::tcsetattr(m_fd, TCSANOW, &t) == 0;
}

void SlaveLine::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool SlaveLine::send(const std::vector<std::uint8_t>& bytes) {
    return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool SlaveLine::readUntil(std::vector<std::uint8_t>& into,
                          const std::function<bool(const std::vector<std::uint8_t>&)>& done,
                          std::chrono::milliseconds timeout, std::vector<std::size_t>* chunks) {
    const auto end = Clock::now() + timeout;
    while (!done(into)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        if (p.revents & (POLLHUP | POLLERR)) return false;
        std::uint8_t buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno != EAGAIN)) return false;
        if (n > 0) {
            into.insert(into.end(), buf, buf + n);
            if (chunks) chunks->push_back(static_cast<std::size_t>(n));
        }
    }
    return true;
}

std::vector<std::uint8_t> SlaveLine::readFor(std::chrono::milliseconds time) {
    std::vector<std::uint8_t> bytes;
    readUntil(
        bytes, [](const auto&) { return false; }, time);
    return bytes;
}

bool SlaveLine::waitHangup(std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 50) < 0) return false;
        if (p.revents & (POLLHUP | POLLERR)) return true;
        if (p.revents & POLLIN) {
            std::uint8_t buf[4096];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno == EIO)) return true;
        }
    }
    return false;
}

Decoded decodeFrames(const std::vector<std::uint8_t>& b) {
    Decoded d;
    std::size_t i = 0;
    auto sum = [&](std::size_t from, std::size_t n) {
        unsigned s = 0;
        for (std::size_t k = 0; k < n; ++k) s += b[from + k];
        return static_cast<std::uint8_t>(s);
    };
    while (i < b.size()) {
        const std::size_t left = b.size() - i;
        if (b[i] != 0xF0) {
            ++d.skippedBytes;
            ++i;
            continue;
        }
        if (left < 2) break;
        const std::uint8_t type = b[i + 1];
        std::size_t len = 0;
        if (type == 0xC0)
            len = 5;
        else if (type == 0xC1)
            len = 3;
        else if (type == 0xC2 || type == 0xC3)
            len = 7;
        if (len == 0) {
            ++d.skippedBytes;
            ++i;
            continue;
        }
        if (left < len) break;
        if (type != 0xC1 && sum(i, len - 1) != b[i + len - 1]) {
            ++d.badChecks;
            ++d.skippedBytes;
            ++i;
            continue;
        }
        if (type == 0xC0) {
            d.samples.push_back(static_cast<std::uint16_t>(b[i + 2] << 8 | b[i + 3]));
            d.sampleEnds.push_back(i + len);
        } else {
            d.answers.emplace_back(b.begin() + static_cast<std::ptrdiff_t>(i),
                                   b.begin() + static_cast<std::ptrdiff_t>(i + len));
        }
        i += len;
    }
    d.incomplete = b.size() - i;
    return d;
}

std::size_t countSamples(const std::vector<std::uint8_t>& bytes) {
    return decodeFrames(bytes).samples.size();
}

bool containsStopAnswer(const std::vector<std::uint8_t>& bytes) {
    for (const auto& a : decodeFrames(bytes).answers)
        if (a[1] == 0xC1) return true;
    return false;
}

}  // namespace velmora::sim::test
