// The device simulator: its options, the simulator on a real pseudo-terminal as the program's
// end of the line sees it, and velmora-sim as a process.
#include "tools/sim/devicesimulator.h"
#include "tools/sim/simoptions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <sstream>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<std::uint16_t>;
const Bytes kStart{0xF0, 0xC0, 0xB0}, kStop{0xF0, 0xC1, 0xB1}, kDeviceNo{0xF0, 0xC2, 0xB2};
const Bytes kDeviceNoAnswer{0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD, 0x70};

TEST(SimOptions, ParsesValuesAndRejectsBadOnesNamingTheOption) {
    std::string error;
    const auto o = parseSimOptions({"--link", "COM2", "--device-no", "a1b2c3d4", "--date",
                                    "2020-02-29", "--sequence=0,0x1234"},
                                   &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->linkPath, portLinkPath(2));
    EXPECT_EQ(o->config.deviceNo, (std::array<std::uint8_t, 4>{0xA1, 0xB2, 0xC3, 0xD4}));
    EXPECT_TRUE(o->config.day == 29 && o->config.fixedSequence == Values({0, 0x1234}));
    for (const char* bad :
         {"--rate fast", "--rate", "--device-no 1234ABCG", "--date 2014/05/07", "--date 2014.256.1",
          "--sequence 1,", "--sequence 1,70000", "--split 1.5", "--burst 0", "--seed -1",
          "--seconds -2", "--link COM0", "--frobnicate"}) {
        std::istringstream words(bad);
        const std::vector<std::string> args(std::istream_iterator<std::string>(words), {});
        EXPECT_FALSE(parseSimOptions(args, &error)) << bad;
        EXPECT_NE(error.find(args[0]), std::string::npos) << error;
    }
}

// The program's end of the line: the slave opened non-blocking, in the raw mode the simulator set.
struct Line {
    int fd = -1;
    bool hungUp = false;
    std::vector<std::size_t> chunks;  // the size of every read
    ~Line() { close(); }
    void close() { ::close(std::exchange(fd, -1)); }
    bool open(const std::string& path) {
        close();
        hungUp = false;
        chunks.clear();
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return fd >= 0;
    }
    bool send(const Bytes& b) { return ::write(fd, b.data(), b.size()) == ssize_t(b.size()); }
    // Reads until done(bytes) holds; false on timeout or hang-up.
    bool readUntil(Bytes& in, const std::function<bool(const Bytes&)>& done,
                   std::chrono::milliseconds timeout = 3s) {
        for (const auto end = std::chrono::steady_clock::now() + timeout; !done(in);) {
            pollfd p{fd, POLLIN, 0};
            if (std::chrono::steady_clock::now() > end || ::poll(&p, 1, 10) < 0) return false;
            std::uint8_t buf[4096];
            const ssize_t n = p.revents & (POLLHUP | POLLERR) ? 0 : ::read(fd, buf, sizeof buf);
            if ((hungUp = n == 0 || (n < 0 && errno == EIO))) return false;
            if (n > 0) in.insert(in.end(), buf, buf + n);
            if (n > 0) chunks.push_back(std::size_t(n));
        }
        return true;
    }
    Bytes readFor(std::chrono::milliseconds time) {
        Bytes b;
        readUntil(
            b, [](const Bytes&) { return false; }, time);
        return b;
    }
};

struct Decoded {
    Values samples;
    std::vector<Bytes> answers;
    std::size_t skipped = 0, badChecks = 0;
};

// Decodes as the program's parser does: F0 opens a frame of 5 (C0), 3 (C1, no check) or 7
// (C2, C3) bytes; a wrong check drops only the F0. An incomplete frame at the end is left.
Decoded decode(const Bytes& b) {
    Decoded d;
    for (std::size_t i = 0; i < b.size();) {
        const int type = b[i] == 0xF0 && i + 1 < b.size() ? b[i + 1] : -1;
        std::size_t len = type == 0xC0 ? 5 : type == 0xC1 ? 3 : (type & 0xFE) == 0xC2 ? 7 : 0;
        if (b[i] == 0xF0 && (i + 1 == b.size() || i + len > b.size())) break;
        if (len > 3 && std::accumulate(&b[i], &b[i + len - 1], 0u) % 256 != b[i + len - 1]) {
            ++d.badChecks;
            len = 0;
        }
        if (len == 0) {
            ++d.skipped, ++i;
        } else if (type == 0xC0) {
            d.samples.push_back(std::uint16_t(b[i + 2] << 8 | b[i + 3]));
        } else {
            d.answers.emplace_back(b.begin() + long(i), b.begin() + long(i + len));
        }
        i += len;
    }
    return d;
}

