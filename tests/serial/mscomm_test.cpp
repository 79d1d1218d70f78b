// The serial control against a real pseudo-terminal: refusals with usable descriptions, a
// device in use elsewhere, output the line does not take and a vanishing device.
#include "serial/mscomm.h"
#include "serial/pty.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using velmora::CommError;
using velmora::test::linkPort;

namespace {

// The CommError `action` throws (code 0 if none).
template <class F>
CommError errorOf(F action) {
    try {
        action();
    } catch (const CommError& e) {
        return e;
    }
    return CommError(CommError::Code(0), "no CommError thrown");
}

class CommTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        ASSERT_TRUE(linkPort(config.path(), 1, pty.slave));
        comm.SetCommPort(1);
    }
    QTemporaryDir config;
    velmora::test::Pty pty;
    CMSComm comm;  // port 1, the pty
};

TEST_F(CommTest, RefusedAccessesThrowActionableErrors) {
    EXPECT_EQ(errorOf([&] { comm.SetCommPort(0); }).code(), CommError::InvalidPortNumber);
    EXPECT_EQ(errorOf([&] { comm.SetSettings("57600,x,8,1"); }).code(),
              CommError::InvalidPropertyValue);
    EXPECT_EQ(comm.GetSettings(), "9600,n,8,1") << "a refused value changes nothing";
    EXPECT_EQ(errorOf([&] { comm.SetOutput("x"); }).code(), CommError::PortNotOpen);
    EXPECT_EQ(errorOf([&] { comm.GetInput(); }).code(), CommError::PortNotOpen);

    // A link to a device that is gone names the port and the target; a missing traditional
    // device says how to map the port.
    ASSERT_TRUE(linkPort(config.path(), 2, "/dev/velmora-no-such-device"));
    for (auto [port, hints] : {std::pair{2, QStringList{"COM2", "/dev/velmora-no-such-device"}},
                               std::pair{200, QStringList{"/dev/ttyS199", "ln -sf", "COM200"}}}) {
        comm.SetCommPort(static_cast<short>(port));
        const CommError e = errorOf([&] { comm.SetPortOpen(true); });
        EXPECT_EQ(e.code(), CommError::DeviceUnavailable);
        for (const QString& hint : hints) EXPECT_TRUE(e.description().contains(hint)) << e.what();
        EXPECT_FALSE(comm.GetPortOpen());
    }

    comm.SetCommPort(1);
    comm.SetPortOpen(true);
    EXPECT_EQ(errorOf([&] { comm.SetPortOpen(true); }).code(), CommError::PortAlreadyOpen);
    EXPECT_EQ(errorOf([&] { comm.SetCommPort(2); }).code(), CommError::PortAlreadyOpen);
}

// Another program that holds the device without a lock, then another control under either of
// the device's names: both are refused by name.
TEST_F(CommTest, ADeviceInUseElsewhereIsRefusedNamingWhoHoldsIt) {
    velmora::test::Holder holder(pty.slave, "velmora-holder");
    ASSERT_TRUE(holder.opened);
    const CommError held = errorOf([&] { comm.SetPortOpen(true); });
    EXPECT_EQ(held.code(), CommError::HardwareLocked);
    const QString holderName = "velmora-holder (process id " + QString::number(holder.pid) + ")";
    EXPECT_TRUE(held.description().contains(holderName)) << held.what();
    EXPECT_FALSE(comm.GetPortOpen());
    holder.end();
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen()) << "the holder ended: the port is free";

    ASSERT_TRUE(linkPort(config.path(), 2, pty.slave));
    for (short port : {1, 2}) {
        CMSComm other;
        other.SetCommPort(port);
        const CommError e = errorOf([&] { other.SetPortOpen(true); });
        EXPECT_EQ(e.code(), CommError::HardwareLocked) << e.what();
        EXPECT_TRUE(e.description().contains(pty.slave)) << e.what();
        EXPECT_FALSE(other.GetPortOpen());
    }
}

// Far more output than a pseudo-terminal holds while nobody reads the other side is refused and
// the port stays open; then the device goes away: the port closes and that is reported once.
TEST_F(CommTest, OutputTheLineDoesNotTakeIsRefusedAndAVanishedDeviceIsReportedOnce) {
    comm.SetPortOpen(true);
    const CommError e = errorOf([&] { comm.SetOutput(QByteArray(1 << 20, 'x')); });
    EXPECT_EQ(e.code(), CommError::DeviceUnavailable);
    EXPECT_TRUE(e.description().contains(" of 1048576 bytes went out")) << e.what();
    EXPECT_TRUE(comm.GetPortOpen());

    QSignalSpy events(&comm, &CMSComm::OnComm);
    pty.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !comm.GetPortOpen(); }, 60000));
    QTest::qWait(200);
    EXPECT_EQ(events.count(), 1);
    EXPECT_EQ(comm.GetCommEvent(), CMSComm::comEventDeviceLost);
}

}  // namespace
