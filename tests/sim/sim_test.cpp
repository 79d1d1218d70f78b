// The device simulator on a real pseudo-terminal, as the program's end of the line sees it,
// and velmora-sim as a process.
#include "tools/sim/commandscanner.h"
#include "tools/sim/devicesimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora::sim;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<std::uint16_t>;
const Bytes kStart{0xF0, 0xC0, 0xB0}, kStop{0xF0, 0xC1, 0xB1};

// The line read as the program's parser does: F0 C0 opens 5 bytes, F0 C1 3 (no check),
// F0 C2/C3 7; a wrong check or any other byte is skipped alone.
struct Decoded {
    Values samples;
    std::vector<std::size_t> sampleStarts;  // where each sample frame begins in the bytes
    std::size_t skipped = 0, badChecks = 0;
    explicit Decoded(const Bytes& b) {
        for (std::size_t i = 0, len = 1; i + 1 < b.size(); i += len) {
            const int type = b[i] == 0xF0 ? b[i + 1] : 0;
            len = type == 0xC0 ? 5 : type == 0xC1 ? 3 : type == 0xC2 || type == 0xC3 ? 7 : 1;
            if (i + len > b.size()) break;
            if (len > 3 && std::accumulate(&b[i], &b[i + len - 1], 0u) % 256 != b[i + len - 1])
                ++badChecks, len = 1;
            if (len == 1) ++skipped;
            if (len == 5) samples.push_back(std::uint16_t(b[i + 2] << 8 | b[i + 3]));
            if (len == 5) sampleStarts.push_back(i);
        }
    }
};

auto samplesAtLeast(std::size_t n) {
    return [n](const Bytes& b) { return Decoded(b).samples.size() >= n; };
}

bool followsCycle(const Values& got, const Values& cycle, std::size_t first = 0) {
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != cycle[(first + i) % cycle.size()]) return false;
    return !got.empty();
}

// Checks cond every few milliseconds until it holds; false if it does not within the time.
template <class Cond>
bool waitFor(Cond cond, std::chrono::milliseconds timeout = 20s) {
    for (const auto end = std::chrono::steady_clock::now() + timeout; !cond();
         std::this_thread::sleep_for(5ms))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

bool contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

// The program's end of the line: the slave, non-blocking, in the raw mode the simulator set.
struct Line {
    int fd = -1;
    Bytes in;                         // everything read
    std::vector<std::size_t> chunks;  // the size of every read
    ~Line() { ::close(fd); }
    bool open(const std::string& path) {
        ::close(fd);
        return (fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) >= 0;
    }
    bool send(const Bytes& b) { return ::write(fd, b.data(), b.size()) == ssize_t(b.size()); }
    // Reads until done(in) holds; false on timeout or hang-up.
    template <class Done>
    bool readUntil(Done done, std::chrono::milliseconds timeout = 20s) {
        for (const auto end = std::chrono::steady_clock::now() + timeout; !done(in);) {
            pollfd p{fd, POLLIN, 0};
            if (std::chrono::steady_clock::now() > end || ::poll(&p, 1, 10) < 0) return false;
            std::uint8_t buf[4096];
            const ssize_t n = p.revents & (POLLHUP | POLLERR) ? 0 : ::read(fd, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno == EIO)) return false;
            if (n > 0) in.insert(in.end(), buf, buf + n), chunks.push_back(std::size_t(n));
        }
        return true;
    }
    Bytes readFor(std::chrono::milliseconds time) {  // what arrives in that time
        const std::size_t had = in.size();
        readUntil([](const Bytes&) { return false; }, time);
        return Bytes(in.begin() + long(had), in.end());
    }
    // Sample frames whose bytes came in more than one read.
    std::size_t framesAcrossReads() const {
        std::vector<std::size_t> ends(chunks.size());
        std::partial_sum(chunks.begin(), chunks.end(), ends.begin());
        std::size_t n = 0;
        for (const std::size_t start : Decoded(in).sampleStarts) {
            const auto end = std::upper_bound(ends.begin(), ends.end(), start);
            n += end != ends.end() && *end < start + 5;
        }
        return n;
    }
};

