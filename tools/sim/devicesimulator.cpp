#include "devicesimulator.h"

#include "commandscanner.h"
#include "skinsignal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::sim {

namespace {

using Clock = std::chrono::steady_clock;

// How long the rest of a frame written in two pieces waits after the first piece: long enough
// for a reader to wake and take the first piece alone, short enough that a pass of the loop
// at the fastest pacing comes no later for it. Samples due meanwhile go out with the rest.
constexpr auto kSplitGap = std::chrono::milliseconds(1);
// How often the thread looks again while no one has the slave open.
constexpr int kHangupRecheckMs = 20;
// Unthrottled mode keeps this much queued for the line.
constexpr std::size_t kUnthrottledLow = 4096;
constexpr std::size_t kUnthrottledHigh = 16384;
// A paced stream that falls this far behind (the reader is not reading) skips ahead: what
// the reader misses is lost, as on a real line. Kept as small as the unthrottled queue (the
// kernel holds about 20 KB more for the slave) so that a reader that comes back, and the
// answer to its next command, are not kept waiting behind seconds of old samples.
constexpr std::size_t kMaxBacklog = kUnthrottledHigh;

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::string errnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// What is at the place of a port link.
enum class LinkState {
    None,      // nothing
    NotALink,  // a file or folder of someone's: never touched
    Ours,      // a link to this simulator's slave
    Live,      // a link to another existing character device: a port in use
    Stale,     // a link to nothing, or to something that is no port
    Unknown,   // a link whose target cannot be examined
};

// A pty slave exists exactly as long as its master is open (the kernel removes /dev/pts/N
// when the master closes), so a link to an existing pts is one to a running simulator; a link
// to another character device is one to a real port someone made on purpose. Either is live.
// The link is followed to the device itself, so relative targets and chains of links count
// too; the device number tells whether it is our own slave.
LinkState linkState(const std::string& path, dev_t ownDevice) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return LinkState::None;
    if (!S_ISLNK(st.st_mode)) return LinkState::NotALink;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? LinkState::Stale
                                                                     : LinkState::Unknown;
    if (!S_ISCHR(st.st_mode)) return LinkState::Stale;
    return st.st_rdev == ownDevice ? LinkState::Ours : LinkState::Live;
}

std::string linkText(const std::string& path) {
    std::error_code ec;
    return std::filesystem::read_symlink(path, ec).string();
}

}  // namespace

struct DeviceSimulator::Impl {
    explicit Impl(SimConfig c)
        : cfg(std::move(c)), signal(cfg.seed, cfg.sampleRate), rng(cfg.seed ^ 0x5A17u) {
        cfg.burst = std::max(1, cfg.burst);
    }

    // --- shared with the caller's thread ---
    SimConfig cfg;
    int master = -1;
    int wake[2] = {-1, -1};
    std::thread thread;
    std::string slave;
    dev_t slaveDevice = 0;  // device number of the slave, to recognise links to it
    std::string link;
    std::atomic<bool> quit{false};
    std::atomic<bool> isSampling{false};
    std::atomic<bool> isRunning{false};
    mutable std::mutex mutex;  // guards received and stats
    std::vector<std::uint8_t> received;
    SimStats stats;

    // --- owned by the simulator thread ---
    CommandScanner scanner;
    SkinSignal signal;
    std::mt19937 rng;
    std::size_t sequenceIndex = 0;
    // Bytes queued for the line, starting at stream position `written`.
    std::vector<std::uint8_t> pending;
    std::size_t pendingOffset = 0;
    std::uint64_t written = 0;
    std::uint64_t queuedEnd = 0;
    std::deque<std::uint64_t> cuts;        // stream positions where a frame may be split
    std::deque<std::uint64_t> sampleEnds;  // stream positions just past each good sample frame
    Clock::time_point holdUntil{};
    Clock::time_point epoch{};
    std::uint64_t generatedSinceEpoch = 0;
    bool hungUp = false;

