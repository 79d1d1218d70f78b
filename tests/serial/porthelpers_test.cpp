// The serial control's helpers, without a port: the settings string, the description of a
// failed open in both languages, the search for other programs holding a device (on a
// made-up /proc) and the hang-up watch's verdict.
#include "serial/linewatch.h"
#include "serial/porterrors.h"
#include "serial/portholders.h"
#include "serial/portsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>

#include <optional>
#include <tuple>

using namespace velmora;

namespace {

TEST(PortSettings, ReadsEachFieldAndRefusesAnythingElse) {
    using P = QSerialPort;
    const std::pair<const char*, std::optional<PortSettings>> cases[] = {
        {"57600,n,8,1", PortSettings{57600, P::NoParity, P::Data8, P::OneStop}},
        {"9600,E,7,2", PortSettings{9600, P::EvenParity, P::Data7, P::TwoStop}},
        {" 1200 , o , 5 , 1.5 ", PortSettings{1200, P::OddParity, P::Data5, P::OneAndHalfStop}},
        {"300,m,6,1", PortSettings{300, P::MarkParity, P::Data6, P::OneStop}},
        {"300,s,8,1", PortSettings{300, P::SpaceParity, P::Data8, P::OneStop}},
        {"57600", std::nullopt},
        {"57600,n,8,1,1", std::nullopt},
        {"abc,n,8,1", std::nullopt},
        {"0,n,8,1", std::nullopt},
        {"-9600,n,8,1", std::nullopt},
        {"57600,x,8,1", std::nullopt},
        {"57600,n,9,1", std::nullopt},
        {"57600,n,4,1", std::nullopt},
        {"57600,n,8,3", std::nullopt},
        {"57600,n,8,", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parsePortSettings(text), expected) << text;
}

// A failed open on COM3 of a machine with two serial devices; each case changes what differs.
OpenFailure failure(void (*change)(OpenFailure&)) {
    OpenFailure f;
    f.port = 3;
    f.name = "/home/op/.config/velmora/ports/COM3";
    f.device = "/dev/ttyUSB1";
    f.present = {"/dev/ttyS0", "/dev/ttyUSB1"};
    f.linkDirectory = "~/.config/velmora/ports";
    change(f);
    return f;
}

class OpenFailures : public ::testing::Test {
protected:
    void TearDown() override { setCommLanguage(CommLanguage::English); }
};

TEST_F(OpenFailures, LeadToTheFixInTheChosenLanguage) {
    struct Case {
        const char* what;
        OpenFailure failure;
        CommError::Code code;
        QStringList english, chinese, neither;
    };
    const QString mapUsb1 = "ln -sf /dev/ttyUSB1 ~/.config/velmora/ports/COM3";
    const Case cases[] = {
        {"dangling link",
         failure([](OpenFailure& f) {
             f.device.clear();
             f.linkTarget = "/dev/ttyUSB7";
         }),
         CommError::DeviceUnavailable,
         {"/dev/ttyUSB7, which does not exist", "/dev/ttyS0, /dev/ttyUSB1",
          "mkdir -p ~/.config/velmora/ports\n" + mapUsb1},
         {"不存在", "/dev/ttyS0、/dev/ttyUSB1", "mkdir -p ~/.config/velmora/ports\n" + mapUsb1},
         {}},
        {"no device on the machine",
         failure([](OpenFailure& f) {
             f.name = "/dev/ttyS2";
             f.device.clear();
             f.present.clear();
         }),
         CommError::DeviceUnavailable,
         {"COM3 (/dev/ttyS2) does not exist", "No serial device",
          "ln -sf /dev/ttyUSB0 ~/.config/velmora/ports/COM3"},
         {"COM3（/dev/ttyS2）不存在", "本机没有串口设备",
          "ln -sf /dev/ttyUSB0 ~/.config/velmora/ports/COM3"},
         {}},
        {"the port finds no device",
         failure([](OpenFailure& f) {
             f.error = QSerialPort::DeviceNotFoundError;
             f.reason = "No such device";
             f.present = {"/dev/ttyS0"};
         }),
         CommError::DeviceUnavailable,
         {"No such device", "ln -sf /dev/ttyS0 ~/.config/velmora/ports/COM3"},
         {"设备不可用", "ln -sf /dev/ttyS0 ~/.config/velmora/ports/COM3"},
         {}},
        {"held by programs that took no lock",
         failure([](OpenFailure& f) {
             f.holders = {{812, "cat"}, {977, ""}};
         }),
         CommError::HardwareLocked,
         {"COM3 (/home/op/.config/velmora/ports/COM3 -> /dev/ttyUSB1) is in use by another "
          "program: cat (process id 812), process id 977."},
         {"正被另一个程序占用：cat（进程号 812）、进程号 977。"},
         {}},
        {"busy",
         failure([](OpenFailure& f) {
             f.error = QSerialPort::PermissionError;
             f.reason = "Permission error while locking the device";
         }),
         CommError::HardwareLocked,
         {"is in use by another program. Close that program and try again."},
         {"正被另一个程序占用。"},
         {"lock", "Permission"}},
        {"access denied, serial group",
         failure([](OpenFailure& f) {
             f.error = QSerialPort::PermissionError;
             f.accessDenied = true;
             f.owner = "root";
             f.group = "dialout";
         }),
         CommError::PermissionDenied,
         {"user root and group dialout", "sudo usermod -aG dialout $USER, then log in again"},
         {"用户 root 和用户组 dialout", "sudo usermod -aG dialout $USER", "重新登录"},
         {}},
        {"access denied, another group",
         failure([](OpenFailure& f) {
             f.error = QSerialPort::PermissionError;
             f.accessDenied = true;
             f.owner = "root";
             f.group = "uucp";
         }),
         CommError::PermissionDenied,
         {"user root and group uucp", "sudo usermod -aG uucp $USER"},
         {"用户组 uucp", "sudo usermod -aG uucp $USER"},
         {"dialout"}},
        {"anything else",
         failure([](OpenFailure& f) {
             f.error = QSerialPort::OpenError;
             f.reason = "Device is not open";
         }),
         CommError::DeviceUnavailable,
         {"Device unavailable: COM3", "Device is not open"},
         {"设备不可用：COM3", "Device is not open"},
         {}},
    };
    for (const Case& c : cases) {
        for (auto language : {CommLanguage::English, CommLanguage::Chinese}) {
            setCommLanguage(language);
            const CommError e = describeOpenFailure(c.failure);
            EXPECT_EQ(e.code(), c.code) << c.what;
            const bool zh = language == CommLanguage::Chinese;
            for (const QString& fragment : zh ? c.chinese : c.english)
                EXPECT_TRUE(e.description().contains(fragment)) << c.what << "\n" << e.what();
            for (const QString& fragment : c.neither)
                EXPECT_FALSE(e.description().contains(fragment)) << c.what << "\n" << e.what();
        }
    }
}

TEST_F(OpenFailures, ARefusedBaudRateListsTheAcceptedOnes) {
    const CommError e = settingsRefusedError("12345,n,8,1", 12345, true, {9600, 57600}, "x");
    EXPECT_EQ(e.code(), CommError::InvalidPropertyValue);
    EXPECT_TRUE(e.description().contains("baud rate 12345. Accepted rates: 9600, 57600."))
        << e.what();
    setCommLanguage(CommLanguage::Chinese);
    EXPECT_TRUE(settingsRefusedError("12345,n,8,1", 12345, true, {9600, 57600}, "x")
                    .description()
                    .contains("不接受波特率 12345。可用的波特率：9600, 57600"));
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
    // A process: its name and descriptors linking to the given targets.
    auto process = [&](const QString& pid, const char* name, const QStringList& targets) {
        const QString dir = proc.path() + "/" + pid;
        QDir().mkpath(dir + "/fd");
        QFile comm(dir + "/comm");
        if (name) {
            comm.open(QIODevice::WriteOnly);
            comm.write(QByteArray(name) + "\n");
        }
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
    EXPECT_TRUE(findPortHolders("/dev/ttyUSB0", proc.path() + "/none", 42).empty());
}

TEST(LineWatch, AGoneLineIsOneThatCannotBeLookedAtOrIsReadableWithNothingToRead) {
    const std::tuple<LineLook, bool> cases[] = {
        {{true, 0, true, 0}, false},       // quiet
        {{true, POLLIN, true, 5}, false},  // bytes waiting
        {{true, POLLIN, true, 0}, true},   // readable, nothing to read
        {{true, POLLHUP, true, 0}, true},  //
        {{true, POLLIN | POLLERR, true, 3}, true},
        {{true, POLLNVAL, true, 0}, true},
        {{false, 0, true, 0}, true},       // poll() failed
        {{true, POLLIN, false, 0}, true},  // counting failed
    };
    for (const auto& [look, gone] : cases)
        EXPECT_EQ(lineHungUp(look), gone)
            << look.polled << " " << look.revents << " " << look.counted << " " << look.waiting;
}

}  // namespace