class Simulator : public ::testing::Test {
protected:
    void start(SimConfig cfg) {
        sim = std::make_unique<DeviceSimulator>(std::move(cfg));
        line.in.clear(), line.chunks.clear();
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(line.open(sim->slavePath()));
    }
    // Starts the stream, reads until enough(bytes read) holds, stops it and reads up to the
    // stop answer.
    template <class Enough>
    void stream(Enough enough) {
        ASSERT_TRUE(line.send(kStart) && line.readUntil(enough));
        ASSERT_TRUE(line.send(kStop) && line.readUntil([](const Bytes& b) {
            return b.size() > 3 && std::equal(kStop.begin(), kStop.end(), b.end() - 3);
        })) << "the stop answer comes last";
    }
    std::unique_ptr<DeviceSimulator> sim;
    Line line;
};

// Paced, paced so fast that a start lands right after the thread read its clock (no huge
// backlog from that), and unthrottled, three rounds each: every value arrives, also those
// that look like syncs or flow control; nothing after the stop answer; the cycle goes on
// where it stopped; a paced stream never runs ahead of its rate.
TEST_F(Simulator, StreamsTheFixedSequenceBetweenStartAndStop) {
    Values cycle{1, 0xF0C0, 0xFFFF, 0, 0x0D0A, 0x1100, 0x1300};
    for (std::uint16_t v = 2; v < 1002; ++v) cycle.push_back(v);
    for (const double rate : {2000.0, 1e6, 0.0}) {
        start({.sampleRate = rate, .fixedSequence = cycle});
        for (int round = 0; round < 3; ++round) {
            const std::size_t had = Decoded(line.in).samples.size();
            const auto t0 = std::chrono::steady_clock::now();
            ASSERT_NO_FATAL_FAILURE(stream(samplesAtLeast(had + (rate == 2000 ? 60 : 2000))))
                << rate;
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
            if (rate > 0) {
                EXPECT_LE(Decoded(line.in).samples.size(), had + took.count() * rate + 1);
            }
            EXPECT_TRUE(line.readFor(40ms).empty()) << "after the stop answer, rate " << rate;
        }
        const Decoded d(line.in);
        EXPECT_EQ(d.skipped, 0u) << rate;
        EXPECT_EQ(d.badChecks, 0u) << rate;
        EXPECT_TRUE(followsCycle(d.samples, cycle)) << rate;
        EXPECT_EQ(sim->samplesSent(), d.samples.size());
    }
}

TEST_F(Simulator, InjectedFaultsAppearAsConfiguredAndSpareTheGoodFrames) {
    const Values cycle{100, 200, 300, 0xF0F0, 500};
    start({.fixedSequence = cycle, .badCheckRate = .3, .junkRate = .3, .splitRate = 1});  // 200/s
    // Whether a split frame reaches the reader in two reads depends on when the reader wakes;
    // with every frame split, some must.
    ASSERT_NO_FATAL_FAILURE(stream([&](const Bytes& b) {
        return Decoded(b).samples.size() >= 100 && line.framesAcrossReads() > 0;
    })) << "no frame came in two reads";
    const Decoded d(line.in);
    const SimStats st = sim->stats();
    EXPECT_TRUE(followsCycle(d.samples, cycle)) << "a fault cost a good frame";
    // A corrupted frame costs its five bytes, junk its own bytes, nothing else is skipped.
    EXPECT_EQ(d.badChecks, st.badFrames);
    EXPECT_EQ(d.skipped, st.junkBytes + 5 * st.badFrames);
    EXPECT_GT(st.badFrames, d.samples.size() / 10);
    EXPECT_GT(st.junkBytes, d.samples.size() / 10);

    // At 200/s a reader that wakes even only a few times a second takes whole writes, never a
    // full tty buffer (4 KB) that could end inside one.
    start({.fixedSequence = cycle, .burst = 25});
    ASSERT_TRUE(line.send(kStart) && line.readUntil(samplesAtLeast(100)));
    for (std::size_t n : line.chunks) EXPECT_EQ(n % (25 * 5), 0u) << "bursts of 25 frames: " << n;
}

// At 2,000 samples/s with a fifth of the frames split the simulator keeps its pace: after
// 3,000 frames there are moments when next to nothing waits to go out (a simulator that
// stalls on every split falls further behind with each one and never gets there again), and
// an answer asked for in the middle of the stream comes through intact.
TEST_F(Simulator, SplitFramesHoldUpNeitherTheStreamNorAnswers) {
    start({.sampleRate = 2000, .fixedSequence = {100, 200, 300}, .splitRate = 0.2});
    ASSERT_TRUE(line.send(kStart));
    ASSERT_TRUE(line.readUntil([&](const Bytes&) { return sim->samplesSent() >= 1000; }));
    ASSERT_TRUE(line.send({0xF0, 0xC2, 0xB2}));
    const auto frame = deviceNoFrame(SimConfig().deviceNo);
    const Bytes answer(frame.begin(), frame.end());
    EXPECT_TRUE(line.readUntil([&](const Bytes& b) { return contains(b, answer); }))
        << "no device-number answer";
    EXPECT_TRUE(line.readUntil([&](const Bytes&) {
        const SimStats s = sim->stats();
        return s.samples >= 3000 && s.samplesWaiting < 50;
    })) << "behind by "
        << sim->stats().samplesWaiting << " frames";
    EXPECT_GT(sim->stats().splitFrames, 0u) << "no frame was split";
}

