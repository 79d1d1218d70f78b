// The serial layer: frame parser (split, wrapped and overflowing input: tests/fuzz), settings,
// error texts, hang-up verdict and the control on a pseudo-terminal (more: tests/integration).
#include "serial/answertext.h"
#include "serial/frameparser.h"
#include "serial/linewatch.h"
#include "serial/mscomm.h"
#include "serial/porterrors.h"
#include "serial/pty.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>

#include <functional>
#include <tuple>

using namespace velmora;

namespace {

using Digits = std::array<std::uint8_t, 4>;

// What the parser delivers, in order, from the hex bytes in a 64-byte ring; the bytes left.
struct Parse : FrameSink {
    explicit Parse(const QByteArray& hex) {
        const QByteArray b = QByteArray::fromHex(hex);
        ByteRing ring{};
        ringAllocate(ring, 64);
        receiveBytes(ring, reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), *this);
        got.second = ringCount(ring);
        ringFree(ring);
    }
    void onSample(int value) override { got.first << QString::number(value); }
    void onDeviceNo(const Digits& d) override { got.first << deviceNoText(d); }
    void onMakeDate(int y, int m, int d) override { got.first << makeDateText(y, m, d); }
    std::pair<QStringList, int> got;
};

// The CommError `action` throws (code 0 if none).
CommError errorOf(const std::function<void()>& action) try {
    action();
    return CommError(CommError::Code(0), "no CommError thrown");
} catch (const CommError& e) {
    return e;
}

}  // namespace

TEST(Parser, DecodesRecoversAndWaitsByteExactly) {
    // Hex bytes, what is delivered, bytes left waiting.
    const std::tuple<const char*, QStringList, int> cases[] = {
        {"F0 C0 12 34 F6", {"4660"}, 0},
        {"F0 C2 12 34 AB CD 70 F0 C3 07 DE 05 07 A4", {"1234ABCD", "2014.05.07"}, 0},
        {"F0 C0 12 34", {}, 4},  // an incomplete frame waits for the rest
        {"F0 C2 12 34 AB CD", {}, 6},
        // A wrong check costs only the sync byte: the scan resumes one byte later.
        {"F0 C0 F0 C0 00 01 B1", {"1"}, 0},
        {"F0 C3 F0 C0 02 03 B5", {"515"}, 0},
        {"F0 C1 F0 C0 00 01 B1", {}, 2},  // the stop answer drops three bytes, sync or not
        // Junk and unknown types are skipped one byte at a time.
        {"00 12 F0 C5 01 F0 F0 F0 C0 00 64 14 C0 FF F0 C0 00 C8 78", {"100", "200"}, 0},
    };
    for (const auto& [hex, got, left] : cases)
        EXPECT_EQ(Parse(hex).got, std::pair(got, left)) << hex;
}

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
        EXPECT_FALSE(parsePortSettings(bad)) << bad;
}

TEST(PortErrors, LeadToTheFixInTheChosenLanguage) {
    // COM3 linked to a device that is gone, with two serial devices present and with none, and
    // a device this user may not open. (A missing link and a device in use: tests/integration.)
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

TEST(LineWatch, AGoneLineIsOneThatCannotBeLookedAtOrIsReadableWithNothingToRead) {
    // Each look (polled, revents, counted, bytes waiting) and whether the line is gone.
    const std::pair<LineLook, bool> looks[] = {
        {{true, POLLIN, true, 5}, false},  {{true, POLLIN, true, 0}, true},
        {{true, POLLHUP, true, 0}, true},  {{true, POLLERR | POLLIN, true, 3}, true},
        {{true, POLLNVAL, true, 0}, true}, {{false, 0, true, 0}, true},
        {{true, POLLIN, false, 0}, true},
    };
    for (const auto& [look, gone] : looks)
        EXPECT_EQ(lineHungUp(look), gone) << look.polled << look.revents << look.counted;
}

// The device behind an unmapped port, a device locked under another of its names, output the
// line does not take, and another program holding a device.
TEST(Comm, RefusalsNameTheCauseAndLeaveThePortAsItWas) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    test::Pty pty;
    ASSERT_TRUE(test::linkPort(config.path(), 1, pty.slave));
    ASSERT_TRUE(test::linkPort(config.path(), 2, pty.slave));
    CMSComm comm, other;
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

    // Another program holds tty10: it is named, and tty1 is free.
    const QString device = QDir(config.path()).canonicalPath() + "/tty1", held = device + "0";
    for (const QString& path : {device, held}) QFile(path).open(QIODevice::WriteOnly);
    test::Holder holder(held, "velmora-holder");
    ASSERT_TRUE(holder.opened);
    EXPECT_EQ(findPortHolders(held), (std::vector<PortHolder>{{holder.pid, "velmora-holder"}}));
    EXPECT_TRUE(findPortHolders(device).empty()) << "a device whose name only begins the same";
    // A line another program holds without a lock is refused, naming that program.
    test::Pty line;
    test::Holder lineHolder(line.slave, "velmora-holder");
    ASSERT_TRUE(lineHolder.opened);
    ASSERT_TRUE(test::linkPort(config.path(), 3, line.slave));
    CMSComm third;
    third.SetCommPort(3);
    const CommError inUse = errorOf([&] { third.SetPortOpen(true); });
    EXPECT_TRUE(inUse.description().contains(
        QStringLiteral("velmora-holder (process id %1)").arg(lineHolder.pid)))
        << inUse.what();
    EXPECT_FALSE(third.GetPortOpen()) << "a line another program holds";
}
