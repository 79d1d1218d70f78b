// The device simulator on a real pseudo-terminal, as the program's end of the line sees it,
// and velmora-sim as a process.
#include "tools/sim/devicesimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora::sim;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

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
            skipped += len == 1;
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

// The program's end of the line: the slave, non-blocking, in the raw mode the simulator set.
struct Line {
    int fd = -1;
    Bytes in;                           // everything read
    std::vector<std::size_t> readEnds;  // how much was read in all after each read
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
            if (n > 0) in.insert(in.end(), buf, buf + n), readEnds.push_back(in.size());
        }
        return true;
    }
    std::size_t readFor(std::chrono::milliseconds time) {  // how many bytes arrive in that time
        const std::size_t had = in.size();
        readUntil([](const Bytes&) { return false; }, time);
        return in.size() - had;
    }
    bool aFrameCameInTwoReads() const {
        return std::ranges::any_of(Decoded(in).sampleStarts, [&](std::size_t start) {
            const auto end = std::upper_bound(readEnds.begin(), readEnds.end(), start);
            return end != readEnds.end() && *end < start + 5;
        });
    }
};

// Where a link leads, or empty if there is no link.
std::string linkTarget(const fs::path& link) {
    std::error_code ec;
    return fs::read_symlink(link, ec).string();
}

class Simulator : public ::testing::Test {
protected:
    // A folder for port links, unique to this process so that test runs side by side never
    // share a link.
    const fs::path links =
        fs::path(::testing::TempDir()) / ("velmora-sim-links-" + std::to_string(getpid()));
    void SetUp() override { fs::remove_all(links), fs::create_directories(links); }
    void TearDown() override { fs::remove_all(links); }
    void start(SimConfig cfg) {
        sim = std::make_unique<DeviceSimulator>(std::move(cfg));
        line.in.clear(), line.readEnds.clear();
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(line.open(sim->slavePath()));
    }
    // Stops the stream and reads up to the stop answer.
    void stopStream() {
        ASSERT_TRUE(line.send(kStop) && line.readUntil([](const Bytes& b) {
            return b.size() > 3 && std::equal(kStop.begin(), kStop.end(), b.end() - 3);
        })) << "the stop answer comes last";
    }
    std::unique_ptr<DeviceSimulator> sim;
    Line line;
};

// Paced, paced so fast that a start lands right after the thread read its clock, and
// unthrottled, three rounds each: every value arrives, also those that look like syncs or flow
// control; nothing after the stop answer; the cycle goes on where it stopped; a paced stream
// never runs ahead of its rate.
TEST_F(Simulator, StreamsTheFixedSequenceBetweenStartAndStop) {
    Values cycle{1, 0xF0C0, 0xFFFF, 0, 0x0D0A, 0x1100, 0x1300};
    for (std::uint16_t v = 2; v < 1002; ++v) cycle.push_back(v);
    for (const double rate : {2000.0, 1e6, 0.0}) {
        start({.sampleRate = rate, .fixedSequence = cycle});
        for (int round = 0; round < 3; ++round) {
            const std::size_t had = Decoded(line.in).samples.size();
            const auto t0 = std::chrono::steady_clock::now();
            ASSERT_TRUE(line.send(kStart));
            ASSERT_TRUE(line.readUntil(samplesAtLeast(had + (rate == 2000 ? 60 : 2000))));
            ASSERT_NO_FATAL_FAILURE(stopStream());
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
            if (rate > 0) {
                EXPECT_LE(Decoded(line.in).samples.size(), had + took.count() * rate + 1);
            }
            EXPECT_EQ(line.readFor(40ms), 0u) << "after the stop answer, rate " << rate;
        }
        const Decoded d(line.in);
        EXPECT_EQ(d.skipped, 0u) << rate;
        EXPECT_TRUE(followsCycle(d.samples, cycle)) << rate;
        EXPECT_EQ(sim->samplesSent(), d.samples.size());
    }
}

