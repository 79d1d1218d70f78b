// The serial control's helpers, without a port: the settings string, error descriptions in
// both languages, the search for other programs holding a device (on a made-up /proc) and the
// hang-up watch's verdict.
#include "serial/linewatch.h"
#include "serial/porterrors.h"
#include "serial/portholders.h"
#include "serial/portsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>

#include <functional>
#include <optional>
#include <tuple>

using namespace velmora;

namespace {

TEST(PortSettings, ReadsEachFieldAndRefusesAnythingElse) {
    using P = QSerialPort;
    const std::pair<const char*, PortSettings> good[] = {
        {"57600,n,8,1", {57600, P::NoParity, P::Data8, P::OneStop}},
        {"9600,E,7,2", {9600, P::EvenParity, P::Data7, P::TwoStop}},
        {" 1200 , o , 5 , 1.5 ", {1200, P::OddParity, P::Data5, P::OneAndHalfStop}},
        {"300,m,6,1", {300, P::MarkParity, P::Data6, P::OneStop}},
        {"300,s,8,1", {300, P::SpaceParity, P::Data8, P::OneStop}},
    };
    for (const auto& [text, settings] : good) EXPECT_EQ(parsePortSettings(text), settings) << text;
    for (const char* bad : {"57600", "57600,n,8,1,1", "abc,n,8,1", "0,n,8,1", "-9600,n,8,1",
                            "57600,x,8,1", "57600,n,9,1", "57600,n,8,3"})
        EXPECT_EQ(parsePortSettings(bad), std::nullopt) << bad;
}

// Each error in both languages: the code and what the description must (and must not) say.
TEST(PortErrors, LeadToTheFixInTheChosenLanguage) {
    // A failed open on COM3 of a machine with two serial devices, then how each case differs.
    OpenFailure com3;
    com3.port = 3, com3.name = "/home/op/.config/velmora/ports/COM3", com3.device = "/dev/ttyUSB1";
    com3.present = {"/dev/ttyS0", "/dev/ttyUSB1"}, com3.linkDirectory = "~/.config/velmora/ports";
    OpenFailure dangling = com3, bare = com3, notFound = com3, held = com3, busy = com3,
                denied = com3, other = com3;
    dangling.device.clear(), dangling.linkTarget = "/dev/ttyUSB7";
    bare.name = "/dev/ttyS2", bare.device.clear(), bare.present.clear();
    notFound.error = QSerialPort::DeviceNotFoundError, notFound.reason = "No such device";
    notFound.present = {"/dev/ttyS0"};
    held.holders = {{812, "cat"}, {977, ""}};
    busy.error = denied.error = QSerialPort::PermissionError;
    busy.reason = "Permission error while locking";  // another program holds the lock
    denied.accessDenied = true, denied.owner = "root", denied.group = "uucp";
    other.error = QSerialPort::OpenError, other.reason = "Not open";
    auto described = [](const OpenFailure& f) { return [f] { return describeOpenFailure(f); }; };
    auto refusedBaud = [] {
        return settingsRefusedError("12345,n,8,1", 12345, true, {9600, 57600}, "x");
    };

    using E = CommError;
    auto check = [](const std::function<CommError()>& error, E::Code code,
                    const QStringList& english, const QStringList& chinese,
                    const QStringList& neither = {}) {
        for (auto language : {CommLanguage::English, CommLanguage::Chinese}) {
            setCommLanguage(language);
            const CommError e = error();
            EXPECT_EQ(e.code(), code) << e.what();
            for (const QString& fragment : language == CommLanguage::English ? english : chinese)
                EXPECT_TRUE(e.description().contains(fragment)) << e.what();
            for (const QString& fragment : neither)
                EXPECT_FALSE(e.description().contains(fragment)) << e.what();
        }
    };
    check(described(dangling), E::DeviceUnavailable,
          {"/dev/ttyUSB7, which does not exist", "/dev/ttyS0, /dev/ttyUSB1",
           "mkdir -p ~/.config/velmora/ports\nln -sf /dev/ttyUSB1 ~/.config/velmora/ports/COM3"},
          {"不存在", "/dev/ttyS0、/dev/ttyUSB1"});
    check(described(bare), E::DeviceUnavailable,
          {"COM3 (/dev/ttyS2) does not exist", "No serial device",
           "ln -sf /dev/ttyUSB0 ~/.config/velmora/ports/COM3"},
          {"COM3（/dev/ttyS2）不存在", "本机没有串口设备"});
    check(described(notFound), E::DeviceUnavailable,
          {"No such device", "ln -sf /dev/ttyS0 ~/.config/velmora/ports/COM3"}, {"设备不可用"});
    check(described(held), E::HardwareLocked,
          {"COM3 (/home/op/.config/velmora/ports/COM3 -> /dev/ttyUSB1) is in use by another "
           "program: cat (process id 812), process id 977."},
          {"正被另一个程序占用：cat（进程号 812）、进程号 977。"});
    check(described(busy), E::HardwareLocked,
          {"is in use by another program. Close that program and try again."},
          {"正被另一个程序占用。"}, {"lock", "Permission"});
    check(described(denied), E::PermissionDenied,
          {"user root and group uucp", "sudo usermod -aG uucp $USER, then log in again"},
          {"用户 root 和用户组 uucp", "重新登录"});
    check(described(other), E::DeviceUnavailable, {"Device unavailable: COM3", "Not open"},
          {"设备不可用：COM3"});
    check(refusedBaud, E::InvalidPropertyValue, {"baud rate 12345. Accepted rates: 9600, 57600."},
          {"不接受波特率 12345。可用的波特率：9600, 57600。"});
    setCommLanguage(CommLanguage::English);
}

TEST(ShellPath, AbbreviatesTheHomeFolderAndQuotesWhatAShellWouldSplit) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/home/op/.config/velmora/ports", "/home/op", "~/.config/velmora/ports"},
        {"/home/op/.config/velmora/ports", "/home/op/", "~/.config/velmora/ports"},
        {"/home/operator/x", "/home/op", "/home/operator/x"},
        {"/tmp/my dir/velmora/ports", "/home/op", "'/tmp/my dir/velmora/ports'"},
        {"/home/op/it's/ports", "/home/op", "~/'it'\\''s/ports'"},
    };
    for (const auto& [path, home, typed] : cases) EXPECT_EQ(shellPath(path, home), typed) << path;
}

