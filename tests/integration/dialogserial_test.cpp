// The real main dialog of the edition this program is built for, driven by clicks on its
// buttons, against the device simulator (or a bare pseudo-terminal where exact bytes
// matter): opening and closing, the four commands, the sample path into the value box, the
// chart and the statistics, refusals, a vanishing device and a port already in use.
#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/debugoutput.h"
#include "platform/tick.h"
#include "res/resource.h"
#include "serial/pty.h"
#include "support/testsupport.h"
#include "tools/sim/devicesimulator.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using velmora::editionText;
using velmora::sim::DeviceSimulator;
using velmora::sim::SimConfig;
using velmora::test::linkPort;
using velmora::test::messageTexts;
using velmora::test::Pty;
using velmora::test::waitFor;

namespace {

QByteArray frames(const std::vector<int>& values) {
    QByteArray bytes;
    for (int v : values) {
        const auto hi = static_cast<char>(v >> 8), lo = static_cast<char>(v & 0xFF);
        bytes += QByteArray{"\xF0\xC0", 2};
        bytes += hi;
        bytes += lo;
        bytes += static_cast<char>(0xF0 + 0xC0 + static_cast<unsigned char>(hi) +
                                   static_cast<unsigned char>(lo));
    }
    return bytes;
}

class DialogSerial : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        velmora::installResources(velmora::editionResources());
        previousSink = velmora::setDebugSink([this](std::string_view s) { trace.emplace_back(s); });
        dlg = makeDialog();
        initialCaption = dlg->itemText(IDC_OPEN_PORT);
    }
    void TearDown() override {
        dlg.reset();
        sim.reset();
        velmora::setTickClock({});
        velmora::setDebugSink(previousSink);
        qputenv("XDG_CONFIG_HOME", savedConfig);
    }

    static std::unique_ptr<CSensorDemoDlg> makeDialog() {
        auto d = std::make_unique<CSensorDemoDlg>();
        d->create();
        d->show();
        return d;
    }

    void startSim(SimConfig cfg, int port = 1) {
        sim = std::make_unique<DeviceSimulator>(cfg);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        ASSERT_TRUE(sim->makeLink(velmora::sim::portLinkPath(port), &error)) << error;
    }

    static void click(CSensorDemoDlg& d, int id) {
        auto* button = d.itemAs<QAbstractButton>(id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void click(int id) { click(*dlg, id); }

    static QString closedCaption() { return editionText("打开串口", "Open Port"); }
    static QString openCaption() { return editionText("关闭串口", "Close Port"); }

    // The newest sample stored in the chart's channel 0.
    int lastChartSample() const {
        const auto& chart = dlg->chart();
        return chart.m_nWrite > 0 ? chart.m_wData[0][static_cast<std::size_t>(chart.m_nWrite - 1)]
                                  : -1;
    }

    QTemporaryDir config;
    QByteArray savedConfig;
    velmora::DebugSink previousSink;
    std::vector<std::string> trace;
    std::unique_ptr<DeviceSimulator> sim;
    std::unique_ptr<CSensorDemoDlg> dlg;
    QString initialCaption;
};

TEST_F(DialogSerial, SessionWithTheSimulator) {
    SimConfig cfg;
    cfg.sampleRate = 500;
    cfg.fixedSequence = {1000, 2000, 3000};
    startSim(cfg);

    click(IDC_OPEN_PORT);
    ASSERT_TRUE(dlg->comm().GetPortOpen()) << messageTexts().size();
    EXPECT_EQ(dlg->comm().GetSettings(), "57600,n,8,1");
    EXPECT_EQ(dlg->comm().GetCommPort(), 1);
    EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), openCaption());
    EXPECT_FALSE(dlg->item(IDC_DEVICE_TYPE)->isEnabled());
    EXPECT_TRUE(dlg->item(IDC_PORT)->isEnabled());

    click(IDC_START_SAMPLING);
    EXPECT_EQ(trace, (std::vector<std::string>{"Send Data:", "F0 C0 B0 ", "\n"}));
    const auto inSequence = [](int v) { return v == 1000 || v == 2000 || v == 3000; };
    ASSERT_TRUE(waitFor([&] { return dlg->chart().m_nWrite >= 6; }));
    EXPECT_TRUE(inSequence(dlg->value())) << dlg->value();
    EXPECT_TRUE(inSequence(lastChartSample())) << lastChartSample();
    EXPECT_TRUE(sim->sampling());

    click(IDC_READ_DEVICE_NO);
    ASSERT_TRUE(waitFor([&] { return dlg->itemText(IDC_DEVICE_NO) == "1234ABCD"; }))
        << dlg->itemText(IDC_DEVICE_NO).toStdString();
    click(IDC_READ_MAKE_DATE);
    ASSERT_TRUE(waitFor([&] { return dlg->itemText(IDC_MAKE_DATE) == "2014.05.07"; }))
        << dlg->itemText(IDC_MAKE_DATE).toStdString();

    click(IDC_STOP_SAMPLING);
    ASSERT_TRUE(waitFor([&] { return !sim->sampling(); }));
    const std::vector<std::uint8_t> sent{0xF0, 0xC0, 0xB0, 0xF0, 0xC2, 0xB2,
                                         0xF0, 0xC3, 0xB3, 0xF0, 0xC1, 0xB1};
    ASSERT_TRUE(waitFor([&] { return sim->receivedBytes().size() >= sent.size(); }));
    EXPECT_EQ(sim->receivedBytes(), sent);
    EXPECT_EQ(trace.size(), 12u);

    click(IDC_OPEN_PORT);
    EXPECT_FALSE(dlg->comm().GetPortOpen());
    EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), closedCaption());
    EXPECT_TRUE(dlg->item(IDC_DEVICE_TYPE)->isEnabled());
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(DialogSerial, BaudRateAndPortChoice) {
    startSim({});
    const QString baudRefused =
        editionText("请输入正确的波特率!", "Please enter the right baud rate!");
    const QString openFailed = editionText("串口打开失败!", "The Com-Port open failed!");
    for (const char* refused : {"1200", "300", "fast"}) {
        velmora::test::messageBoxes().clear();
        dlg->setItemText(IDC_BAUD, refused);
        click(IDC_OPEN_PORT);
        EXPECT_EQ(messageTexts(), (std::vector<QString>{baudRefused, openFailed})) << refused;
        EXPECT_FALSE(dlg->comm().GetPortOpen());
        EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), initialCaption);
    }

    // No port selected: one message, nothing else.
    velmora::test::messageBoxes().clear();
    dlg->itemAs<QComboBox>(IDC_PORT)->setCurrentIndex(-1);
    click(IDC_OPEN_PORT);
    EXPECT_EQ(messageTexts(),
              std::vector<QString>{editionText("请选择串口号!", "Please select one Com-Port!")});
    EXPECT_FALSE(dlg->comm().GetPortOpen());
    dlg->itemAs<QComboBox>(IDC_PORT)->setCurrentIndex(0);

    velmora::test::messageBoxes().clear();
    dlg->setItemText(IDC_BAUD, "1201");
    click(IDC_OPEN_PORT);
    ASSERT_TRUE(dlg->comm().GetPortOpen())
        << (messageTexts().empty() ? "" : messageTexts()[0].toStdString());
    EXPECT_EQ(dlg->comm().GetSettings(), "1201,n,8,1");

    // The combos stay usable while open; the button still closes the port.
    dlg->itemAs<QComboBox>(IDC_PORT)->setCurrentIndex(15);
    click(IDC_OPEN_PORT);
    EXPECT_FALSE(dlg->comm().GetPortOpen());

    // COM16 opens port 16.
    DeviceSimulator sixteen;
    ASSERT_TRUE(sixteen.start());
    ASSERT_TRUE(sixteen.makeLink(velmora::sim::portLinkPath(16)));
    click(IDC_OPEN_PORT);
    EXPECT_TRUE(dlg->comm().GetPortOpen());
    EXPECT_EQ(dlg->comm().GetCommPort(), 16);
    EXPECT_EQ(dlg->comm().openedDevice().toStdString(), sixteen.slavePath());
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(DialogSerial, CommandsWithThePortClosedSendNothing) {
    startSim({});
    dlg->setItemText(IDC_DEVICE_NO, "old number");
    dlg->setItemText(IDC_MAKE_DATE, "old date");
    for (int id : {IDC_START_SAMPLING, IDC_READ_DEVICE_NO, IDC_READ_MAKE_DATE, IDC_STOP_SAMPLING})
        click(id);
    EXPECT_EQ(dlg->itemText(IDC_DEVICE_NO), "");
    EXPECT_EQ(dlg->itemText(IDC_MAKE_DATE), "");
    QTest::qWait(100);
    EXPECT_TRUE(sim->receivedBytes().empty());
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(DialogSerial, VanishingDeviceIsReportedOnceAndThePortReopens) {
    SimConfig cfg;
    cfg.sampleRate = 1000;
    startSim(cfg);
    click(IDC_OPEN_PORT);
    click(IDC_START_SAMPLING);
    ASSERT_TRUE(waitFor([&] { return dlg->chart().m_nWrite > 0; }));

    sim->stop();
    ASSERT_TRUE(waitFor([&] { return !messageTexts().empty(); }));
    EXPECT_EQ(messageTexts(),
              std::vector<QString>{editionText("串口已断开!", "The Com-Port was disconnected!")});
    EXPECT_FALSE(dlg->comm().GetPortOpen());
    EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), closedCaption());
    EXPECT_TRUE(dlg->item(IDC_DEVICE_TYPE)->isEnabled());
    QTest::qWait(300);
    EXPECT_EQ(messageTexts().size(), 1u);

    // A command now sends nothing and says nothing.
    click(IDC_START_SAMPLING);
    EXPECT_EQ(messageTexts().size(), 1u);

    startSim(cfg);
    click(IDC_OPEN_PORT);
    EXPECT_TRUE(dlg->comm().GetPortOpen());
    EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), openCaption());
    EXPECT_EQ(messageTexts().size(), 1u);
}

