// The real main dialog against the device simulator (or a bare pseudo-terminal where exact
// bytes matter): opening and closing, the four commands, the sample path into the value box,
// the chart and the statistics, refusals in the edition's language, a vanishing device, a
// port already in use, a command the line does not take and receive events with nothing to
// take.
#include "livedialog.h"

#include <QComboBox>
#include <QImage>

#include <tuple>

using velmora::editionText;
using velmora::test::kPatience;
using velmora::test::linkPort;
using velmora::test::messageTexts;

namespace {

// How long a wait for the program may last: nearly the two minutes a test may take, so a
// loaded machine does not fail a test; a wait ends as soon as its condition holds.
constexpr int kPatience = 100000;

class DialogSerial : public velmora::test::DialogSerial {
protected:
    void startSim() {
        sim = std::make_unique<velmora::sim::DeviceSimulator>(
            velmora::sim::SimConfig{.fixedSequence = {1000, 2000, 3000}});
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(sim->makeLink(velmora::sim::portLinkPath(1)));
    }
    // The open button's caption and whether the device type can be changed, open or closed.
    void expectOpen(bool open) {
        EXPECT_EQ(dlg->comm().GetPortOpen(), open);
        EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), open ? editionText("关闭串口", "Close Port")
                                                     : editionText("打开串口", "Open Port"));
        EXPECT_EQ(dlg->item(IDC_DEVICE_TYPE)->isEnabled(), !open);
    }

    std::unique_ptr<velmora::sim::DeviceSimulator> sim;
};

TEST_F(DialogSerial, SessionWithTheSimulator) {
    startSim();
    // Commands with the port closed send nothing; the read-outs are still cleared.
    dlg->setItemText(IDC_DEVICE_NO, "1086");
    dlg->setItemText(IDC_MAKE_DATE, "1087");
    for (int id : {IDC_START_SAMPLING, IDC_READ_DEVICE_NO, IDC_READ_MAKE_DATE, IDC_STOP_SAMPLING})
        click(id);
    EXPECT_EQ(dlg->itemText(IDC_DEVICE_NO), "");
    EXPECT_EQ(dlg->itemText(IDC_MAKE_DATE), "");
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(messageTexts().empty());

    // Refused openings say why and leave the port closed; 1201 baud is enough to open.
    const std::vector<std::tuple<const char*, int, std::vector<QString>>> tries{
        {"1200",
         0,
         {editionText("请输入正确的波特率!", "Please enter the right baud rate!"),
          editionText("串口打开失败!", "The Com-Port open failed!")}},
        {"57600", -1, {editionText("请选择串口号!", "Please select one Com-Port!")}},
        {"1201", 0, {}}};
    for (const auto& [baud, portIndex, messages] : tries) {
        velmora::test::messageBoxes().clear();
        dlg->setItemText(IDC_BAUD, baud);
        dlg->itemAs<QComboBox>(IDC_PORT)->setCurrentIndex(portIndex);
        click(IDC_OPEN_PORT);
        EXPECT_EQ(messageTexts(), messages) << baud;
        EXPECT_EQ(dlg->comm().GetPortOpen(), messages.empty()) << baud;
    }
    expectOpen(true);
    EXPECT_EQ(dlg->comm().GetSettings(), "1201,n,8,1");

    click(IDC_START_SAMPLING);
    EXPECT_EQ(trace, (std::vector<std::string>{"Send Data:", "F0 C0 B0 ", "\n"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->chart().m_nWrite >= 6; }, kPatience));
    for (int v : {dlg->value(), lastChartSample()})
        EXPECT_TRUE(v == 1000 || v == 2000 || v == 3000) << v;
    click(IDC_READ_DEVICE_NO);
    click(IDC_READ_MAKE_DATE);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dlg->itemText(IDC_DEVICE_NO) == "1234ABCD"; }, kPatience));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dlg->itemText(IDC_MAKE_DATE) == "2014.05.07"; }, kPatience));
    click(IDC_STOP_SAMPLING);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim->receivedBytes().size() >= 12; }, kPatience));
    const QByteArray sent = QByteArray::fromHex("F0C0B0 F0C2B2 F0C3B3 F0C1B1");
    EXPECT_EQ(sim->receivedBytes(), std::vector<std::uint8_t>(sent.begin(), sent.end()));

    // The device vanishes while sampling: one message, the port closed, and it reopens.
    click(IDC_START_SAMPLING);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim->sampling(); }, kPatience));
    sim->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messageTexts().empty(); }, kPatience));
    QTest::qWait(300);
    EXPECT_EQ(messageTexts(),
              std::vector<QString>{editionText("串口已断开!", "The Com-Port was disconnected!")});
    expectOpen(false);
    startSim();
    click(IDC_OPEN_PORT);
    expectOpen(true);

    // A second program cannot open the port until this one closes it.
    auto other = makeDialog();
    click(IDC_OPEN_PORT, other.get());
    ASSERT_EQ(messageTexts().size(), 2u);
    EXPECT_TRUE(messageTexts().back().contains(
        editionText("正被另一个程序占用", "is in use by another program")))
        << messageTexts().back().toStdString();
    EXPECT_FALSE(other->comm().GetPortOpen());
    click(IDC_OPEN_PORT);
    expectOpen(false);
    click(IDC_OPEN_PORT, other.get());
    EXPECT_TRUE(other->comm().GetPortOpen());
}