TEST(PortHolders, FindsTheProcessesWithTheDeviceOpenExceptItself) {
    QTemporaryDir proc;
    // A process directory: its name (if any) and descriptors linking to the targets.
    auto process = [&](const QString& pid, const char* name, const QStringList& targets) {
        const QString dir = proc.path() + "/" + pid;
        QDir().mkpath(dir + "/fd");
        QFile comm(dir + "/comm");
        if (name && comm.open(QIODevice::WriteOnly)) comm.write(QByteArray(name) + "\n");
        for (int fd = 0; fd < targets.size(); ++fd)
            QFile::link(targets[fd], dir + "/fd/" + QString::number(fd));
    };
    process("40", "sleep", {"/dev/null", "/dev/ttyUSB0"});
    process("7", nullptr, {"/dev/ttyUSB0"});              // its name cannot be read
    process("41", "cat", {"/dev/ttyUSB01", "/dev/tty"});  // other devices only
    process("42", "self", {"/dev/ttyUSB0"});              // the searching process
    process("self", "link", {"/dev/ttyUSB0"});            // not a process id
    process("43", "dead", {});
    QFile::link("/dev/ttyUSB0", proc.path() + "/43/fd/notanfd");
    EXPECT_EQ(findPortHolders("/dev/ttyUSB0", proc.path(), 42),
              (std::vector<PortHolder>{{7, ""}, {40, "sleep"}}));
}

TEST(LineWatch, AGoneLineIsOneThatCannotBeLookedAtOrIsReadableWithNothingToRead) {
    // Each look: polled, revents, counted, bytes waiting.
    for (const LineLook& here : {LineLook{true, 0, true, 0}, {true, POLLIN, true, 5}})
        EXPECT_FALSE(lineHungUp(here)) << here.revents;
    for (const LineLook& gone : {LineLook{true, POLLIN, true, 0},
                                 {true, POLLHUP, true, 0},
                                 {true, POLLIN | POLLERR, true, 3},
                                 {true, POLLNVAL, true, 0},
                                 {false, 0, true, 0},
                                 {true, POLLIN, false, 0}})
        EXPECT_TRUE(lineHungUp(gone)) << gone.polled << ' ' << gone.revents << ' ' << gone.counted;
}

}  // namespace