    void run();
    void handleInput();
    void handleCommand(std::uint8_t type);
    void generateSamples(Clock::time_point now);
    void queueSample();
    void queue(const std::uint8_t* bytes, std::size_t n);
    void writePending(Clock::time_point now);
    void dropPending();
    void discardUnread();
    void removeOwnLink();
    std::size_t pendingSize() const { return pending.size() - pendingOffset; }
    bool probability(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
    std::uint8_t junkByte() {
        // Any value but the sync byte, so junk never starts a frame.
        auto b = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 254)(rng));
        return b >= kFrameSync ? static_cast<std::uint8_t>(b + 1) : b;
    }
    void restartPacing(Clock::time_point now) {
        epoch = now;
        generatedSinceEpoch = 0;
    }
};

void DeviceSimulator::Impl::queue(const std::uint8_t* bytes, std::size_t n) {
    pending.insert(pending.end(), bytes, bytes + n);
    queuedEnd += n;
}

void DeviceSimulator::Impl::queueSample() {
    std::uint16_t value;
    if (!cfg.fixedSequence.empty()) {
        value = cfg.fixedSequence[sequenceIndex];
        sequenceIndex = (sequenceIndex + 1) % cfg.fixedSequence.size();
    } else if (cfg.noiseMax > 0) {
        value =
            static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, cfg.noiseMax)(rng));
    } else {
        value = signal.next();
    }

    SimStats added;
    if (cfg.junkRate > 0 && probability(cfg.junkRate)) {
        const int n = std::uniform_int_distribution<int>(1, 8)(rng);
        for (int i = 0; i < n; ++i) {
            const std::uint8_t b = junkByte();
            queue(&b, 1);
        }
        added.junkBytes = static_cast<std::uint64_t>(n);
    }
    if (cfg.badCheckRate > 0 && probability(cfg.badCheckRate)) {
        // A corrupted frame whose payload and check avoid 0xF0, so no byte of it can be
        // mistaken for the start of a following frame.
        auto bad = sampleFrame(static_cast<std::uint16_t>(junkByte() << 8 | junkByte()));
        std::uint8_t wrong = junkByte();
        while (wrong == bad[4]) wrong = junkByte();
        bad[4] = wrong;
        queue(bad.data(), bad.size());
        added.badFrames = 1;
    }
    const auto frame = sampleFrame(value);
    if (cfg.splitRate > 0 && probability(cfg.splitRate)) {
        const int at = std::uniform_int_distribution<int>(1, 4)(rng);
        cuts.push_back(queuedEnd + static_cast<std::uint64_t>(at));
    }
    queue(frame.data(), frame.size());
    sampleEnds.push_back(queuedEnd);

    if (added.junkBytes || added.badFrames) {
        std::lock_guard lock(mutex);
        stats.junkBytes += added.junkBytes;
        stats.badFrames += added.badFrames;
    }
}

void DeviceSimulator::Impl::generateSamples(Clock::time_point now) {
    if (!isSampling.load() || hungUp) return;
    if (cfg.sampleRate <= 0) {
        if (pendingSize() < kUnthrottledLow)
            while (pendingSize() < kUnthrottledHigh) queueSample();
        return;
    }
    // A start command handled since `now` was read moves the epoch past it: nothing is due
    // yet (a negative count must never reach the unsigned conversion below).
    if (now <= epoch) return;
    const double elapsed = std::chrono::duration<double>(now - epoch).count();
    const auto due = static_cast<std::uint64_t>(elapsed * cfg.sampleRate);
    const auto burst = static_cast<std::uint64_t>(cfg.burst);
    if (pendingSize() > kMaxBacklog) {
        // The reader does not keep up: those samples are lost, as on a real line.
        generatedSinceEpoch = due;
        return;
    }
    // After a long stall (the thread not scheduled, the machine suspended) catch up by at
    // most one backlog's worth; the rest is lost.
    constexpr std::uint64_t maxCatchUp = kMaxBacklog / 5;
    if (due > generatedSinceEpoch + maxCatchUp + burst) generatedSinceEpoch = due - maxCatchUp;
    while (due >= generatedSinceEpoch + burst) {
        for (std::uint64_t i = 0; i < burst; ++i) queueSample();
        generatedSinceEpoch += burst;
    }
}

