// The serial layer: settings, error texts and the control on a pseudo-terminal. (The frame parser:
// tests/fuzz against a plain reading, and the dialog sessions in tests/integration.)
#include "serial/linewatch.h"
#include "serial/mscomm.h"
#include "serial/porterrors.h"
#include "serial/pty.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using namespace velmora;

namespace {

// The CommError `action` throws (code 0 if none).
CommError errorOf(const std::function<void()>& action) try {
    action();
    return CommError(CommError::Code(0), "no CommError thrown");
} catch (const CommError& e) {
    return e;
}

}  // namespace

// The settings the program gives, every field changed, blanks; anything else is refused.
TEST(PortSettings, ReadsEachFieldAndRefusesAnythingElse) {
    using P = QSerialPort;
    const std::pair<const char*, PortSettings> good[] = {
        {"57600,n,8,1", {57600, P::NoParity, P::Data8, P::OneStop}},
        {" 9600 , E , 7 , 1.5 ", {9600, P::EvenParity, P::Data7, P::OneAndHalfStop}},
    };
    for (const auto& [text, settings] : good) EXPECT_EQ(parsePortSettings(text), settings) << text;
    for (const char* bad : {"57600", "57600,n,8,1,1", "0,n,8,1", "57600,x,8,1", "57600,n,8,3"})
        EXPECT_FALSE(parsePortSettings(bad)) << bad;
}

TEST(PortErrors, LeadToTheFixInTheChosenLanguage) {
    // COM3 linked to a device that is gone, with two serial devices present and with none, and
    // a device this user may not open. (A missing link and a device in use: Comm below.)
    OpenFailure gone, none, denied;
    gone.port = denied.port = 3, gone.linkTarget = "/dev/ttyUSB7";
    gone.linkDirectory = shellPath("/home/op/it's ports", "/home/op/");  // as typed in a shell
    none = gone, gone.present = {"/dev/ttyS0", "/dev/ttyUSB1"};
    denied.name = denied.device = "/dev/ttyUSB1", denied.error = QSerialPort::PermissionError;
    denied.accessDenied = true, denied.owner = "root", denied.group = "uucp";
    const std::string mapping = describeOpenFailure(gone).what();
    EXPECT_TRUE(mapping.ends_with("\nln -sf /dev/ttyUSB1 ~/'it'\\''s ports'/COM3"))
        << "how to map the port: " << mapping;
    for (bool en : {true, false}) {
        setCommLanguage(en ? CommLanguage::English : CommLanguage::Chinese);
        // Each text, what it holds in English and in Chinese, and what that tells the operator.
        const std::tuple<QString, const char*, const char*, const char*> says[] = {
            {describeOpenFailure(gone).description(),
             "devices on this machine: /dev/ttyS0, /dev/ttyUSB1.",
             "本机的串口设备：/dev/ttyS0、/dev/ttyUSB1。", "the devices present"},
            {describeOpenFailure(none).description(),
             "No serial device is present on this machine. Connect the device",
             "本机没有串口设备。请连接设备", "that no device is present"},
            {describeOpenFailure(denied).description(),
             "user root and group uucp. Join that group with sudo usermod -aG uucp $USER",
             "用户 root 和用户组 uucp。请用 sudo usermod -aG uucp $USER", "how to get access"},
            {settingsRefusedError("1,n,8,1", 1, true, {9600, 57600}, "").description(),
             "rates: 9600, 57600.", "波特率：9600, 57600。", "the baud rates the port takes"},
        };
        for (const auto& [text, english, chinese, what] : says)
            EXPECT_TRUE(text.contains(QString::fromUtf8(en ? english : chinese)))
                << what << ": " << text.toStdString();
    }
    setCommLanguage(CommLanguage::English);
}

// A line that hangs up; the device behind an unmapped port, a device locked under another of its
// names, output the line does not take, and another program holding a device.
TEST(Comm, RefusalsNameTheCauseAndLeaveThePortAsItWas) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    test::Pty pty, line, gone;
    // The hang-up watch: a live line is there; once its far end (the master) has gone, it is not.
    const int fd = ::open(QFile::encodeName(gone.slave).constData(), O_RDWR | O_NOCTTY);
    EXPECT_FALSE(lineHungUp(lookAtLine(fd))) << "a live line";
    gone.close();  // before any child process could inherit the master
    EXPECT_TRUE(lineHungUp(lookAtLine(fd))) << "a line whose far end has gone";
    ::close(fd);
    for (int n : {1, 2, 3})
        ASSERT_TRUE(test::linkPort(config.path(), n, n < 3 ? pty.slave : line.slave));
    CMSComm comm, other, third;
    comm.SetCommPort(200);  // no link: the traditional device
    const CommError missing = errorOf([&] { comm.SetPortOpen(true); });
    EXPECT_TRUE(missing.description().contains("COM200 (/dev/ttyS199) does not exist"))
        << missing.what();

    comm.SetCommPort(1);
    comm.SetPortOpen(true);
    other.SetCommPort(2);  // the same device
    const CommError locked = errorOf([&] { other.SetPortOpen(true); });
    EXPECT_EQ(locked.code(), CommError::HardwareLocked);
    EXPECT_TRUE(locked.description().contains(pty.slave)) << locked.what();

    // Far more than a pseudo-terminal holds while nobody reads the other side.
    const CommError full = errorOf([&] { comm.SetOutput(QByteArray(1 << 20, 'x')); });
    EXPECT_TRUE(full.description().contains(" of 1048576 bytes went out")) << full.what();
    EXPECT_TRUE(comm.GetPortOpen()) << "output the line does not take leaves the port open";

    // A line another program holds without a lock is refused, naming that program.
    test::Holder holder(line.slave, "velmora-holder");
    ASSERT_TRUE(holder.opened);
    third.SetCommPort(3);
    const CommError inUse = errorOf([&] { third.SetPortOpen(true); });
    EXPECT_TRUE(inUse.description().contains(
        QStringLiteral("velmora-holder (process id %1)").arg(holder.pid)))
        << inUse.what();
    EXPECT_FALSE(third.GetPortOpen()) << "a line another program holds";
    // Holding tty10 is not holding tty1, whose name only begins the same.
    const QString held = QDir(config.path()).canonicalPath() + "/tty10";
    QFile(held).open(QIODevice::WriteOnly);
    test::Holder fileHolder(held, "velmora-holder");
    ASSERT_TRUE(fileHolder.opened);
    EXPECT_TRUE(findPortHolders(held.chopped(1)).empty()) << "a device whose name begins tty1";
}