TEST_F(DialogSerial, Com16OpensItsLink) {
    velmora::test::Pty pty;
    ASSERT_TRUE(linkPort(config.path(), 16, pty.slave));
    dlg->itemAs<QComboBox>(IDC_PORT)->setCurrentIndex(15);
    click(IDC_OPEN_PORT);
    EXPECT_EQ(dlg->comm().GetCommPort(), 16);
    EXPECT_EQ(dlg->comm().openedDevice(), pty.slave);
}

TEST_F(DialogSerial, RefusedOpeningsLeadToTheFixInTheEditionsLanguage) {
    // COM2 is linked to nothing; COM3's device is held by a program that took no lock.
    velmora::test::Pty pty;
    ASSERT_TRUE(linkPort(config.path(), 2, "/dev/velmora-no-such-device"));
    ASSERT_TRUE(linkPort(config.path(), 3, pty.slave));
    velmora::test::Holder holder(pty.slave, "velmora-holder");
    ASSERT_TRUE(holder.opened);
    const std::pair<int, QStringList> cases[] = {
        {2,
         {editionText("但该设备不存在", "which does not exist"), "mkdir -p ", QString("ln -sf ")}},
        {3,
         {editionText("正被另一个程序占用：velmora-holder（进程号 %1）",
                      "is in use by another program: velmora-holder (process id %1)")
              .arg(holder.pid)}},
    };
    for (const auto& [port, fragments] : cases) {
        velmora::test::messageBoxes().clear();
        dlg->itemAs<QComboBox>(IDC_PORT)->setCurrentIndex(port - 1);
        click(IDC_OPEN_PORT);
        ASSERT_EQ(messageTexts().size(), 1u) << port;
        for (const QString& fragment : fragments)
            EXPECT_TRUE(messageTexts()[0].contains(fragment)) << messageTexts()[0].toStdString();
        EXPECT_FALSE(dlg->comm().GetPortOpen()) << port;
    }
}

class DialogSamples : public velmora::test::DialogSamples {
protected:
    QString stats() const { return dlg->itemText(IDC_MAXMIN_TEXT); }
};

TEST_F(DialogSamples, StatisticsRunStopRestartStopRefreshAndALongFullScaleRun) {
    send({5, 7});
    EXPECT_EQ(stats(), "");  // never started: never written
    click(IDC_MAXMIN);
    send({10, 30, 21});
    EXPECT_EQ(stats(), "[10,30](20)");
    click(IDC_MAXMIN);
    send({500});
    EXPECT_EQ(stats(), "[10,30](20)");  // frozen
    click(IDC_MAXMIN);
    send({40});
    EXPECT_EQ(stats(), "[40,40](40)");  // the old samples are gone
    click(IDC_MAXMIN);
    click(IDC_MAXMIN);
    send({0});
    EXPECT_EQ(stats(), "[0,0](0)");

    // Stop Refresh keeps samples out of the chart only.
    const int written = dlg->chart().m_nWrite;
    EXPECT_EQ(lastChartSample(), 0);
    click(IDC_STOP_REFRESH);
    send({200, 300});
    EXPECT_EQ(stats(), "[0,300](166)");
    EXPECT_EQ(dlg->chart().m_nWrite, written);
    click(IDC_STOP_REFRESH);
    send({500});
    EXPECT_EQ(dlg->chart().m_nWrite, written + 1);
    EXPECT_EQ(lastChartSample(), 500);

    // With Stop Refresh ticked, Clear Data still clears the chart, which stays empty until
    // the box is unticked.
    const auto tracePixels = [&] {
        QWidget* chart = dlg->findChild<QWidget*>(QStringLiteral("ctrl_%1").arg(IDC_WAVE_CHART));
        const QImage image = chart->grab().toImage();
        int white = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) white += image.pixel(x, y) == 0xFFFFFFFFu;
        return white;
    };
    EXPECT_GT(tracePixels(), 0);
    click(IDC_STOP_REFRESH);
    click(IDC_CLEAR_DATA);
    send({600});
    EXPECT_EQ(tracePixels(), 0);
    click(IDC_STOP_REFRESH);
    send({700, 800});
    EXPECT_GT(tracePixels(), 0);

    // A restart and a long full-scale run: 70,000 full-scale samples (a signed 32-bit sum wraps
    // after 32,769 of them, an unsigned one after 65,538), then an end marker.
    click(IDC_MAXMIN);
    click(IDC_MAXMIN);
    std::vector<int> run(70000, 65535);
    run.push_back(1);
    send(run);
    EXPECT_EQ(dlg->statisticCount(), 70001);
    EXPECT_EQ(stats(),
              QString::asprintf("[1,65535](%d)", static_cast<int>((65535LL * 70000 + 1) / 70001)));
}