TEST_F(DialogSerial, SecondDialogCannotOpenAnOpenPort) {
    startSim({});
    click(IDC_OPEN_PORT);
    ASSERT_TRUE(dlg->comm().GetPortOpen());

    auto other = makeDialog();
    const QString otherCaption = other->itemText(IDC_OPEN_PORT);
    click(*other, IDC_OPEN_PORT);
    ASSERT_EQ(messageTexts().size(), 1u);
    EXPECT_TRUE(messageTexts()[0].contains("in use")) << messageTexts()[0].toStdString();
    EXPECT_FALSE(other->comm().GetPortOpen());
    EXPECT_EQ(other->itemText(IDC_OPEN_PORT), otherCaption);
    EXPECT_TRUE(dlg->comm().GetPortOpen());

    click(IDC_OPEN_PORT);
    click(*other, IDC_OPEN_PORT);
    EXPECT_TRUE(other->comm().GetPortOpen());
}

// Exact frames written to a bare pseudo-terminal, with a clock that lets 200 ms pass
// between any two readings so every sample step writes the statistics text.
class DialogSamples : public DialogSerial {
protected:
    void SetUp() override {
        DialogSerial::SetUp();
        ASSERT_TRUE(pty.valid());
        ASSERT_TRUE(linkPort(config.path(), 1, pty.slave()));
        velmora::setTickClock([this] { return now += 1000; });
        click(IDC_OPEN_PORT);
        ASSERT_TRUE(dlg->comm().GetPortOpen());
    }
    void send(const std::vector<int>& values) {
        ASSERT_TRUE(pty.write(frames(values)));
        ASSERT_TRUE(waitFor([&] { return dlg->value() == values.back(); }));
        QTest::qWait(20);
    }
    QString stats() const { return dlg->itemText(IDC_MAXMIN_TEXT); }