// At 2,000 samples/s with faults injected: a corrupted frame costs its five bytes, junk its own
// bytes, and neither costs a good frame; some frames arrive in two reads; an answer asked for
// meanwhile comes through intact; after 3,000 frames there are moments when next to nothing
// waits to go out (a simulator that stalls on each split falls behind with every one).
TEST_F(Simulator, InjectedFaultsSpareTheGoodFramesTheAnswersAndThePace) {
    const Values cycle{100, 200, 300, 0xF0F0, 500};
    start({.sampleRate = 2000,
           .fixedSequence = cycle,
           .badCheckRate = .3,
           .junkRate = .3,
           .splitRate = .2});
    ASSERT_TRUE(line.send(kStart));
    ASSERT_TRUE(line.readUntil([&](const Bytes&) { return sim->samplesSent() >= 1000; }));
    ASSERT_TRUE(line.send({0xF0, 0xC2, 0xB2}));
    const Bytes answer{0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD, 0x70};
    EXPECT_TRUE(line.readUntil([&](const Bytes& b) {
        return std::search(b.begin(), b.end(), answer.begin(), answer.end()) != b.end();
    })) << "no device-number answer";
    EXPECT_TRUE(line.readUntil([&](const Bytes&) {
        const SimStats s = sim->stats();
        return s.samples >= 3000 && s.samplesWaiting < 50;
    })) << "behind by "
        << sim->stats().samplesWaiting << " frames";
    // Whether a split frame reaches the reader in two reads depends on when the reader wakes.
    EXPECT_TRUE(line.readUntil([&](const Bytes&) { return line.aFrameCameInTwoReads(); }))
        << "no frame came in two reads";
    ASSERT_NO_FATAL_FAILURE(stopStream());
    const Decoded d(line.in);
    const SimStats st = sim->stats();
    EXPECT_TRUE(followsCycle(d.samples, cycle)) << "a fault cost a good frame";
    EXPECT_EQ(d.badChecks, st.badFrames);
    EXPECT_EQ(d.skipped, st.junkBytes + 5 * st.badFrames);
    EXPECT_GT(st.badFrames, d.samples.size() / 10);
    EXPECT_GT(st.junkBytes, d.samples.size() / 10);

    // A reader waking even a few times a second at 200/s takes whole writes, never a full tty
    // buffer (4 KB) that could end inside one.
    start({.fixedSequence = cycle, .burst = 25});
    ASSERT_TRUE(line.send(kStart) && line.readUntil(samplesAtLeast(100)));
    for (std::size_t end : line.readEnds) EXPECT_EQ(end % (25 * 5), 0u) << "bursts of 25 frames";
}

// The port closed with about a kilobyte unread and reopened, then the simulator stopped.
TEST_F(Simulator, PortReopensOnAQuietLineAndStopHangsUp) {
    start({.sampleRate = 2000, .fixedSequence = {10, 20, 30}});
    ASSERT_TRUE(line.send(kStart));
    std::this_thread::sleep_for(100ms);
    const SimStats before = sim->stats();
    ::close(std::exchange(line.fd, -1));
    // A closed line is rechecked a few times in 300 ms; a spinning loop wakes thousands of times.
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(sim->stats().wakeUps - before.wakeUps, 100u);
    // The simulator must see the close before the reopening, or there is nothing to discard.
    ASSERT_TRUE(waitFor([&] { return sim->stats().hangUps > before.hangUps; }));
    const auto reopened = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.open(sim->slavePath()));
    const std::size_t first = line.readFor(5ms);
    // Sampled since the reopening, give or take a frame; not the kilobyte left unread.
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - reopened;
    EXPECT_LE(first, 5 * std::size_t(since.count() * 2000 + 2)) << "bytes from before the close";
    ASSERT_TRUE(line.readUntil(samplesAtLeast(50)));
    const Decoded d(line.in);
    EXPECT_EQ(d.skipped, 0u);
    EXPECT_TRUE(followsCycle(d.samples, {10, 20, 30}, d.samples[0] / 10 - 1u));
    sim->stop();
    pollfd p{line.fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 20000), 1);
    EXPECT_TRUE(p.revents & POLLHUP) << "the reader sees a hang-up";
}

