// The serial control against a real pseudo-terminal: port mapping, settings, the receive
// event, refusals with usable descriptions, exclusive opening and a vanishing device.
#include "serial/mscomm.h"
#include "serial/pty.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>

using velmora::CommError;
using velmora::test::linkPort;

namespace {

class CommTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        ASSERT_TRUE(linkPort(config.path(), 1, pty.slave()));
        // The properties the dialog relies on; DTR and RTS are refused by a pty, harmlessly.
        comm.SetCommPort(1);
        comm.SetSettings("1201,n,8,1");  // a non-standard rate
        comm.SetRThreshold(1);
        comm.SetDTREnable(true);
        comm.SetRTSEnable(true);
    }

    // The CommError `action` throws (fails the test if none).
    template <class F>
    static CommError errorOf(F action) {
        try {
            action();
        } catch (const CommError& e) {
            return e;
        }
        ADD_FAILURE() << "no CommError thrown";
        return CommError(CommError::InvalidPropertyValue, {});
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
        EXPECT_EQ(e.code(), CommError::InvalidPropertyValue) << bad;
        EXPECT_TRUE(e.description().contains(bad)) << e.what();
    }
    EXPECT_EQ(comm.GetSettings(), "1201,n,8,1");
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

TEST_F(CommTest, OpenPortReceivesIsExclusiveAndNoticesAVanishedDevice) {
    ASSERT_TRUE(linkPort(config.path(), 2, pty.slave()));  // a second name, same device
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen());
    EXPECT_EQ(comm.openedDevice(), pty.slave());
    EXPECT_EQ(errorOf([&] { comm.SetPortOpen(true); }).code(), CommError::PortAlreadyOpen);
    EXPECT_EQ(errorOf([&] { comm.SetCommPort(2); }).code(), CommError::PortAlreadyOpen);

    // Another control cannot share the device, under either name.
    for (int port : {1, 2}) {
        CMSComm other;
        other.SetCommPort(static_cast<short>(port));
        const CommError e = errorOf([&] { other.SetPortOpen(true); });
        EXPECT_EQ(e.code(), CommError::HardwareLocked) << e.what();
        EXPECT_TRUE(e.description().contains("in use")) << e.what();
        EXPECT_TRUE(e.description().contains(pty.slave())) << e.what();
        EXPECT_FALSE(other.GetPortOpen());
    }

    QSignalSpy events(&comm, &CMSComm::OnComm);
    ASSERT_TRUE(pty.write("\xF0\xC0\x12"));
    ASSERT_TRUE(events.wait(2000));
    EXPECT_EQ(comm.GetCommEvent(), CMSComm::comEvReceive);
    ASSERT_TRUE(QTest::qWaitFor([&] { return comm.GetInBufferCount() == 3; }));
    EXPECT_EQ(comm.GetInput(), "\xF0\xC0\x12");

    // The device goes away: the port closes and that is reported once.
    events.clear();
    pty.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !comm.GetPortOpen(); }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(events.count(), 1);
    EXPECT_EQ(comm.GetCommEvent(), CMSComm::comEventDeviceLost);
}

}  // namespace
