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
using Clock = std::chrono::steady_clock;
const Bytes kStart{0xF0, 0xC0, 0xB0}, kStop{0xF0, 0xC1, 0xB1};

// The line read as the program's parser does: F0 C0 opens 5 bytes, F0 C1 3 (no check),
// F0 C2/C3 7; a wrong check or any other byte is skipped alone.
struct Decoded {
    std::vector<std::uint16_t> samples;
    std::size_t skipped = 0, badChecks = 0, answers = 0;  // answers: device number and date
    explicit Decoded(const Bytes& b) {
        for (std::size_t i = 0, len = 1; i + 1 < b.size(); i += len) {
            const int type = b[i] == 0xF0 ? b[i + 1] : 0;
            len = type == 0xC0 ? 5 : type == 0xC1 ? 3 : type == 0xC2 || type == 0xC3 ? 7 : 1;
            if (i + len > b.size()) break;
            if (len > 3 && std::accumulate(&b[i], &b[i + len - 1], 0u) % 256 != b[i + len - 1])
                ++badChecks, len = 1;
            skipped += len == 1, answers += len == 7;
            if (len == 5) samples.push_back(b[i + 2] << 8 | b[i + 3]);
        }
    }
};

std::string linkTarget(const QString& link) {  // empty if there is no link
    std::error_code ec;
    return fs::read_symlink(link.toStdString(), ec).string();
}

// The program's end of the line: the slave, non-blocking, in the raw mode the simulator set.
struct Line {
    int fd = -1;
    Bytes in;  // everything read
    ~Line() { ::close(fd); }
    bool open(const std::string& path) {
        ::close(fd);
        return (fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) >= 0;
    }
    bool send(const Bytes& b) { return ::write(fd, b.data(), b.size()) == ssize_t(b.size()); }
    // Reads until done() holds; false on timeout or hang-up.
    template <class Done>
    bool readUntil(Done done, std::chrono::milliseconds timeout = 20s) {
        for (const auto end = Clock::now() + timeout; !done();) {
            pollfd p{fd, POLLIN, 0};
            if (Clock::now() > end || ::poll(&p, 1, 10) < 0) return false;
            std::uint8_t buf[4096];
            const ssize_t n = p.revents & (POLLHUP | POLLERR) ? 0 : ::read(fd, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno == EIO)) return false;
            if (n > 0) in.insert(in.end(), buf, buf + n);
        }
        return true;
    }
    std::size_t samples() const { return Decoded(in).samples.size(); }
};

struct Simulator : ::testing::Test {
    void start(SimConfig cfg) {
        sim = std::make_unique<DeviceSimulator>(std::move(cfg));
        line.in.clear();
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(line.open(sim->slavePath()));
    }
    std::unique_ptr<DeviceSimulator> sim;
    Line line;
};

