// The device simulator on a real pseudo-terminal, as the program's end of the line sees it,
// and velmora-sim as a process.
#include "tools/sim/devicesimulator.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <numeric>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace velmora::sim;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<std::uint16_t>;
using Clock = std::chrono::steady_clock;
const Bytes kStart{0xF0, 0xC0, 0xB0}, kStop{0xF0, 0xC1, 0xB1};

// The line read as the program's parser does: F0 C0 opens 5 bytes, F0 C1 3 (no check),
// F0 C2/C3 7; a wrong check or any other byte is skipped alone.
struct Decoded {
    Values samples;
    std::vector<std::size_t> starts;  // where each sample frame begins in the bytes
    std::size_t skipped = 0, badChecks = 0;
    explicit Decoded(const Bytes& b) {
        for (std::size_t i = 0, len = 1; i + 1 < b.size(); i += len) {
            const int type = b[i] == 0xF0 ? b[i + 1] : 0;
            len = type == 0xC0 ? 5 : type == 0xC1 ? 3 : type == 0xC2 || type == 0xC3 ? 7 : 1;
            if (i + len > b.size()) break;
            if (len > 3 && std::accumulate(&b[i], &b[i + len - 1], 0u) % 256 != b[i + len - 1])
                ++badChecks, len = 1;
            skipped += len == 1;
            if (len == 5) samples.push_back(b[i + 2] << 8 | b[i + 3]), starts.push_back(i);
        }
    }
    // True if the samples run through the cycle from its value at `first`.
    bool follow(const Values& cycle, std::size_t first = 0) const {
        for (std::size_t i = 0; i < samples.size(); ++i)
            if (samples[i] != cycle[(first + i) % cycle.size()]) return false;
        return !samples.empty();
    }
};

std::string linkTarget(const QString& link) {  // empty if there is no link
    std::error_code ec;
    return fs::read_symlink(link.toStdString(), ec).string();
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
    // Reads until done() holds (with no line open, only waits); false on timeout or hang-up.
    template <class Done>
    bool readUntil(Done done, std::chrono::milliseconds timeout = 20s) {
        for (const auto end = Clock::now() + timeout; !done();) {
            pollfd p{fd, POLLIN, 0};
            if (Clock::now() > end || ::poll(&p, 1, 10) < 0) return false;
            std::uint8_t buf[4096];
            const ssize_t n = p.revents & (POLLHUP | POLLERR) ? 0 : ::read(fd, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno == EIO)) return false;
            if (n > 0) in.insert(in.end(), buf, buf + n), readEnds.push_back(in.size());
        }
        return true;
    }
    std::size_t readFor(std::chrono::milliseconds time) {  // bytes that arrive in that time
        const std::size_t had = in.size();
        readUntil([] { return false; }, time);
        return in.size() - had;
    }
    std::size_t samples() const { return Decoded(in).samples.size(); }
    bool endsWith(const Bytes& b) const {
        return in.size() > b.size() && std::equal(b.rbegin(), b.rend(), in.rbegin());
    }
};

struct Simulator : ::testing::Test {
    void start(SimConfig cfg) {
        sim = std::make_unique<DeviceSimulator>(std::move(cfg));
        line.in.clear(), line.readEnds.clear();
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(line.open(sim->slavePath()));
    }
    std::unique_ptr<DeviceSimulator> sim;
    Line line;
};