TEST_F(DialogSamples, ValueBoxAndStatisticsFollowAtMostEvery200MsAndEndOnTheLatestSample) {
    QWidget* box = dlg->item(IDC_VALUE);
    click(IDC_MAXMIN);
    send({11});
    EXPECT_EQ(stats(), "[11,11](11)");
    step = 0;  // the clock stands still until the test moves it
    box->repaint();
    const QImage shows11 = box->grab().toImage();
    velmora::test::PaintCounter counter(box);

    send({12, 13, 14, 15, 16, 17, 18, 19, 20});
    QTest::qWait(300);  // longer than the interval in real time: only the clock counts
    EXPECT_EQ(stats(), "[11,11](11)");
    EXPECT_EQ(counter.paints, 0);

    now += 201;  // the interval ends: the last sample shows without a later one
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats() == "[11,20](15)"; }, kPatience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints == 1; }, kPatience));
    EXPECT_NE(box->grab().toImage(), shows11);

    // A repaint elsewhere in the dialog does not hold the value box back.
    send({30});
    now += 201;
    dlg->item(IDC_QUIT)->repaint();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats() == "[11,30](16)"; }, kPatience));
}

TEST_F(DialogSamples, OpensWithTheDefaultSettingsAndLetsTheLineSettle) {
    EXPECT_EQ(dlg->comm().GetSettings(), "57600,n,8,1");
    // One pause of 500 ms, after the port opened.
    EXPECT_EQ(pauses, (std::vector<std::pair<int, bool>>{{500, true}}));
}

TEST_F(DialogSamples, ACommandTheLineDoesNotTakeIsShownAndNotTraced) {
    pty.close();  // the device is gone, and nothing has looked at the line since
    click(IDC_START_SAMPLING);
    EXPECT_TRUE(trace.empty());
    ASSERT_EQ(messageTexts().size(), 1u);
    EXPECT_TRUE(messageTexts()[0].contains(editionText("向 COM1", "Writing to COM1")))
        << messageTexts()[0].toStdString();
}

TEST_F(DialogSamples, ReceiveEventsWithNothingToReceiveDoNothing) {
    send({5});
    // A receive event after the port was closed finds no bytes and says nothing.
    click(IDC_OPEN_PORT);
    ASSERT_FALSE(dlg->comm().GetPortOpen());
    ASSERT_EQ(dlg->comm().GetCommEvent(), CMSComm::comEvReceive);
    emit dlg->comm().OnComm();
    EXPECT_TRUE(messageTexts().empty());

    // An event that is not a receive leaves waiting bytes where they are.
    click(IDC_OPEN_PORT);
    ASSERT_TRUE(dlg->comm().GetPortOpen());
    dlg->comm().SetRThreshold(0);  // bytes wait without raising an event
    ASSERT_TRUE(pty.write(velmora::test::sampleFrame(77)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->comm().GetInBufferCount() == 5; }, kPatience));
    ASSERT_NE(dlg->comm().GetCommEvent(), CMSComm::comEvReceive);
    emit dlg->comm().OnComm();
    EXPECT_EQ(dlg->value(), 5);
    EXPECT_EQ(dlg->comm().GetInBufferCount(), 5);
}

TEST_F(DialogSamples, ADateFrameWithAWrongCheckByteShowsNothing) {
    ASSERT_TRUE(pty.write(QByteArray::fromHex("F0C307DE0507A5")));
    send({9});  // a later frame shows: the date frame has been dealt with
    EXPECT_EQ(dlg->itemText(IDC_MAKE_DATE), "");
    ASSERT_TRUE(pty.write(QByteArray::fromHex("F0C307DE0507A4")));
    send({10});
    EXPECT_EQ(dlg->itemText(IDC_MAKE_DATE), "2014.05.07");
}

}  // namespace