// The port closed with bytes unread and reopened, then the simulator stopped.
TEST_F(Simulator, PortReopensOnAQuietLineAndStopHangsUp) {
    start({.sampleRate = 2000, .fixedSequence = {10, 20, 30}});
    ASSERT_TRUE(line.send(kStart));
    std::this_thread::sleep_for(100ms);  // about a kilobyte left unread
    const std::uint64_t hangUps = sim->stats().hangUps;
    ::close(std::exchange(line.fd, -1));
    // With the port closed the device waits without spinning: a few rechecks of the line
    // in 300 ms, where a spinning loop would wake thousands of times.
    const std::uint64_t wakeUps = sim->stats().wakeUps;
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(sim->stats().wakeUps - wakeUps, 100u);
    // However late the simulator's thread gets the CPU, it must see the close before the
    // reopening; otherwise there is nothing to discard.
    ASSERT_TRUE(waitFor([&] { return sim->stats().hangUps > hangUps; }));
    const auto reopened = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.open(sim->slavePath()));
    const std::size_t first = line.readFor(5ms).size();
    // Everything read was sampled since the reopening (give or take a frame); the bytes left
    // unread at the close would be about a kilobyte more.
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - reopened;
    EXPECT_LE(first, 5 * std::size_t(since.count() * 2000 + 2)) << "bytes from before the close";
    ASSERT_TRUE(line.readUntil(samplesAtLeast(50)));
    const Decoded d(line.in);
    EXPECT_EQ(d.badChecks, 0u);
    EXPECT_TRUE(followsCycle(d.samples, {10, 20, 30}, d.samples[0] / 10 - 1u));
    sim->stop();
    pollfd p{line.fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 20000), 1);
    EXPECT_TRUE(p.revents & POLLHUP) << "the reader sees a hang-up";
}

namespace fs = std::filesystem;

// A folder of port links for one test, unique to this process so that test runs side by side
// never share a link.
struct LinkFolder {
    fs::path dir =
        fs::path(::testing::TempDir()) / ("velmora-sim-links-" + std::to_string(::getpid()));
    LinkFolder() {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~LinkFolder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path operator/(const char* name) const { return dir / name; }
};

// Where a link leads, or empty if there is no link.
std::string linkTarget(const fs::path& link) {
    std::error_code ec;
    return fs::read_symlink(link, ec).string();
}

// A second simulator keeps off a link to a port a simulator holds, and takes over one whose
// port is gone.
TEST_F(Simulator, TakesNoLinkToALivePortButReplacesAStaleOne) {
    const LinkFolder links;
    start({});
    ASSERT_TRUE(sim->makeLink(links / "COM1"));
    DeviceSimulator second;
    ASSERT_TRUE(second.start());
    std::string error;
    EXPECT_FALSE(second.makeLink(links / "COM1", &error));
    EXPECT_EQ(linkTarget(links / "COM1"), sim->slavePath()) << "the link was taken";
    EXPECT_NE(error.find((links / "COM1").string()), std::string::npos) << error;

    // A link left behind by a simulator that ended without removing it: its pty is gone.
    DeviceSimulator ended;
    ASSERT_TRUE(ended.start());
    fs::create_symlink(ended.slavePath(), links / "COM2");
    ended.stop();
    EXPECT_TRUE(second.makeLink(links / "COM2", &error)) << error;
    EXPECT_EQ(linkTarget(links / "COM2"), second.slavePath());
}

// A simulator whose link another one took since (after removing it by hand) leaves that link
// alone when it moves its own to another name and when it is destroyed; the one whose link it
// is removes it when it stops.
TEST_F(Simulator, RemovesOnlyALinkThatLeadsToItsOwnPort) {
    const LinkFolder links;
    start({});
    DeviceSimulator second, third;
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(third.start());
    ASSERT_TRUE(sim->makeLink(links / "COM1"));
    fs::remove(links / "COM1");
    ASSERT_TRUE(second.makeLink(links / "COM1"));
    ASSERT_TRUE(sim->makeLink(links / "COM2"));
    EXPECT_EQ(linkTarget(links / "COM1"), second.slavePath()) << "moving its own link";

    fs::remove(links / "COM2");
    ASSERT_TRUE(third.makeLink(links / "COM2"));
    sim.reset();
    EXPECT_EQ(linkTarget(links / "COM2"), third.slavePath()) << "destroying the simulator";

    third.stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(links / "COM2"))) << "stopping the owner";
}