// Paced, paced so fast that a start lands right after the thread read its clock, unthrottled,
// and with faults (every frame split), three rounds each: the whole cycle arrives, an answer
// asked for meanwhile too, nothing after the stop answer, never ahead of the rate, faults never
// costing a good frame, and the split stream keeping up. A closed port is rechecked a few times
// in 300 ms; a spinning loop wakes thousands of times.
TEST_F(Simulator, StreamsTheSequenceBetweenStartAndStop) {
    std::vector<std::uint16_t> cycle{1, 0xF0C0, 0xFFFF, 0, 0x0D0A, 0x1100, 0x1300};
    for (std::uint16_t v = 2; v < 1002; ++v) cycle.push_back(v);
    SimConfig paced{.sampleRate = 2000, .fixedSequence = cycle}, faults = paced;
    faults.badCheckRate = faults.junkRate = .3, faults.splitRate = 1;
    for (const SimConfig& cfg : {paced, SimConfig{.sampleRate = 1e6, .fixedSequence = cycle},
                                 SimConfig{.sampleRate = 0, .fixedSequence = cycle}, faults}) {
        const double rate = cfg.sampleRate;
        const bool faulty = cfg.splitRate > 0;
        const auto caughtUp = [&] { return sim->stats().samplesWaiting < 50; };  // frames behind
        const auto stopped = [&] {
            return std::equal(kStop.rbegin(), kStop.rend(), line.in.rbegin());
        };
        start(cfg);
        for (std::size_t round = 0; round < 3; ++round) {
            const std::size_t had = line.samples();
            const auto t0 = Clock::now();
            ASSERT_TRUE(line.send(kStart));
            const std::size_t want = had + (faulty ? 1000 : rate == 2000 ? 60 : 2000);
            ASSERT_TRUE(line.readUntil([&] { return line.samples() >= want; }));
            ASSERT_TRUE(line.send({0xF0, 0xC2, 0xB2}));
            EXPECT_TRUE(line.readUntil([&] { return Decoded(line.in).answers > round; }))
                << "no device-number answer, rate " << rate;
            EXPECT_TRUE(rate != 2000 || line.readUntil(caughtUp)) << sim->stats().samplesWaiting;
            ASSERT_TRUE(line.send(kStop));
            ASSERT_TRUE(line.readUntil(stopped)) << "the stop answer";
            const double took = std::chrono::duration<double>(Clock::now() - t0).count();
            EXPECT_LE(line.samples(), rate > 0 ? had + took * rate + 1 : 1e12) << "ahead, " << rate;
            const std::size_t end = line.in.size();
            line.readUntil([] { return false; }, 40ms);
            EXPECT_EQ(line.in.size(), end) << "bytes after the stop answer, rate " << rate;
        }
        const Decoded d(line.in);
        bool follows = !d.samples.empty();
        for (std::size_t i = 0; i < d.samples.size(); ++i)
            follows &= d.samples[i] == cycle[i % cycle.size()];
        EXPECT_TRUE(follows) << "the sequence, rate " << rate;
        EXPECT_EQ(d.badChecks > d.samples.size() / 10, faulty) << "corrupted, rate " << rate;
        EXPECT_EQ(d.skipped - 5 * d.badChecks > d.samples.size() / 10, faulty) << "junk, " << rate;
    }
    const SimStats before = sim->stats();
    ::close(std::exchange(line.fd, -1));
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(sim->stats().wakeUps - before.wakeUps, 100u) << "spins while the port is closed";
}

// The program replaces a stale link and answers with the options given. A second one refuses
// the live link (exit 1, saying why). Ctrl+C ends the first (exit 0) and it leaves its link
// taken over since.
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
    ASSERT_TRUE(line.send({0xF0, 0xC2, 0xB2, 0xF0, 0xC3, 0xB3}));
    const Bytes answers{0xF0, 0xC2, 0xDE, 0xAD, 0xBE, 0xEF, 0xEA,  //
                        0xF0, 0xC3, 0x07, 0xCF, 0x05, 0x07, 0x95};
    line.readUntil([&] { return line.in.size() >= answers.size(); });
    line.readUntil([] { return false; }, 100ms);  // anything that should not be there
    EXPECT_EQ(line.in, answers) << "device number and date, nothing else";
    ASSERT_TRUE(line.send(kStart));
    ASSERT_TRUE(line.readUntil([&] { return line.samples() >= 1; })) << "a sample";
    EXPECT_EQ(Decoded(line.in).samples[0], 0x1234) << "the sequence given";

    second.start(VELMORA_SIM_PROGRAM, {"--link", link, "--seconds", "5", "-q"});
    second.waitForFinished(60000);
    EXPECT_EQ(second.exitCode(), 1) << "took a live link";
    EXPECT_TRUE(second.readAllStandardError().contains("in use")) << "the reason";
    EXPECT_EQ(linkTarget(link), firstPort) << "the refused program touched the link";
    fs::remove(link.toStdString());
    DeviceSimulator taker;
    ASSERT_TRUE(taker.start());
    ASSERT_TRUE(taker.makeLink(link.toStdString()));
    ASSERT_EQ(::kill(first.processId(), SIGINT), 0);
    first.waitForFinished(60000);
    EXPECT_EQ(first.exitStatus() == QProcess::NormalExit ? first.exitCode() : -1, 0) << "Ctrl+C";
    EXPECT_EQ(linkTarget(link), taker.slavePath()) << "removed another's link";
    taker.stop();
    EXPECT_EQ(linkTarget(link), "") << "left its own link";
}

}  // namespace
