// The serial control against a real pseudo-terminal: refusals with usable descriptions,
// exclusive opening and a vanishing device.
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
    for (const char* bad :
         {"57600", "abc,n,8,1", "0,n,8,1", "57600,x,8,1", "57600,n,9,1", "57600,n,8,3"}) {
        const CommError e = errorOf([&] { comm.SetSettings(bad); });
        EXPECT_TRUE(e.code() == CommError::InvalidPropertyValue && e.description().contains(bad))
            << e.what();
    }
    EXPECT_EQ(comm.GetSettings(), "9600,n,8,1") << "a refused value changes nothing";
    EXPECT_EQ(errorOf([&] { comm.SetOutput("x"); }).code(), CommError::PortNotOpen);
    EXPECT_EQ(errorOf([&] { comm.GetInput(); }).code(), CommError::PortNotOpen);

    // A link to a device that is gone names the port, the link and the target; a missing
    // traditional device suggests how to map the port.
    ASSERT_TRUE(linkPort(config.path(), 2, "/dev/velmora-no-such-device"));
    for (auto [port, hints] : {std::pair{2, QStringList{"COM2", "/dev/velmora-no-such-device"}},
                               std::pair{200, QStringList{"/dev/ttyS199", "ln -s"}}}) {
        comm.SetCommPort(static_cast<short>(port));
        const CommError e = errorOf([&] { comm.SetPortOpen(true); });
        EXPECT_EQ(e.code(), CommError::DeviceUnavailable);
        for (const QString& hint : hints) EXPECT_TRUE(e.description().contains(hint)) << e.what();
        EXPECT_FALSE(comm.GetPortOpen());
    }
}

TEST_F(CommTest, OpenPortIsExclusiveAndAVanishedDeviceIsReportedOnce) {
    ASSERT_TRUE(linkPort(config.path(), 2, pty.slave));  // a second name, same device
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen());
    EXPECT_EQ(errorOf([&] { comm.SetPortOpen(true); }).code(), CommError::PortAlreadyOpen);
    EXPECT_EQ(errorOf([&] { comm.SetCommPort(2); }).code(), CommError::PortAlreadyOpen);
    for (short port : {1, 2}) {  // another control cannot share the device, under either name
        CMSComm other;
        other.SetCommPort(port);
        const CommError e = errorOf([&] { other.SetPortOpen(true); });
        EXPECT_EQ(e.code(), CommError::HardwareLocked) << e.what();
        EXPECT_TRUE(e.description().contains(pty.slave) && !other.GetPortOpen()) << e.what();
    }

    // The device goes away: the port closes and that is reported once.
    QSignalSpy events(&comm, &CMSComm::OnComm);
    pty.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !comm.GetPortOpen(); }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(events.count(), 1);
    EXPECT_EQ(comm.GetCommEvent(), CMSComm::comEventDeviceLost);
}

}  // namespace