// Paced, paced so fast that a start lands right after the thread read its clock, unthrottled,
// and paced with faults, three rounds each: every value arrives, also those like syncs, line
// ends or flow control, and an answer asked for meanwhile; nothing after the stop answer; the
// cycle goes on; no stream runs ahead of its rate. A corrupted frame costs its five bytes, junk
// its own, neither a good frame; with every frame drawn for splitting, split frames come in two
// reads and next to nothing waits to go out at times (a simulator that holds back the rest of
// each one falls ever further behind).
TEST_F(Simulator, StreamsTheSequenceBetweenStartAndStop) {
    Values cycle{1, 0xF0C0, 0xFFFF, 0, 0x0D0A, 0x1100, 0x1300};
    for (std::uint16_t v = 2; v < 1002; ++v) cycle.push_back(v);
    const Bytes deviceNo{0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD, 0x70};
    for (const SimConfig& cfg : {SimConfig{.sampleRate = 2000, .fixedSequence = cycle},
                                 SimConfig{.sampleRate = 1e6, .fixedSequence = cycle},
                                 SimConfig{.sampleRate = 0, .fixedSequence = cycle},
                                 SimConfig{.sampleRate = 2000,
                                 .fixedSequence = cycle,
                                 .badCheckRate = .3,
                                 .junkRate = .3,
                                 .splitRate = 1}}) {
        const double rate = cfg.sampleRate;
        const bool faulty = cfg.splitRate > 0;
        start(cfg);
        for (int round = 0; round < 3; ++round) {
            const std::size_t had = line.samples(), from = line.in.size();
            const auto t0 = Clock::now();
            ASSERT_TRUE(line.send(kStart));
            const std::size_t want = had + (faulty ? 1000 : rate == 2000 ? 60 : 2000);
            ASSERT_TRUE(line.readUntil([&] { return line.samples() >= want; }));
            ASSERT_TRUE(line.send({0xF0, 0xC2, 0xB2}));
            EXPECT_TRUE(line.readUntil([&] {
                return std::ranges::search(line.in.begin() + from, line.in.end(), deviceNo.begin(),
                                           deviceNo.end())
                           .begin() != line.in.end();
            })) << "no device-number answer, rate "
                << rate;
            if (rate == 2000) {
                EXPECT_TRUE(line.readUntil([&] { return sim->stats().samplesWaiting < 50; }))
                    << "behind by " << sim->stats().samplesWaiting << " frames";
            }
            ASSERT_TRUE(line.send(kStop));
            ASSERT_TRUE(line.readUntil([&] { return line.endsWith(kStop); })) << "stop answer";
            const double took = std::chrono::duration<double>(Clock::now() - t0).count();
            EXPECT_LE(line.samples(), rate > 0 ? had + took * rate + 1 : 1e12)
                << "ahead of " << rate;
            EXPECT_EQ(line.readFor(40ms), 0u) << "bytes after the stop answer, rate " << rate;
        }
        const Decoded d(line.in);
        EXPECT_TRUE(d.follow(cycle)) << "the sequence, rate " << rate;
        EXPECT_EQ(d.badChecks > d.samples.size() / 10, faulty) << "corrupted, rate " << rate;
        EXPECT_EQ(d.skipped - 5 * d.badChecks > d.samples.size() / 10, faulty) << "junk, " << rate;
    }
    // The faults once more: whether a split frame reaches the reader in two reads depends on
    // when the reader wakes.
    ASSERT_TRUE(line.send(kStart));
    EXPECT_TRUE(line.readUntil([&] {
        return std::ranges::any_of(Decoded(line.in).starts, [&](std::size_t start) {
            const auto end = std::ranges::upper_bound(line.readEnds, start);
            return end != line.readEnds.end() && *end < start + 5;
        });
    })) << "no frame came in two reads";
}

// The port closed with about a kilobyte unread: the simulator does not spin while it is closed,
// and the reopened port brings what was sampled since, from a whole frame on.
TEST_F(Simulator, PortReopensOnAQuietLine) {
    start({.sampleRate = 2000, .fixedSequence = {10, 20, 30}});
    ASSERT_TRUE(line.send(kStart));
    std::this_thread::sleep_for(100ms);
    const SimStats before = sim->stats();
    ::close(std::exchange(line.fd, -1));
    // A closed line is rechecked a few times in 300 ms; a spinning loop wakes thousands of times.
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(sim->stats().wakeUps - before.wakeUps, 100u) << "spins while the port is closed";
    ASSERT_TRUE(line.readUntil([&] { return sim->stats().hangUps > before.hangUps; }));
    const auto reopened = Clock::now();
    ASSERT_TRUE(line.open(sim->slavePath()));
    const std::size_t first = line.readFor(5ms);
    const double since = std::chrono::duration<double>(Clock::now() - reopened).count();
    EXPECT_LE(first, 5 * std::size_t(since * 2000 + 2)) << "bytes from before the close";
    ASSERT_TRUE(line.readUntil([&] { return line.samples() >= 50; }));
    const Decoded d(line.in);
    EXPECT_EQ(d.skipped, 0u) << "a frame cut by the reopening";
    EXPECT_TRUE(d.follow({10, 20, 30}, d.samples[0] / 10 - 1u)) << "the sequence";
}

