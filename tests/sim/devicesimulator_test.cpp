// The simulator on a real pseudo-terminal, seen from the program's end of the line.
#include "tools/sim/devicesimulator.h"

#include "lineutil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <ctime>
#include <unistd.h>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
using test::decodeFrames;
using test::SlaveLine;
using Bytes = std::vector<std::uint8_t>;

const Bytes kStart{0xF0, 0xC0, 0xB0};
const Bytes kStop{0xF0, 0xC1, 0xB1};
const Bytes kDeviceNo{0xF0, 0xC2, 0xB2};
const Bytes kDate{0xF0, 0xC3, 0xB3};

auto atLeastSamples(std::size_t n) {
    return [n](const Bytes& b) { return test::countSamples(b) >= n; };
}

// Every sample of the stream continues the cycle of `seq` from where the previous one left.
::testing::AssertionResult followsCycle(const std::vector<std::uint16_t>& got,
                                        const std::vector<std::uint16_t>& seq, std::size_t first) {
    for (std::size_t i = 0; i < got.size(); ++i) {
        const auto want = seq[(first + i) % seq.size()];
        if (got[i] != want)
            return ::testing::AssertionFailure()
                   << "sample " << i << " is " << got[i] << ", expected " << want;
    }
    return ::testing::AssertionSuccess();
}

class SimulatorTest : public ::testing::Test {
protected:
    void startSim(SimConfig cfg) {
        sim = std::make_unique<DeviceSimulator>(std::move(cfg));
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        ASSERT_TRUE(line.open(sim->slavePath())) << sim->slavePath();
    }
    std::unique_ptr<DeviceSimulator> sim;
    SlaveLine line;
};

TEST_F(SimulatorTest, AnswersReadCommandsWithConfiguredValues) {
    SimConfig cfg;
    cfg.deviceNo = {0xDE, 0xAD, 0xBE, 0xEF};
    cfg.year = 1999;
    cfg.month = 12;
    cfg.day = 31;
    startSim(cfg);
    // Junk and a command delivered in two writes are handled like the device does.
    ASSERT_TRUE(line.send({0x00, 0xF0, 0xF0, 0xC2}));
    ASSERT_TRUE(line.send({0xB2}));
    Bytes in;
    ASSERT_TRUE(line.readUntil(in, [](const Bytes& b) { return b.size() >= 7; }));
    ASSERT_TRUE(line.send(kDate));
    ASSERT_TRUE(line.readUntil(in, [](const Bytes& b) { return b.size() >= 14; }));
    EXPECT_EQ(in, (Bytes{0xF0, 0xC2, 0xDE, 0xAD, 0xBE, 0xEF, 0xEA,  //
                         0xF0, 0xC3, 0x07, 0xCF, 0x0C, 0x1F, 0xB4}));
    const auto received = sim->receivedBytes();
    EXPECT_EQ(received, (Bytes{0x00, 0xF0, 0xF0, 0xC2, 0xB2, 0xF0, 0xC3, 0xB3}));
    EXPECT_EQ(sim->stats().commands, 2u);
    EXPECT_FALSE(sim->sampling());
    // Read commands never start a stream.
    EXPECT_TRUE(line.readFor(50ms).empty());
}

TEST_F(SimulatorTest, StreamsTheFixedSequenceBetweenStartAndStop) {
    SimConfig cfg;
    cfg.sampleRate = 2000;
    // Values whose bytes look like syncs and frame types must pass the raw line untouched.
    cfg.fixedSequence = {1, 0xF0C0, 0xFFFF, 0, 0x0D0A, 0x1100, 0x1300};
    startSim(cfg);
    EXPECT_TRUE(line.readFor(30ms).empty()) << "nothing is sent before start";

    ASSERT_TRUE(line.send(kStart));
    Bytes in;
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(60)));
    EXPECT_TRUE(sim->sampling());
    ASSERT_TRUE(line.send(kStop));
    ASSERT_TRUE(line.readUntil(in, test::containsStopAnswer));
    EXPECT_FALSE(sim->sampling());

    auto d = decodeFrames(in);
    EXPECT_EQ(d.skippedBytes, 0u);
    EXPECT_EQ(d.badChecks, 0u);
    ASSERT_EQ(d.answers.size(), 1u);
    EXPECT_EQ(d.answers[0], kStop);
    EXPECT_EQ(d.incomplete, 0u) << "the stop answer is the last thing on the line";
    EXPECT_TRUE(followsCycle(d.samples, cfg.fixedSequence, 0));
    EXPECT_EQ(sim->samplesSent(), d.samples.size());

    // After the stop answer the line stays quiet; a new start continues the cycle.
    EXPECT_TRUE(line.readFor(40ms).empty());
    const std::size_t before = d.samples.size();
    in.clear();
    ASSERT_TRUE(line.send(kStart));
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(10)));
    d = decodeFrames(in);
    EXPECT_TRUE(followsCycle(d.samples, cfg.fixedSequence, before));
}