void DeviceSimulator::Impl::handleCommand(std::uint8_t type) {
    {
        std::lock_guard lock(mutex);
        ++stats.commands;
    }
    bool answered = true;
    switch (type) {
        case kTypeSample:
            if (!isSampling.exchange(true)) restartPacing(Clock::now());
            answered = false;
            break;
        case kTypeStop: {
            isSampling = false;
            const auto a = stopAnswer();
            queue(a.data(), a.size());
            break;
        }
        case kTypeDeviceNo: {
            const auto a = deviceNoFrame(cfg.deviceNo);
            queue(a.data(), a.size());
            break;
        }
        case kTypeDate: {
            const auto a = dateFrame(cfg.year, cfg.month, cfg.day);
            queue(a.data(), a.size());
            break;
        }
        default:
            answered = false;
    }
    if (answered) {
        std::lock_guard lock(mutex);
        ++stats.answers;
    }
}

void DeviceSimulator::Impl::handleInput() {
    std::uint8_t buf[512];
    for (;;) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) return;  // EAGAIN, or EIO when the slave just closed (poll reports it next)
        {
            std::lock_guard lock(mutex);
            received.insert(received.end(), buf, buf + n);
        }
        for (std::uint8_t type : scanner.feed(buf, static_cast<std::size_t>(n)))
            handleCommand(type);
    }
}

void DeviceSimulator::Impl::dropPending() {
    pending.clear();
    pendingOffset = 0;
    written = queuedEnd;
    cuts.clear();
    sampleEnds.clear();
    std::lock_guard lock(mutex);
    stats.samplesWaiting = 0;
}

void DeviceSimulator::Impl::discardUnread() {
    // Flushing through the master does not reach bytes the slave's line discipline already
    // holds; flushing the slave's input does. The slave is opened only for that moment.
    const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;  // the program is opening it again right now; nothing to do
    ::tcflush(fd, TCIFLUSH);
    ::close(fd);
}

void DeviceSimulator::Impl::writePending(Clock::time_point now) {
    std::uint64_t delivered = 0, split = 0;
    // The rest of a split frame waits for a later pass.
    if (now >= holdUntil) {
        // One pass splits at most one frame, the last one drawn for it: the frames before it
        // go out whole with everything else, so splitting never holds back more than a few
        // bytes and the stream keeps its pace however many frames are drawn.
        while (cuts.size() > 1) cuts.pop_front();
        while (pendingSize() > 0) {
            std::size_t n = pendingSize();
            if (!cuts.empty()) n = static_cast<std::size_t>(cuts.front() - written);
            const ssize_t w = ::write(master, pending.data() + pendingOffset, n);
            if (w < 0) break;  // EAGAIN: the line is full; EIO: the slave closed
            pendingOffset += static_cast<std::size_t>(w);
            written += static_cast<std::uint64_t>(w);
            while (!sampleEnds.empty() && sampleEnds.front() <= written) {
                sampleEnds.pop_front();
                ++delivered;
            }
            if (!cuts.empty() && cuts.front() == written) {
                cuts.pop_front();
                ++split;
                holdUntil = now + kSplitGap;
                break;
            }
            if (static_cast<std::size_t>(w) < n) break;
        }
    }
    if (pendingSize() == 0) {
        pending.clear();
        pendingOffset = 0;
    } else if (pendingOffset > 65536) {
        pending.erase(pending.begin(),
                      pending.begin() + static_cast<std::ptrdiff_t>(pendingOffset));
        pendingOffset = 0;
    }
    std::lock_guard lock(mutex);
    stats.samples += delivered;
    stats.splitFrames += split;
    stats.samplesWaiting = sampleEnds.size();
}