auto samplesAtLeast(std::size_t n) {
    return [n](const Bytes& b) { return decode(b).samples.size() >= n; };
}

bool followsCycle(const Values& got, const Values& cycle, std::size_t first = 0) {
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != cycle[(first + i) % cycle.size()]) return false;
    return !got.empty();
}

class Simulator : public ::testing::Test {
protected:
    void start(SimConfig cfg) {
        sim = std::make_unique<DeviceSimulator>(std::move(cfg));
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        ASSERT_TRUE(line.open(sim->slavePath()));
    }
    // Starts the stream, reads up to n samples in all, stops it and reads up to the stop answer.
    void stream(std::size_t n, Bytes& in) {
        ASSERT_TRUE(line.send(kStart) && line.readUntil(in, samplesAtLeast(n), 10s));
        ASSERT_TRUE(line.send(kStop) && line.readUntil(in, [](const Bytes& b) {
            return b.size() > 3 && std::equal(kStop.begin(), kStop.end(), b.end() - 3);
        })) << "the stop answer comes last";
    }
    std::unique_ptr<DeviceSimulator> sim;
    Line line;
};

// Junk, a doubled sync, a command in two writes, a wrong check, an unknown type and a start
// cut short by the next command: the device answers the two read commands and starts nothing.
TEST_F(Simulator, AnswersReadCommandsAndResynchronisesOnBadInput) {
    start({.deviceNo = {0xDE, 0xAD, 0xBE, 0xEF}, .year = 1999, .fixedSequence = {}});
    Bytes sent{0x00, 0xF0, 0xF0, 0xC2}, in;
    const Bytes tail{0xB2, 0xF0, 0xC0, 0xB1, 0xF0, 0xC4, 0xB4, 0xF0, 0xC0, 0xF0, 0xC3, 0xB3};
    ASSERT_TRUE(line.send(sent));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(line.send(tail));
    ASSERT_TRUE(line.readUntil(in, [](const Bytes& b) { return b.size() >= 14; }));
    EXPECT_EQ(in, (Bytes{0xF0, 0xC2, 0xDE, 0xAD, 0xBE, 0xEF, 0xEA,  //
                         0xF0, 0xC3, 0x07, 0xCF, 0x05, 0x07, 0x95}));
    EXPECT_EQ(sim->receivedBytes().size(), sent.size() + tail.size());
    EXPECT_TRUE(line.readFor(50ms).empty()) << "nothing else, no stream";
}

// Three rounds of start and stop, paced, paced so fast that a start lands right after the
// thread read its clock (no huge backlog from that), and unthrottled: every value arrives,
// those that look like syncs, frame types and flow control too; the stop answer comes last;
// the cycle goes on where it stopped; a paced stream never runs ahead of its rate.
TEST_F(Simulator, StreamsTheFixedSequenceBetweenStartAndStop) {
    Values cycle(1000);
    std::iota(cycle.begin(), cycle.end(), 2);
    cycle.insert(cycle.end(), {1, 0xF0C0, 0xFFFF, 0, 0x0D0A, 0x1100, 0x1300});
    for (const double rate : {2000.0, 1e6, 0.0}) {
        start({.sampleRate = rate, .fixedSequence = cycle});
        Bytes in;
        for (int round = 0; round < 3; ++round) {
            const std::size_t before = decode(in).samples.size();
            const auto t0 = std::chrono::steady_clock::now();
            ASSERT_NO_FATAL_FAILURE(stream(before + (rate == 2000 ? 60 : 10000), in)) << rate;
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
            EXPECT_TRUE(!rate || decode(in).samples.size() - before <= took.count() * rate + 1);
            EXPECT_TRUE(line.readFor(40ms).empty()) << "after the stop answer, rate " << rate;
        }
        const Decoded d = decode(in);
        EXPECT_TRUE(d.skipped == 0 && d.badChecks == 0 && d.answers.size() == 3) << rate;
        EXPECT_TRUE(followsCycle(d.samples, cycle)) << rate;
        EXPECT_EQ(sim->samplesSent(), d.samples.size());
    }
}