// A simulator whose link was removed by hand and taken by another leaves it there when it moves
// its own link elsewhere; stopping, it removes the link that still leads to it.
TEST_F(Simulator, RemovesOnlyALinkThatLeadsToItsOwnPort) {
    start({});
    DeviceSimulator other;
    ASSERT_TRUE(other.start());
    ASSERT_TRUE(sim->makeLink(links / "COM1"));
    fs::remove(links / "COM1");
    ASSERT_TRUE(other.makeLink(links / "COM1"));
    ASSERT_TRUE(sim->makeLink(links / "COM2"));
    EXPECT_EQ(linkTarget(links / "COM1"), other.slavePath());
    sim->stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(links / "COM2")));
}

// velmora-sim as a child process, killed if a test leaves early.
struct Program {
    pid_t pid;
    explicit Program(std::vector<const char*> args, const char* errorFile = nullptr) {
        args.insert(args.begin(), VELMORA_SIM_PROGRAM);
        args.push_back(nullptr);
        if ((pid = ::fork()) == 0) {
            if (errorFile) ::dup2(::open(errorFile, O_WRONLY | O_CREAT, 0600), STDERR_FILENO);
            ::execv(args[0], const_cast<char* const*>(args.data()));
            ::_exit(127);
        }
    }
    ~Program() {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
    }
    int exitCode() {
        int status = 0;
        const bool ended = ::waitpid(std::exchange(pid, -1), &status, 0) > 0;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

// The program replaces a stale link and serves through it with the options given. Junk, a
// doubled sync, a command in two writes, a wrong check, an unknown type and a start cut short
// by the next command: it answers the two read commands only. A second program refuses the live
// link and exits 1, saying why; the first, stopped by Ctrl+C after its link was taken over,
// leaves the new owner's link. A bad option exits 2.
TEST_F(Simulator, ProgramServesThroughAStaleLinkAndKeepsOffALiveOne) {
    const fs::path link = links / "COM1";
    fs::create_symlink("/velmora-no-such-device", link);
    Program first({"--link", link.c_str(), "--device-no", "DEADBEEF", "--date", "1999-5-7",
                   "--sequence", "4660", "--seconds", "60", "-q"});
    ASSERT_TRUE(waitFor([&] { return fs::exists(link); }));
    const std::string firstPort = linkTarget(link);
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

    const fs::path errors = links / "errors.txt";
    EXPECT_EQ(Program({"--link", link.c_str(), "--seconds", "5", "-q"}, errors.c_str()).exitCode(),
              1);
    std::ifstream errorFile(errors);
    const std::string message(std::istreambuf_iterator<char>(errorFile), {});
    EXPECT_NE(message.find("in use"), std::string::npos) << message;
    EXPECT_EQ(linkTarget(link), firstPort);

    fs::remove(link);
    DeviceSimulator taker;
    ASSERT_TRUE(taker.start());
    ASSERT_TRUE(taker.makeLink(link));
    ASSERT_EQ(::kill(first.pid, SIGINT), 0);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(linkTarget(link), taker.slavePath());
    EXPECT_EQ(Program({"--rate", "fast"}).exitCode(), 2);
}

}  // namespace

TEST_F(Simulator, NoiseSpreadsFromZeroToItsLargestValue) {
    start({.sampleRate = 0, .fixedSequence = {}, .noiseMax = 2400});
    ASSERT_TRUE(line.send(kStart));
    ASSERT_TRUE(line.readUntil(samplesAtLeast(3000)));
    ASSERT_NO_FATAL_FAILURE(stopStream());
    const Values s = Decoded(line.in).samples;
    const auto [low, high] = std::minmax_element(s.begin(), s.end());
    EXPECT_LT(*low, 100);
    EXPECT_GT(*high, 2300);
    EXPECT_LE(*high, 2400);
}
