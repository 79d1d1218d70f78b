// The real main dialog against the device simulator, or a bare pseudo-terminal where exact
// bytes matter: the port, the commands, and the samples' way to the displays.
#include "livedialog.h"
#include "tools/sim/devicesimulator.h"

namespace velmora::test {
namespace {

class DialogSerial : public LiveDialog {
protected:
    void startSim() {  // behind COM16, the last port in the list
        sim = std::make_unique<sim::DeviceSimulator>(sim::SimConfig{.fixedSequence = {1, 2, 3}});
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(sim->makeLink(sim::portLinkPath(16)));
    }
    QString stats() const { return dlg->itemText(IDC_MAXMIN_TEXT); }

    std::unique_ptr<sim::DeviceSimulator> sim;
};

TEST_F(DialogSerial, SessionWithTheSimulatorOnCom16) {
    startSim();
    // Commands with the port closed send nothing; the read-outs are still cleared.
    dlg->setItemText(IDC_DEVICE_NO, "1086");
    dlg->setItemText(IDC_MAKE_DATE, "1087");
    for (int id : {IDC_START_SAMPLING, IDC_READ_DEVICE_NO, IDC_READ_MAKE_DATE, IDC_STOP_SAMPLING})
        click(id);
    EXPECT_EQ(dlg->itemText(IDC_DEVICE_NO), "") << "device number after Read DeviceNo";
    EXPECT_EQ(dlg->itemText(IDC_MAKE_DATE), "") << "date after Read MakeDate";
    EXPECT_EQ(messages(), "") << "messages of commands with the port closed";

    // 1200 baud is refused, with the port left closed; 1201 is enough to open.
    dlg->itemAs<QComboBox>(IDC_PORT)->setCurrentIndex(15);
    for (const char* baud : {"1200", "1201"}) {
        dlg->setItemText(IDC_BAUD, baud);
        click(IDC_OPEN_PORT);
    }
    EXPECT_EQ(messages(),
              editionText("请输入正确的波特率!\n串口打开失败!",
                          "Please enter the right baud rate!\nThe Com-Port open failed!"));
    messageBoxes().clear();
    ASSERT_EQ(dlg->itemText(IDC_OPEN_PORT), editionText("关闭串口", "Close Port"));
    EXPECT_FALSE(dlg->item(IDC_DEVICE_TYPE)->isEnabled()) << "device type while open";
    EXPECT_EQ(dlg->comm().GetSettings(), "1201,n,8,1");

    click(IDC_START_SAMPLING);
    EXPECT_EQ(trace, (std::vector<std::string>{"Send Data:", "F0 C0 B0 ", "\n"}));
    click(IDC_READ_DEVICE_NO);
    click(IDC_READ_MAKE_DATE);
    EXPECT_TRUE(waitFor([&] { return dlg->itemText(IDC_DEVICE_NO) == "1234ABCD"; }));
    EXPECT_TRUE(waitFor([&] { return dlg->itemText(IDC_MAKE_DATE) == "2014.05.07"; }));
    click(IDC_STOP_SAMPLING);
    ASSERT_TRUE(waitFor([&] { return sim->receivedBytes().size() >= 12; }));
    const QByteArray sent = QByteArray::fromHex("F0C0B0 F0C2B2 F0C3B3 F0C1B1");
    EXPECT_EQ(sim->receivedBytes(), std::vector<std::uint8_t>(sent.begin(), sent.end()));

    // The device vanishes while sampling: one message, the port closed; it reopens.
    click(IDC_START_SAMPLING);
    ASSERT_TRUE(waitFor([&] { return sim->sampling(); }));
    sim->stop();
    ASSERT_TRUE(waitFor([&] { return !messages().isEmpty(); }));
    QTest::qWait(300);
    EXPECT_EQ(messages(), editionText("串口已断开!", "The Com-Port was disconnected!"));
    EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), editionText("打开串口", "Open Port"));
    startSim();
    click(IDC_OPEN_PORT);
    EXPECT_TRUE(dlg->comm().GetPortOpen()) << "port reopened" << messages().toStdString();
}