TEST_F(Simulator, InjectedFaultsAppearAsConfiguredAndSpareTheGoodFrames) {
    const Values cycle{100, 200, 300, 0xF0F0, 500};
    start({.sampleRate = 1000, .fixedSequence = cycle, .badCheckRate = 0.3, .junkRate = 0.3});
    Bytes in;
    ASSERT_NO_FATAL_FAILURE(stream(150, in));
    Decoded d = decode(in);
    const SimStats st = sim->stats();
    EXPECT_TRUE(followsCycle(d.samples, cycle)) << "a fault cost a good frame";
    EXPECT_TRUE(d.samples.size() == st.samples && d.badChecks == st.badFrames);
    // A corrupted frame costs its five bytes, junk its own bytes, nothing else is skipped.
    EXPECT_EQ(d.skipped, st.junkBytes + 5 * st.badFrames);
    EXPECT_TRUE(st.badFrames > d.samples.size() / 10 && st.junkBytes > d.samples.size() / 10);

    // Every frame split: about two reads per frame instead of one.
    start({.sampleRate = 100, .fixedSequence = cycle, .splitRate = 1});
    in.clear();
    ASSERT_TRUE(line.send(kStart) && line.readUntil(in, samplesAtLeast(12)));
    EXPECT_GE(line.chunks.size(), decode(in).samples.size() * 3 / 2);

    // Bursts of 25 frames are written and read whole.
    start({.sampleRate = 1000, .fixedSequence = cycle, .burst = 25});
    in.clear();
    ASSERT_TRUE(line.send(kStart) && line.readUntil(in, samplesAtLeast(100)));
    for (std::size_t n : line.chunks) EXPECT_EQ(n % (25 * 5), 0u) << n;
}

// The port closed and reopened, then the simulator stopped (the open port sees it hang up)
// and started again.
TEST_F(Simulator, PortReopensOnAQuietLineAndStopHangsUp) {
    start({.sampleRate = 2000, .fixedSequence = {10, 20, 30}});
    Bytes in;
    ASSERT_TRUE(line.send(kStart) && line.readUntil(in, samplesAtLeast(5)));
    std::this_thread::sleep_for(100ms);  // about a kilobyte left unread
    line.close();
    // With the port closed the device keeps sampling and waits without spinning.
    const std::clock_t cpu = std::clock();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(double(std::clock() - cpu) / CLOCKS_PER_SEC, 0.1);
    ASSERT_TRUE(line.open(sim->slavePath()));
    EXPECT_LT(line.readFor(5ms).size(), 200u) << "bytes from before the close";
    in.clear();
    ASSERT_TRUE(line.readUntil(in, samplesAtLeast(50)));
    const Decoded d = decode(in);
    EXPECT_TRUE(d.badChecks == 0 && followsCycle(d.samples, {10, 20, 30}, d.samples[0] / 10 - 1u));

    sim->stop();
    line.readFor(2s);
    EXPECT_TRUE(line.hungUp && !sim->running() && sim->slavePath().empty());
    sim->stop();  // twice is harmless
    std::string error;
    ASSERT_TRUE(sim->start(&error)) << error;
    in.clear();
    ASSERT_TRUE(line.open(sim->slavePath()) && line.send(kDeviceNo) &&
                line.readUntil(in, [](const Bytes& b) { return b.size() >= 7; }));
    EXPECT_EQ(in, kDeviceNoAnswer) << "and no stream after the restart";
}

// Starts velmora-sim with the arguments.
pid_t spawnSim(std::vector<std::string> args) {
    args.insert(args.begin(), VELMORA_SIM_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

int exitCode(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The program replaces a stale link, serves through it, and on SIGTERM or its time limit
// hangs up and removes it; it leaves a file in the link's place alone; bad options exit 2.
TEST(SimProgram, ServesThroughItsLinkAndCleansUpOnExit) {
    const fs::path dir = fs::path(::testing::TempDir()) / "velmora-sim-program";
    const fs::path link = dir / "ports" / "COM1", file = dir / "COM4";
    fs::remove_all(dir);
    fs::create_directories(link.parent_path());
    fs::create_symlink("/dev/null", link);
    const pid_t pid = spawnSim({"--link", link, "--sequence", "4660", "--seconds", "20", "-q"});
    std::error_code ec;
    for (int i = 0; i < 300 && !fs::read_symlink(link, ec).string().starts_with("/dev/pts/"); ++i)
        std::this_thread::sleep_for(10ms);
    Line line;
    Bytes in;
    ASSERT_TRUE(line.open(link) && line.send(kStart) && line.readUntil(in, samplesAtLeast(1)));
    EXPECT_EQ(decode(in).samples[0], 0x1234);
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_EQ(exitCode(pid), 0);
    line.readFor(2s);
    EXPECT_TRUE(line.hungUp) << "the open port sees the device go away";
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

    EXPECT_EQ(exitCode(spawnSim({"--link", link, "--seconds", "0.2", "-q"})), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    std::ofstream(file) << "keep";
    EXPECT_EQ(exitCode(spawnSim({"--link", file, "--seconds", "0.2", "-q"})), 1);
    EXPECT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(exitCode(spawnSim({"--rate", "fast"})), 2);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace velmora::sim