    // Writes a stream larger than the line buffers from another thread (the dialog reads it
    // here) and waits until the value box shows `lastValue`, which must differ from the
    // value before.
    void streamAndWait(const QByteArray& stream, int lastValue) {
        ASSERT_NE(dlg->value(), lastValue);
        std::thread writer([&] { pty.write(stream); });
        const bool arrived = waitFor([&] { return dlg->value() == lastValue; }, 30000);
        if (!arrived) dlg->comm().SetPortOpen(false);  // lets a blocked writer fail
        writer.join();
        ASSERT_TRUE(arrived);
        QTest::qWait(20);
    }

    Pty pty;
    std::uint32_t now = 0;
};

TEST_F(DialogSamples, StatisticsRunStopAndRestart) {
    send({5, 7});
    EXPECT_EQ(stats(), "");  // never started: never written

    click(IDC_MAXMIN);
    EXPECT_EQ(dlg->itemText(IDC_MAXMIN), editionText("停止计算", "Stop Calculate"));
    send({10, 30, 21});
    EXPECT_EQ(stats(), "[10,30](20)");

    click(IDC_MAXMIN);
    EXPECT_EQ(dlg->itemText(IDC_MAXMIN), editionText("最大最小值", "Max/Min Value"));
    send({500});
    EXPECT_EQ(stats(), "[10,30](20)");  // frozen

    click(IDC_MAXMIN);
    send({40});
    EXPECT_EQ(stats(), "[40,40](40)");  // the old samples are gone

    click(IDC_MAXMIN);
    click(IDC_MAXMIN);
    send({0, 0});
    EXPECT_EQ(stats(), "[0,0](0)");
}