pid_t spawn(std::vector<const char*> argv, int errorFd = -1) {
    argv.insert(argv.begin(), VELMORA_SIM_PROGRAM);
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (errorFd >= 0) ::dup2(errorFd, STDERR_FILENO);
        ::execv(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    return pid;
}

int exitCode(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A program that a test leaves early is killed rather than left running.
struct Child {
    pid_t pid;
    ~Child() {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
    }
    int exitCode() { return ::exitCode(std::exchange(pid, -1)); }
};

// Waits for a program to make its link.
bool linkAppears(const fs::path& link) {
    return waitFor([&] { return fs::exists(link); });
}

// The program replaces a stale link and serves through it with the options given. Junk, a
// doubled sync, a command in two writes, a wrong check, an unknown type and a start cut short
// by the next command: it answers the two read commands only. On SIGTERM it removes the link;
// a bad option exits 2.
TEST(SimProgram, ServesThroughItsLinkAndRemovesItOnExit) {
    const LinkFolder links;
    const fs::path link = links / "COM1";
    fs::create_symlink("/velmora-no-such-device", link);
    Child program{spawn({"--link", link.c_str(), "--device-no", "DEADBEEF", "--date", "1999-5-7",
                         "--sequence", "4660", "--seconds", "20", "-q"})};
    ASSERT_TRUE(linkAppears(link));
    Line line;
    ASSERT_TRUE(line.open(link));
    ASSERT_TRUE(line.send({0x00, 0xF0, 0xF0, 0xC2}));
    std::this_thread::sleep_for(20ms);
    line.send({0xB2, 0xF0, 0xC0, 0xB1, 0xF0, 0xC4, 0xB4, 0xF0, 0xC0, 0xF0, 0xC3, 0xB3});
    const Bytes answers{0xF0, 0xC2, 0xDE, 0xAD, 0xBE, 0xEF, 0xEA,  //
                        0xF0, 0xC3, 0x07, 0xCF, 0x05, 0x07, 0x95};
    line.readUntil([&](const Bytes& b) { return b.size() >= answers.size(); });
    line.readFor(100ms);  // anything that should not be there
    EXPECT_EQ(line.in, answers);
    ASSERT_TRUE(line.send(kStart) && line.readUntil(samplesAtLeast(1)));
    EXPECT_EQ(Decoded(line.in).samples[0], 0x1234);
    ASSERT_EQ(::kill(program.pid, SIGTERM), 0);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(exitCode(spawn({"--rate", "fast"})), 2);
}

// A second program refuses a link held by a running one and exits 1, saying why; the running
// one, stopped by Ctrl+C after its link was taken over, leaves the new owner's link.
TEST(SimProgram, KeepsOffLinksOfOtherSimulators) {
    const LinkFolder links;
    const fs::path link = links / "COM1";
    Child first{spawn({"--link", link.c_str(), "--seconds", "60", "-q"})};
    ASSERT_TRUE(linkAppears(link));
    const std::string firstPort = linkTarget(link);

    int errorPipe[2];
    ASSERT_EQ(::pipe2(errorPipe, O_CLOEXEC), 0);
    Child second{spawn({"--link", link.c_str(), "--seconds", "5", "-q"}, errorPipe[1])};
    ::close(errorPipe[1]);
    EXPECT_EQ(second.exitCode(), 1);
    std::string message(4096, '\0');
    message.resize(std::size_t(std::max<ssize_t>(0, ::read(errorPipe[0], message.data(), 4096))));
    ::close(errorPipe[0]);
    EXPECT_NE(message.find("in use"), std::string::npos) << message;
    EXPECT_EQ(linkTarget(link), firstPort);

    fs::remove(link);
    DeviceSimulator taker;
    ASSERT_TRUE(taker.start());
    ASSERT_TRUE(taker.makeLink(link));
    ASSERT_EQ(::kill(first.pid, SIGINT), 0);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(linkTarget(link), taker.slavePath());
}

}  // namespace