TEST_F(SimulatorTest, PacedStreamNeverRunsAheadOfItsRate) {
    SimConfig cfg;
    cfg.sampleRate = 200;
    startSim(cfg);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.send(kStart));
    const Bytes in = line.readFor(250ms);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const auto d = decodeFrames(in);
    EXPECT_GT(d.samples.size(), 5u);
    EXPECT_LE(double(d.samples.size()), elapsed * cfg.sampleRate + 1);
    // The default signal lies in the plausible band.
    for (auto v : d.samples) {
        EXPECT_GE(v, 500);
        EXPECT_LE(v, 2000);
    }
}

TEST_F(SimulatorTest, UnthrottledStreamLosesNothingWhenTheReaderKeepsUp) {
    SimConfig cfg;
    cfg.sampleRate = 0;
    for (int i = 0; i < 1000; ++i) cfg.fixedSequence.push_back(static_cast<std::uint16_t>(i * 65));
    startSim(cfg);
    ASSERT_TRUE(line.send(kStart));
    Bytes in;
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(30000), 10s));
    ASSERT_TRUE(line.send(kStop));
    ASSERT_TRUE(line.readUntil(in, test::containsStopAnswer, 10s));
    const auto d = decodeFrames(in);
    EXPECT_TRUE(followsCycle(d.samples, cfg.fixedSequence, 0));
    EXPECT_EQ(d.skippedBytes, 0u);
    EXPECT_EQ(sim->samplesSent(), d.samples.size());
}

TEST_F(SimulatorTest, VeryHighPacedRateStartsCleanly) {
    // At a million samples per second a start command lands microseconds after the thread
    // read its clock; the pacing must not see a negative elapsed time as a huge backlog.
    SimConfig cfg;
    cfg.sampleRate = 1e6;
    cfg.fixedSequence = {5, 6, 7, 8};
    startSim(cfg);
    for (int round = 0; round < 3; ++round) {
        Bytes in;
        ASSERT_TRUE(line.send(kStart));
        ASSERT_TRUE(line.readUntil(in, atLeastSamples(500)));
        ASSERT_TRUE(line.send(kStop));
        ASSERT_TRUE(line.readUntil(in, test::containsStopAnswer));
        const auto d = decodeFrames(in);
        EXPECT_EQ(d.skippedBytes, 0u);
        EXPECT_TRUE(followsCycle(d.samples, cfg.fixedSequence, d.samples.at(0) - 5));
    }
}

TEST_F(SimulatorTest, InjectedFaultsAppearAsCountedAndSpareTheGoodFrames) {
    SimConfig cfg;
    cfg.sampleRate = 1000;
    cfg.fixedSequence = {100, 200, 300, 0xF0F0, 500};
    cfg.badCheckRate = 0.3;
    cfg.junkRate = 0.3;
    cfg.seed = 42;
    startSim(cfg);
    ASSERT_TRUE(line.send(kStart));
    Bytes in;
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(150)));
    ASSERT_TRUE(line.send(kStop));
    ASSERT_TRUE(line.readUntil(in, test::containsStopAnswer));

    const auto d = decodeFrames(in);
    const SimStats st = sim->stats();
    EXPECT_TRUE(followsCycle(d.samples, cfg.fixedSequence, 0)) << "a fault cost a good frame";
    EXPECT_EQ(d.samples.size(), st.samples);
    EXPECT_EQ(d.badChecks, st.badFrames);
    // A corrupted frame costs its five bytes, junk its own bytes, nothing else is skipped.
    EXPECT_EQ(d.skippedBytes, st.junkBytes + 5 * st.badFrames);
    // About 30 % each over at least 150 samples.
    EXPECT_GT(st.badFrames, d.samples.size() / 10);
    EXPECT_GT(st.junkBytes, d.samples.size() / 10);
    EXPECT_EQ(st.splitFrames, 0u);
}

TEST_F(SimulatorTest, SplitFramesArriveInTwoReads) {
    SimConfig cfg;
    cfg.sampleRate = 100;
    cfg.fixedSequence = {7, 8, 9};
    cfg.splitRate = 1.0;
    startSim(cfg);
    ASSERT_TRUE(line.send(kStart));
    Bytes in;
    std::vector<std::size_t> chunks;
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(12), 3s, &chunks));
    const auto d = decodeFrames(in);
    EXPECT_TRUE(followsCycle(d.samples, cfg.fixedSequence, 0));
    // Count the frames whose bytes came in more than one read.
    std::size_t pos = 0, split = 0, c = 0;
    for (std::size_t end : d.sampleEnds) {
        const std::size_t start = end - 5;
        while (c < chunks.size() && pos + chunks[c] <= start) pos += chunks[c++];
        if (c < chunks.size() && pos + chunks[c] < end) ++split;
    }
    EXPECT_GE(split, d.samples.size() / 3) << "of " << d.samples.size() << " frames";
}