void DeviceSimulator::Impl::run() {
    restartPacing(Clock::now());
    while (!quit.load()) {
        auto now = Clock::now();
        generateSamples(now);

        // Work out how long to sleep: until the next group of samples is due, the rest of a
        // split frame may go, or the hang-up recheck.
        int timeoutMs = -1;
        auto wakeAt = [&](Clock::time_point t) {
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(t - now).count();
            const int v = static_cast<int>(std::clamp<long long>(ms, 0, 1000));
            timeoutMs = timeoutMs < 0 ? v : std::min(timeoutMs, v);
        };
        if (hungUp) {
            timeoutMs = kHangupRecheckMs;
        } else {
            if (isSampling.load() && cfg.sampleRate > 0) {
                const double next = static_cast<double>(generatedSinceEpoch +
                                                        static_cast<std::uint64_t>(cfg.burst)) /
                                    cfg.sampleRate;
                wakeAt(epoch + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(next)));
            }
            if (pendingSize() > 0 && holdUntil > now) wakeAt(holdUntil);
        }

        pollfd fds[2] = {{wake[0], POLLIN, 0}, {master, 0, 0}};
        nfds_t count = 1;
        if (!hungUp) {
            fds[1].events = POLLIN;
            if (pendingSize() > 0 && holdUntil <= now) fds[1].events |= POLLOUT;
            count = 2;
        }
        const int r = ::poll(fds, count, timeoutMs);
        if (r < 0 && errno != EINTR) break;
        if (quit.load()) break;
        {
            std::lock_guard lock(mutex);
            ++stats.wakeUps;
        }
        now = Clock::now();

        if (hungUp) {
            // Is someone holding the slave again?
            pollfd probe{master, POLLIN, 0};
            if (::poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLHUP)) {
                hungUp = false;
                // Paced from the moment the port is seen open: `now` was read before the
                // probe, and on a busy machine the thread may have waited long in between,
                // which must not count as time the port was open.
                restartPacing(Clock::now());
            }
            continue;
        }
        if (fds[1].revents & POLLHUP) {
            // The program closed the port: what was queued is lost, including anything the
            // kernel still holds unread for the slave, so a later opening starts on a quiet
            // line as with a real port.
            hungUp = true;
            dropPending();
            discardUnread();
            std::lock_guard lock(mutex);
            ++stats.hangUps;
            continue;
        }
        if (fds[1].revents & POLLIN) handleInput();
        generateSamples(now);
        writePending(now);
    }
}

DeviceSimulator::DeviceSimulator(SimConfig config) : d(std::make_unique<Impl>(std::move(config))) {}

DeviceSimulator::~DeviceSimulator() { stop(); }

bool DeviceSimulator::start(std::string* error) {
    if (d->isRunning.load() || d->master >= 0) {
        setError(error, "the simulator is already running");
        return false;
    }
    const int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m < 0) {
        setError(error, errnoText("posix_openpt"));
        return false;
    }
    auto fail = [&](const char* what) {
        setError(error, errnoText(what));
        ::close(m);
        return false;
    };
    if (::grantpt(m) != 0) return fail("grantpt");
    if (::unlockpt(m) != 0) return fail("unlockpt");
    char name[128];
    if (::ptsname_r(m, name, sizeof name) != 0) return fail("ptsname_r");
    struct stat slaveStat {};
    if (::stat(name, &slaveStat) != 0) return fail("stat of the pty slave");
    // Raw mode on the line (termios of the master apply to the slave): no echo, no line
    // editing, no translation of CR/LF, so 0xF0 and every other byte pass untouched.
    termios t{};
    if (::tcgetattr(m, &t) != 0) return fail("tcgetattr");
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B57600);
    ::cfsetospeed(&t, B57600);
    if (::tcsetattr(m, TCSANOW, &t) != 0) return fail("tcsetattr");
    int p[2];
    if (::pipe2(p, O_CLOEXEC | O_NONBLOCK) != 0) return fail("pipe2");

    d->dropPending();
    d->scanner = CommandScanner();
    d->master = m;
    d->wake[0] = p[0];
    d->wake[1] = p[1];
    d->slave = name;
    d->slaveDevice = slaveStat.st_rdev;
    d->quit = false;
    d->hungUp = false;
    d->isRunning = true;
    d->thread = std::thread([impl = d.get()] { impl->run(); });
    return true;
}

