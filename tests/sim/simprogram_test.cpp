// The velmora-sim command line: option parsing, and the program itself as a process.
#include "tools/sim/simoptions.h"

#include "lineutil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::optional<SimOptions> parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string e;
    auto o = parseSimOptions(args, error ? error : &e);
    return o;
}

TEST(SimOptions, ParsesEveryOption) {
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    const auto o = parse({"--link",      "COM2",       "--rate=0",
                          "--device-no", "a1b2c3d4",   "--date",
                          "2020-02-29",  "--sequence", "0,65535,0x1234",
                          "--bad-check", "0.1",        "--junk=0.25",
                          "--split",     "1",          "--burst",
                          "8",           "--seed",     "99",
                          "--seconds",   "1.5",        "-q"});
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->linkPath, "/cfg/velmora/ports/COM2");
    EXPECT_EQ(o->config.sampleRate, 0);
    EXPECT_EQ(o->config.deviceNo, (std::array<std::uint8_t, 4>{0xA1, 0xB2, 0xC3, 0xD4}));
    EXPECT_EQ(o->config.year, 2020);
    EXPECT_EQ(o->config.month, 2);
    EXPECT_EQ(o->config.day, 29);
    EXPECT_EQ(o->config.fixedSequence, (std::vector<std::uint16_t>{0, 65535, 0x1234}));
    EXPECT_DOUBLE_EQ(o->config.badCheckRate, 0.1);
    EXPECT_DOUBLE_EQ(o->config.junkRate, 0.25);
    EXPECT_DOUBLE_EQ(o->config.splitRate, 1.0);
    EXPECT_EQ(o->config.burst, 8);
    EXPECT_EQ(o->config.seed, 99u);
    EXPECT_DOUBLE_EQ(o->seconds, 1.5);
    EXPECT_TRUE(o->quiet);

    const auto defaults = parse({});
    ASSERT_TRUE(defaults);
    EXPECT_TRUE(defaults->linkPath.empty());
    EXPECT_EQ(defaults->config.sampleRate, 200);
    EXPECT_EQ(parse({"--link", "/tmp/x/COM1"})->linkPath, "/tmp/x/COM1");
}

TEST(SimOptions, RejectsBadValuesNamingTheOption) {
    const std::vector<std::vector<std::string>> bad = {{"--rate", "fast"},
                                                       {"--rate", "-1"},
                                                       {"--rate"},
                                                       {"--device-no", "1234"},
                                                       {"--device-no", "1234ABCG"},
                                                       {"--date", "2014/05/07"},
                                                       {"--date", "2014.5"},
                                                       {"--date", "2014.05.07x"},
                                                       {"--date", "2014.256.1"},
                                                       {"--sequence", "1,,2"},
                                                       {"--sequence", "1,70000"},
                                                       {"--sequence", "1,"},
                                                       {"--sequence", "-3"},
                                                       {"--bad-check", "1.5"},
                                                       {"--junk", "x"},
                                                       {"--split", "-0.1"},
                                                       {"--burst", "0"},
                                                       {"--seed", "-1"},
                                                       {"--seconds", "-2"},
                                                       {"--link", "LPT1"},
                                                       {"--link", "COM0"},
                                                       {"--frobnicate"}};
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << args[0];
        const std::string name = args[0].substr(0, args[0].find('='));
        EXPECT_NE(error.find(name), std::string::npos) << "'" << error << "' for " << name;
    }
}

// Runs velmora-sim with the arguments; stdout and stderr go to files in dir.
pid_t spawnSim(const std::vector<std::string>& args, const fs::path& dir) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, (dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&fa, 2, (dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> all{VELMORA_SIM_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, VELMORA_SIM_PROGRAM, &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

int waitExit(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

class SimProgram : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmora-simprog-XXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(SimProgram, BadOptionExitsWithTwoAndAMessage) {
    const pid_t pid = spawnSim({"--rate", "fast"}, dir);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(waitExit(pid), 2);
    EXPECT_NE(slurp(dir / "err").find("--rate"), std::string::npos);

    const pid_t help = spawnSim({"--help"}, dir);
    EXPECT_EQ(waitExit(help), 0);
    EXPECT_NE(slurp(dir / "out").find("--link"), std::string::npos);
}

TEST_F(SimProgram, ServesThroughItsLinkAndRemovesItOnSigterm) {
    const fs::path link = dir / "ports" / "COM1";
    const pid_t pid = spawnSim({"--link", link.string(), "--sequence", "4660"}, dir);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitFor([&] { return fs::is_symlink(fs::symlink_status(link)); }, 3s));

    test::SlaveLine line(link.string());
    ASSERT_TRUE(line.isOpen());
    ASSERT_TRUE(line.send({0xF0, 0xC0, 0xB0}));
    std::vector<std::uint8_t> in;
    ASSERT_TRUE(line.readUntil(in, [](const auto& b) { return b.size() >= 10; }));
    EXPECT_EQ(std::vector<std::uint8_t>(in.begin(), in.begin() + 5),
              (std::vector<std::uint8_t>{0xF0, 0xC0, 0x12, 0x34, 0xF6}));

    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_EQ(waitExit(pid), 0);
    EXPECT_TRUE(line.waitHangup(2s)) << "the open port sees the device go away";
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    const std::string out = slurp(dir / "out");
    EXPECT_NE(out.find(link.string()), std::string::npos) << out;
    EXPECT_NE(out.find("/dev/pts/"), std::string::npos) << out;
}

TEST_F(SimProgram, SecondsLimitEndsTheRunAndRemovesTheLink) {
    const fs::path link = dir / "COM9";
    const pid_t pid = spawnSim({"--link", link.string(), "--seconds", "0.3", "--quiet"}, dir);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitFor([&] { return fs::is_symlink(fs::symlink_status(link)); }, 3s));
    EXPECT_EQ(waitExit(pid), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(slurp(dir / "out").empty());
}

}  // namespace
}  // namespace velmora::sim