// The program replaces a stale link and serves with the options given; of junk, a doubled sync,
// a command in two writes, a wrong check, an unknown type and a cut start it answers the two
// read commands only. A second one refuses the live link (exit 1, saying why). Ctrl+C ends the
// first (exit 0) and it leaves its link taken over since. A bad option exits 2.
TEST_F(Simulator, ProgramServesThroughAStaleLinkAndOnlyRemovesItsOwn) {
    const QTemporaryDir dir;
    const QString link = dir.filePath("COM1");
    fs::create_symlink("/velmora-no-such-device", link.toStdString());
    QProcess first, second;
    first.start(VELMORA_SIM_PROGRAM, {"--link", link, "--device-no", "DEADBEEF", "--date",
                                      "1999-5-7", "--sequence", "4660", "--seconds", "60", "-q"});
    ASSERT_TRUE(line.readUntil([&] { return fs::exists(link.toStdString()); })) << "stale link";
    const std::string firstPort = linkTarget(link);
    ASSERT_TRUE(line.open(link.toStdString()));
    ASSERT_TRUE(line.send({0x00, 0xF0, 0xF0, 0xC2}));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(
        line.send({0xB2, 0xF0, 0xC0, 0xB1, 0xF0, 0xC4, 0xB4, 0xF0, 0xC0, 0xF0, 0xC3, 0xB3}));
    const Bytes answers{0xF0, 0xC2, 0xDE, 0xAD, 0xBE, 0xEF, 0xEA,  //
                        0xF0, 0xC3, 0x07, 0xCF, 0x05, 0x07, 0x95};
    line.readUntil([&] { return line.in.size() >= answers.size(); });
    line.readFor(100ms);  // anything that should not be there
    EXPECT_EQ(line.in, answers) << "device number and date, nothing else";
    ASSERT_TRUE(line.send(kStart) && line.readUntil([&] { return line.samples() >= 1; }));
    EXPECT_EQ(Decoded(line.in).samples[0], 0x1234) << "the sequence given";

    second.start(VELMORA_SIM_PROGRAM, {"--link", link, "--seconds", "5", "-q"});
    second.waitForFinished(60000);
    EXPECT_EQ(second.exitCode(), 1) << "took a live link";
    EXPECT_TRUE(second.readAllStandardError().contains("in use")) << "the reason";
    EXPECT_EQ(linkTarget(link), firstPort) << "the refused program touched the link";
    fs::remove(link.toStdString());
    DeviceSimulator taker;
    ASSERT_TRUE(taker.start() && taker.makeLink(link.toStdString()));
    ASSERT_EQ(::kill(first.processId(), SIGINT), 0);
    first.waitForFinished(60000);
    EXPECT_EQ(first.exitStatus() == QProcess::NormalExit ? first.exitCode() : -1, 0) << "Ctrl+C";
    EXPECT_EQ(linkTarget(link), taker.slavePath()) << "removed another's link";
    taker.stop();
    EXPECT_EQ(linkTarget(link), "") << "left its own link";
    second.start(VELMORA_SIM_PROGRAM, {"--rate", "fast"});
    second.waitForFinished(60000);
    EXPECT_EQ(second.exitCode(), 2) << "a bad option";
}

}  // namespace