TEST_F(DialogSamples, LongFullScaleRunKeepsTheTrueMean) {
    click(IDC_MAXMIN);
    // 100,000 full-scale samples: a 32-bit sum would wrap after 32768 of them.
    std::vector<int> run(100000, 65535);
    run.push_back(1);  // the end marker, which also moves the mean below full scale
    streamAndWait(frames(run), 1);
    EXPECT_EQ(stats(), QString::asprintf("[1,65535](%d)",
                                         static_cast<int>((65535LL * 100000 + 1) / 100001)));
}

TEST_F(DialogSamples, StopRefreshKeepsSamplesOutOfTheChartOnly) {
    click(IDC_MAXMIN);
    send({100});
    const int written = dlg->chart().m_nWrite;
    EXPECT_EQ(lastChartSample(), 100);

    click(IDC_STOP_REFRESH);
    send({200, 300});
    EXPECT_EQ(dlg->value(), 300);
    EXPECT_EQ(stats(), "[100,300](200)");
    EXPECT_EQ(dlg->chart().m_nWrite, written);

    click(IDC_CLEAR_DATA);  // still clears the chart, which then stays empty
    send({400});
    EXPECT_EQ(dlg->chart().m_nWrite, 0);

    click(IDC_STOP_REFRESH);
    send({500});
    EXPECT_EQ(dlg->chart().m_nWrite, 1);
    EXPECT_EQ(lastChartSample(), 500);
}

TEST_F(DialogSamples, LargeStreamWithJunkDecodesEveryFrame) {
    click(IDC_MAXMIN);
    // 64 KiB of increasing samples with junk between them, written in one go.
    std::vector<int> values;
    QByteArray stream;
    for (int i = 0; stream.size() < 64 * 1024; ++i) {
        values.push_back(i);
        stream += frames({i});
        if (i % 50 == 0) stream += QByteArray("\x01\xF0\x99", 3);
    }
    const int last = values.back();
    streamAndWait(stream, last);
    // Every frame counted: min, max and the exact mean of 0..last.
    EXPECT_EQ(stats(), QString::asprintf("[0,%d](%d)", last, last / 2));
}

}  // namespace