TEST_F(SimulatorTest, BurstsComeAsGroupsOfFrames) {
    SimConfig cfg;
    cfg.sampleRate = 1000;
    cfg.burst = 25;
    cfg.fixedSequence = {1, 2};
    startSim(cfg);
    ASSERT_TRUE(line.send(kStart));
    Bytes in;
    std::vector<std::size_t> chunks;
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(100), 3s, &chunks));
    for (std::size_t n : chunks) EXPECT_EQ(n % (25 * 5), 0u) << "read of " << n << " bytes";
    EXPECT_TRUE(followsCycle(decodeFrames(in).samples, cfg.fixedSequence, 0));
}

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

TEST_F(SimulatorTest, SurvivesThePortBeingClosedAndReopened) {
    SimConfig cfg;
    cfg.sampleRate = 2000;
    cfg.fixedSequence = {10, 20, 30};
    startSim(cfg);
    ASSERT_TRUE(line.send(kStart));
    Bytes in;
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(5)));
    // Leave about a kilobyte unread in the line, then close the port.
    std::this_thread::sleep_for(100ms);
    line.close();

    // With the port closed the simulator waits quietly instead of spinning on the hang-up.
    const double cpu0 = processCpuSeconds();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(processCpuSeconds() - cpu0, 0.1);
    EXPECT_TRUE(sim->sampling()) << "closing the port does not stop the device";

    // Reopening starts on a quiet line: what was left unread is gone.
    ASSERT_TRUE(line.open(sim->slavePath()));
    const Bytes first = line.readFor(5ms);
    EXPECT_LT(first.size(), 200u);
    in.clear();
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(50)));
    const auto d = decodeFrames(in);
    EXPECT_EQ(d.badChecks, 0u);
    ASSERT_FALSE(d.samples.empty());
    EXPECT_TRUE(followsCycle(d.samples, cfg.fixedSequence,
                             d.samples[0] == 10   ? 0
                             : d.samples[0] == 20 ? 1
                                                  : 2));
    // Commands work on the new opening.
    ASSERT_TRUE(line.send(kDeviceNo));
    ASSERT_TRUE(
        line.readUntil(in, [](const Bytes& b) { return !decodeFrames(b).answers.empty(); }));
    EXPECT_EQ(decodeFrames(in).answers[0], (Bytes{0xF0, 0xC2, 0x12, 0x34, 0xAB, 0xCD, 0x70}));
}

TEST_F(SimulatorTest, StopHangsUpTheOpenPortAndSimulatorCanStartAgain) {
    SimConfig cfg;
    cfg.sampleRate = 500;
    startSim(cfg);
    ASSERT_TRUE(line.send(kStart));
    Bytes in;
    ASSERT_TRUE(line.readUntil(in, atLeastSamples(3)));
    sim->stop();
    EXPECT_TRUE(line.waitHangup(2s));
    EXPECT_FALSE(sim->running());
    EXPECT_TRUE(sim->slavePath().empty());
    sim->stop();  // twice is harmless
    line.close();

    std::string error;
    ASSERT_TRUE(sim->start(&error)) << error;
    EXPECT_FALSE(sim->start(&error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(line.open(sim->slavePath()));
    ASSERT_TRUE(line.send(kDate));
    in.clear();
    ASSERT_TRUE(line.readUntil(in, [](const Bytes& b) { return b.size() >= 7; }));
    EXPECT_EQ(in, (Bytes{0xF0, 0xC3, 0x07, 0xDE, 0x05, 0x07, 0xA4}));
}

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/velmora-sim-test-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

TEST(SimulatorLink, LinkPointsAtTheSlaveAndIsRemovedWithTheSimulator) {
    TempDir dir;
    const auto link = dir.path / "deep" / "ports" / "COM3";
    std::string slave;
    {
        DeviceSimulator sim;
        std::string error;
        EXPECT_FALSE(sim.makeLink(link.string(), &error)) << "no slave before start";
        ASSERT_TRUE(sim.start(&error)) << error;
        slave = sim.slavePath();
        // A stale link from an earlier run is replaced.
        std::filesystem::create_directories(link.parent_path());
        std::filesystem::create_symlink("/dev/null", link);
        ASSERT_TRUE(sim.makeLink(link.string(), &error)) << error;
        EXPECT_EQ(std::filesystem::read_symlink(link), slave);
        SlaveLine viaLink(link.string());
        ASSERT_TRUE(viaLink.isOpen());
        ASSERT_TRUE(viaLink.send(kDeviceNo));
        Bytes in;
        EXPECT_TRUE(viaLink.readUntil(in, [](const Bytes& b) { return b.size() >= 7; }));

        // A regular file in the way is not clobbered.
        const auto file = dir.path / "COM4";
        std::ofstream(file) << "keep";
        EXPECT_FALSE(sim.makeLink(file.string(), &error));
        EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
        EXPECT_TRUE(std::filesystem::is_regular_file(file));
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

}  // namespace
}  // namespace velmora::sim