std::string DeviceSimulator::slavePath() const {
    return d->isRunning.load() ? d->slave : std::string();
}

bool DeviceSimulator::makeLink(const std::string& linkPath, std::string* error) {
    namespace fs = std::filesystem;
    if (!d->isRunning.load()) {
        setError(error, "the simulator is not running");
        return false;
    }
    std::error_code ec;
    const fs::path path(linkPath);
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    if (ec) {
        setError(error, "cannot create " + path.parent_path().string() + ": " + ec.message());
        return false;
    }
    // symlink() never replaces anything, so if another simulator makes the link between the
    // look and the making, the making fails and the new link is judged again. (Two simulators
    // replacing the same stale link at the same moment may both succeed; the later link
    // stays, and the other simulator leaves it alone when it ends.)
    for (int attempt = 0;; ++attempt) {
        switch (linkState(linkPath, d->slaveDevice)) {
            case LinkState::NotALink:
                setError(error, linkPath + " exists and is not a symbolic link; not replacing it");
                return false;
            case LinkState::Live:
                setError(error, linkPath + " is in use: it leads to " + linkText(linkPath) +
                                    ", a device that exists (a running simulator's port or an "
                                    "adapter); not replacing it");
                return false;
            case LinkState::Unknown: {
                const std::string why = std::strerror(errno);
                setError(error, "cannot tell whether " + linkPath + " (leading to " +
                                    linkText(linkPath) + ") is in use: " + why +
                                    "; not replacing it");
                return false;
            }
            case LinkState::Ours:
                break;
            case LinkState::Stale:
                // Left behind by a simulator that ended without removing it.
                if (::unlink(linkPath.c_str()) != 0 && errno != ENOENT) {
                    setError(error, errnoText(("cannot remove " + linkPath).c_str()));
                    return false;
                }
                [[fallthrough]];
            case LinkState::None:
                if (::symlink(d->slave.c_str(), linkPath.c_str()) == 0) break;
                if (errno == EEXIST && attempt < 3) continue;
                setError(error, errnoText(("cannot link " + linkPath).c_str()));
                return false;
        }
        break;
    }
    if (d->link != linkPath) d->removeOwnLink();
    d->link = linkPath;
    return true;
}

void DeviceSimulator::Impl::removeOwnLink() {
    // Another simulator may have taken the name since (after the link was removed by hand, or
    // replaced it); its link stays.
    if (!link.empty() && linkState(link, slaveDevice) == LinkState::Ours) ::unlink(link.c_str());
    link.clear();
}

void DeviceSimulator::stop() {
    if (d->thread.joinable()) {
        d->quit = true;
        const char c = 1;
        [[maybe_unused]] const ssize_t w = ::write(d->wake[1], &c, 1);
        d->thread.join();
    }
    // Before the master closes: while it is open no other pty can have our slave's number,
    // so a link to that number is surely ours.
    d->removeOwnLink();
    for (int* fd : {&d->master, &d->wake[0], &d->wake[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    d->isRunning = false;
    d->isSampling = false;
}

bool DeviceSimulator::running() const { return d->isRunning.load(); }

bool DeviceSimulator::sampling() const { return d->isSampling.load(); }

std::uint64_t DeviceSimulator::samplesSent() const {
    std::lock_guard lock(d->mutex);
    return d->stats.samples;
}

SimStats DeviceSimulator::stats() const {
    std::lock_guard lock(d->mutex);
    return d->stats;
}

std::vector<std::uint8_t> DeviceSimulator::receivedBytes() const {
    std::lock_guard lock(d->mutex);
    return d->received;
}

std::string portLinkPath(int portNumber) {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/velmora/ports/COM" + std::to_string(portNumber);
}

}  // namespace velmora::sim
