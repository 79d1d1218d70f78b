// The serial control against a real pseudo-terminal: port mapping, settings, the receive
// event, output, refusals with usable descriptions, exclusive opening and a vanishing device.
#include "serial/mscomm.h"
#include "serial/pty.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using velmora::CommError;
using velmora::test::linkPort;
using velmora::test::Pty;
using velmora::test::waitFor;

namespace {

class CommTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        ASSERT_TRUE(pty.valid());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", savedConfig); }

    // Writes the properties in the order the dialog does and opens.
    static void configure(CMSComm& comm, int port, const QString& settings) {
        comm.SetCommPort(static_cast<short>(port));
        comm.SetInBufferSize(2048);
        comm.SetOutBufferSize(512);
        comm.SetInputMode(CMSComm::comInputModeBinary);
        comm.SetSettings(settings);
        comm.SetRThreshold(1);
        comm.SetSThreshold(1);
        comm.SetInputLen(0);
        comm.SetDTREnable(true);
        comm.SetRTSEnable(true);
    }

    // Runs `action` and returns the CommError it throws (fails the test if none).
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
    QByteArray savedConfig;
    Pty pty;
};

TEST_F(CommTest, OpensThroughLinkAndExchangesBytes) {
    ASSERT_TRUE(linkPort(config.path(), 1, pty.slave()));
    CMSComm comm;
    configure(comm, 1, "1201,n,8,1");  // a non-standard rate, DTR/RTS refused by the pty
    EXPECT_FALSE(comm.GetPortOpen());
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen());
    EXPECT_EQ(comm.openedDevice(), pty.slave());
    EXPECT_EQ(comm.GetSettings(), "1201,n,8,1");

    comm.SetOutput(QByteArray("\xF0\xC0\xB0", 3));
    EXPECT_EQ(pty.read(), QByteArray("\xF0\xC0\xB0", 3));

    QSignalSpy events(&comm, &CMSComm::OnComm);
    ASSERT_TRUE(pty.write(QByteArray("\xF0\xC0\x12\x34\xF6", 5)));
    ASSERT_TRUE(events.wait(2000));
    EXPECT_EQ(comm.GetCommEvent(), CMSComm::comEvReceive);
    ASSERT_TRUE(waitFor([&] { return comm.GetInBufferCount() == 5; }));
    EXPECT_EQ(comm.GetInput(), QByteArray("\xF0\xC0\x12\x34\xF6", 5));
    EXPECT_EQ(comm.GetInBufferCount(), 0);

    // InputLen limits one read; the rest stays waiting.
    ASSERT_TRUE(pty.write("abcdef"));
    ASSERT_TRUE(waitFor([&] { return comm.GetInBufferCount() == 6; }));
    comm.SetInputLen(4);
    EXPECT_EQ(comm.GetInput(), "abcd");
    comm.SetInputLen(0);
    EXPECT_EQ(comm.GetInput(), "ef");

    // Settings change while open is applied; closing twice is harmless.
    comm.SetSettings("9600,n,8,1");
    comm.SetPortOpen(false);
    EXPECT_FALSE(comm.GetPortOpen());
    EXPECT_TRUE(comm.openedDevice().isEmpty());
    comm.SetPortOpen(false);
    EXPECT_FALSE(comm.GetPortOpen());
}

TEST_F(CommTest, RefusedAccessesThrowActionableErrors) {
    CMSComm comm;
    EXPECT_EQ(errorOf([&] { comm.SetCommPort(0); }).code(), CommError::InvalidPortNumber);
    EXPECT_EQ(comm.GetCommPort(), 1);
    for (const char* bad :
         {"57600", "abc,n,8,1", "0,n,8,1", "57600,x,8,1", "57600,n,9,1", "57600,n,8,3"}) {
        const CommError e = errorOf([&] { comm.SetSettings(bad); });
        EXPECT_EQ(e.code(), CommError::InvalidPropertyValue) << bad;
        EXPECT_TRUE(e.description().contains(bad)) << e.what();
    }
    EXPECT_EQ(errorOf([&] { comm.SetInputMode(2); }).code(), CommError::InvalidPropertyValue);
    EXPECT_EQ(errorOf([&] { comm.SetInBufferSize(0); }).code(), CommError::InvalidPropertyValue);
    EXPECT_EQ(errorOf([&] { comm.SetOutput("x"); }).code(), CommError::PortNotOpen);
    EXPECT_EQ(errorOf([&] { comm.GetInput(); }).code(), CommError::PortNotOpen);
    EXPECT_EQ(comm.GetInBufferCount(), 0);

    // A link to a device that is gone names the port, the link and the target.
    ASSERT_TRUE(linkPort(config.path(), 2, "/dev/velmora-no-such-device"));
    comm.SetCommPort(2);
    CommError e = errorOf([&] { comm.SetPortOpen(true); });
    EXPECT_EQ(e.code(), CommError::DeviceUnavailable);
    EXPECT_TRUE(e.description().contains("COM2"));
    EXPECT_TRUE(e.description().contains("/dev/velmora-no-such-device"));
    EXPECT_FALSE(comm.GetPortOpen());

    // A missing traditional device suggests how to map the port.
    comm.SetCommPort(200);
    e = errorOf([&] { comm.SetPortOpen(true); });
    EXPECT_EQ(e.code(), CommError::DeviceUnavailable);
    EXPECT_TRUE(e.description().contains("/dev/ttyS199"));
    EXPECT_TRUE(e.description().contains("ln -s"));
    EXPECT_STREQ(e.what(), e.description().toStdString().c_str());
}

TEST_F(CommTest, OpenPortRefusesPortChangeAndSecondOpen) {
    ASSERT_TRUE(linkPort(config.path(), 1, pty.slave()));
    ASSERT_TRUE(linkPort(config.path(), 2, pty.slave()));  // a second name, same device
    CMSComm comm;
    configure(comm, 1, "57600,n,8,1");
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen());
    EXPECT_EQ(errorOf([&] { comm.SetPortOpen(true); }).code(), CommError::PortAlreadyOpen);
    EXPECT_EQ(errorOf([&] { comm.SetCommPort(2); }).code(), CommError::PortAlreadyOpen);

    // Another control cannot share the device, under either name.
    for (int port : {1, 2}) {
        CMSComm other;
        configure(other, port, "57600,n,8,1");
        const CommError e = errorOf([&] { other.SetPortOpen(true); });
        EXPECT_EQ(e.code(), CommError::HardwareLocked) << e.what();
        EXPECT_TRUE(e.description().contains("in use")) << e.what();
        EXPECT_TRUE(e.description().contains(pty.slave())) << e.what();
        EXPECT_FALSE(other.GetPortOpen());
    }
    comm.SetPortOpen(false);
    CMSComm other;
    configure(other, 2, "57600,n,8,1");
    other.SetPortOpen(true);
    EXPECT_TRUE(other.GetPortOpen());
}

TEST_F(CommTest, ClosingBeforeALossIsHandledReportsNothing) {
    ASSERT_TRUE(linkPort(config.path(), 1, pty.slave()));
    CMSComm comm;
    configure(comm, 1, "57600,n,8,1");
    comm.SetPortOpen(true);
    QSignalSpy events(&comm, &CMSComm::OnComm);
    pty.close();
    comm.SetPortOpen(false);  // the program closes first
    QTest::qWait(200);
    EXPECT_EQ(events.count(), 0);
}

}  // namespace