TEST_F(DialogSerial, SamplesReachTheDisplaysAsTheButtonsSayAndAtMostEvery200Ms) {
    ASSERT_NO_FATAL_FAILURE(openPty());
    EXPECT_EQ(dlg->comm().GetSettings(), "57600,n,8,1") << "default settings";
    EXPECT_EQ(pauses, (std::vector<std::pair<int, bool>>{{500, true}})) << "pauses after opening";
    ASSERT_TRUE(pty.write(QByteArray::fromHex("F0C307DE0507A5")));  // a wrong check byte
    send({5});  // the frame before it has been dealt with
    EXPECT_EQ(dlg->itemText(IDC_MAKE_DATE), "") << "date with a wrong check byte";
    EXPECT_EQ(stats(), "") << "statistics never started";

    click(IDC_MAXMIN);
    send({10, 30, 21});
    EXPECT_EQ(stats(), "[10,30](20)");
    click(IDC_MAXMIN);
    send({500});
    EXPECT_EQ(stats(), "[10,30](20)") << "statistics once stopped";
    click(IDC_MAXMIN);

    // Proof Baseline draws the (red) baseline; "Movedown Data" starts ticked and moves by it.
    click(IDC_PROOF_BASELINE);
    EXPECT_GT(pixels(&dlg->chart(), Qt::red), 0) << "baseline after Proof Baseline";
    EXPECT_TRUE(dlg->isChecked(IDC_MOVE_DOWN)) << "Movedown Data ticked at the start";
    const QImage lowered = dlg->chart().grab().toImage();
    click(IDC_MOVE_DOWN);
    EXPECT_NE(dlg->chart().grab().toImage(), lowered) << "chart with Movedown Data unticked";
    click(IDC_MOVE_DOWN);
    EXPECT_EQ(dlg->chart().grab().toImage(), lowered) << "chart with Movedown Data ticked";
    // Stop Refresh keeps samples out of the chart only; Clear Data empties it while ticked.
    click(IDC_STOP_REFRESH);
    click(IDC_CLEAR_DATA);
    send({200, 300});
    EXPECT_EQ(stats(), "[200,300](250)") << "statistics restarted, Stop Refresh ticked";
    EXPECT_EQ(pixels(&dlg->chart(), Qt::white), 0)
        << "trace after Clear Data with Stop Refresh ticked";
    click(IDC_STOP_REFRESH);
    send({700, 800});
    EXPECT_GT(pixels(&dlg->chart(), Qt::white), 0) << "trace once Stop Refresh is unticked";

    // 70,000 full-scale samples (a 32-bit sum wraps after 65,538 at most), then an end mark.
    click(IDC_MAXMIN);
    click(IDC_MAXMIN);
    std::vector<int> run(70000, 65535);
    run.push_back(1);
    send(run);
    EXPECT_EQ(stats(), QString::asprintf("[1,65535](%d)", int((65535LL * 70000 + 1) / 70001)));

    // The value box and the statistics follow at most every 200 ms, ending on the last sample.
    QWidget* box = dlg->item(IDC_VALUE);
    click(IDC_MAXMIN);
    click(IDC_MAXMIN);
    send({11});
    step = 0;  // the clock stands still until the test moves it
    box->repaint();
    const QImage shows11 = box->grab().toImage();
    PaintCounter counter(box);
    send({12, 13, 14, 15, 16, 17, 18, 19, 20});
    QTest::qWait(300);  // longer than the interval in real time: only the clock counts
    EXPECT_EQ(stats(), "[11,11](11)") << "statistics within 200 ms of the last paint";
    EXPECT_EQ(counter.paints, 0) << "value box paints within 200 ms of the last";
    now += 201;  // the interval ends: the last sample shows without a later one
    EXPECT_TRUE(waitFor([&] { return stats() == "[11,20](15)"; })) << stats().toStdString();
    EXPECT_TRUE(waitFor([&] { return counter.paints == 1; })) << "value box repainted";
    EXPECT_NE(box->grab().toImage(), shows11) << "value box picture after 200 ms";
    // A repaint elsewhere in the dialog does not hold the value box back.
    send({30});
    now += 201;
    dlg->item(IDC_QUIT)->repaint();
    EXPECT_TRUE(waitFor([&] { return stats() == "[11,30](16)"; })) << stats().toStdString();

    // A receive event on a closed port says nothing; another event leaves waiting bytes.
    click(IDC_OPEN_PORT);
    ASSERT_EQ(dlg->comm().GetCommEvent(), CMSComm::comEvReceive);
    emit dlg->comm().OnComm();
    EXPECT_EQ(messages(), "") << "messages of a receive event on a closed port";
    click(IDC_OPEN_PORT);
    dlg->comm().SetRThreshold(0);  // bytes wait without raising an event
    ASSERT_TRUE(pty.write(sampleFrame(77)));
    ASSERT_TRUE(waitFor([&] { return dlg->comm().GetInBufferCount() == 5; }));
    ASSERT_NE(dlg->comm().GetCommEvent(), CMSComm::comEvReceive);
    emit dlg->comm().OnComm();
    EXPECT_EQ(dlg->comm().GetInBufferCount(), 5) << "bytes waiting after another event";

    // A command the line refuses is not traced, and is reported in the edition's language.
    pty.close();  // the device is gone, and nothing has looked at the line since
    click(IDC_START_SAMPLING);
    EXPECT_TRUE(trace.empty()) << "trace of a command not sent";
    EXPECT_THAT(messages(), Says(editionText("向 COM1", "Writing to COM1")));
}

}  // namespace
}  // namespace velmora::test
