// The real main dialog of this program's edition driven by clicks, against the device simulator or
// a bare pseudo-terminal where exact bytes matter; recording and the prompt line; the program's
// --record option and its end on a signal; the About box; Velmora's calibration dialog.
#include "app/aboutdlg.h"
#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/debugoutput.h"
#include "platform/filedialog.h"
#include "platform/tick.h"
#include "res/resource.h"
#include "serial/pty.h"
#include "serial/settle.h"
#include "support/testsupport.h"
#include "tools/sim/devicesimulator.h"

#include <QAbstractButton>
#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <thread>

#include <signal.h>

inline void PrintTo(const QString& s, std::ostream* out) { *out << '"' + s.toStdString() + '"'; }

namespace velmora::test {
namespace {

// A wait ends once its condition holds, and may take nearly the two minutes a test may last.
constexpr int kPatience = 100000;
bool waitFor(auto condition) { return QTest::qWaitFor(condition, kPatience); }
MATCHER_P(Says, text, "") { return arg.contains(text); }

inline QString messages() {
    QStringList texts;
    for (const RecordedBox& box : messageBoxes()) texts << box.text;
    return texts.join(u'\n');
}
inline QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "<unreadable>";
}
// Pixels of one colour in rows [top, bottom) of a widget's picture, as the operator sees it.
inline int pixels(QWidget* widget, const QColor& colour, int top = 0, int bottom = 1 << 30) {
    const QImage image = widget->grab().toImage();
    int n = 0;
    for (int y = top; y < std::min(bottom, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
    return n;
}

QString recordingText(const QString& name, int rows) {
    const QString count = QLocale(VELMORA_ZH ? QLocale::C : QLocale::English).toString(rows);
    return editionText("正在记录到 %1: %2 个采样", "Recording to %1: %2 samples").arg(name, count);
}
// A recording's header and values, one a line, without the time column.
QString recordedValues(const QString& path) {
    return fileText(path).remove(QRegularExpression("(?m)^\\d+\\.\\d{3},"));
}

class LiveDialog : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        installResources(editionResources());
        setDebugSink([this](std::string_view s) { trace.emplace_back(s); });
        setSaveFileHook([this](const SaveFileRequest&) { return answer; });
        // The pause after opening is recorded, with whether the port was open by then.
        setSettleDelay([this](int ms) { pauses.emplace_back(ms, dlg->comm().GetPortOpen()); });
        dlg = std::make_unique<CSensorDemoDlg>();
        dlg->create(), dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    void TearDown() override {
        setTickClock({}), setDebugSink({}), setSettleDelay({}), setSaveFileHook({});
    }
    void click(int id) { QTest::mouseClick(dlg->itemAs<QAbstractButton>(id), Qt::LeftButton); }
    // The window menu's last two entries: Record Samples (1) and Stop Recording (0).
    QAction* entry(int fromEnd) { return dlg->windowMenu()->actions().rbegin()[fromEnd]; }
    bool promptSays(const QString& text) {
        return waitFor([&] { return dlg->itemText(IDC_PROMPT) == text; });
    }
    // COM1 on the pseudo-terminal; the clock moves `step` (first a second) at every reading.
    void openPty() {
        ASSERT_TRUE(linkPort(config.path(), 1, pty.slave));
        setTickClock([this] { return now += step; });
        click(IDC_OPEN_PORT);
        ASSERT_TRUE(dlg->comm().GetPortOpen());
    }
    // Writes the frames from a thread (a long stream fills the line) until the last one shows.
    void send(const std::vector<int>& values) {
        ASSERT_NE(dlg->value(), values.back());
        QByteArray bytes;
        for (int v : values) bytes += sampleFrame(v), sent += QString::number(v) + '\n';
        std::thread writer([&] { pty.write(bytes); });
        const bool arrived = waitFor([&] { return dlg->value() == values.back(); });
        if (!arrived) dlg->comm().SetPortOpen(false);  // lets a blocked writer fail
        writer.join();
        ASSERT_TRUE(arrived);
        QTest::qWait(20);
    }

    QTemporaryDir config;
    QString answer;  // the file chosen in the file dialog
    QString sent;    // the values sent, one a line
    std::vector<std::string> trace;
    std::vector<std::pair<int, bool>> pauses;
    std::unique_ptr<CSensorDemoDlg> dlg;
    Pty pty;
    std::uint32_t now = 0, step = 1000;
};

using DialogSerial = LiveDialog;

TEST_F(DialogSerial, SessionWithTheSimulatorOnCom16) {
    std::unique_ptr<sim::DeviceSimulator> sim;
    const auto startSim = [&] {  // behind COM16, the last port in the list
        sim = std::make_unique<sim::DeviceSimulator>(sim::SimConfig{.fixedSequence = {1, 2, 3}});
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(sim->makeLink(sim::portLinkPath(16)));
    };
    // A right-click on the background (here between the group boxes) opens the window menu.
    const QPoint at(dlg->itemRect(IDC_WAVE_GROUP).center().x(),
                    dlg->itemRect(IDC_WAVE_GROUP).bottom() + 3);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, dlg->mapToGlobal(at));
    QApplication::sendEvent(dlg.get(), &rightClick);
    EXPECT_TRUE(dlg->windowMenu()->isVisible()) << "menu after a right-click on the background";
    dlg->windowMenu()->hide();
    // "Open Port" looks no more the default with the focus on the port box (Enter ends the
    // dialog there) than with it on Quit; on itself it takes Enter and looks it.
    QWidget* open = dlg->item(IDC_OPEN_PORT);
    dlg->item(IDC_QUIT)->setFocus();
    const QImage plain = open->grab().toImage();
    dlg->item(IDC_PORT)->setFocus();
    EXPECT_EQ(open->grab().toImage(), plain) << "Open Port with the focus on the port box";
    open->setFocus();
    EXPECT_NE(open->grab().toImage(), plain) << "Open Port with the focus on itself";

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
    dlg->setItemText(IDC_BAUD, "1200");
    click(IDC_OPEN_PORT);
    EXPECT_THAT(messages(), Says(editionText("请输入正确的波特率!", "the right baud rate!")));
    messageBoxes().clear();
    dlg->setItemText(IDC_BAUD, "1201");
    click(IDC_OPEN_PORT);
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
    // Enter on the port box ends the dialog.
    dlg->item(IDC_PORT)->setFocus();
    QTest::keyClick(dlg->item(IDC_PORT), Qt::Key_Return);
    EXPECT_FALSE(dlg->isWindow()) << "dialog after Enter on the port box";
}

TEST_F(DialogSerial, SamplesReachTheDisplaysAndTheRecordingAsTheButtonsSayAndAtMostEvery200Ms) {
    ASSERT_NO_FATAL_FAILURE(openPty());
    const auto stats = [&] { return dlg->itemText(IDC_MAXMIN_TEXT); };
    answer = config.filePath("session.csv");  // every sample from here on is recorded
    entry(1)->trigger();
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
    // Stop Refresh keeps samples out of the chart only; Clear Data empties it while ticked.
    click(IDC_STOP_REFRESH);
    click(IDC_CLEAR_DATA);
    send({200, 300});
    EXPECT_EQ(stats(), "[200,300](250)") << "statistics restarted, Stop Refresh ticked";
    EXPECT_EQ(pixels(&dlg->chart(), Qt::white), 0) << "trace after Clear Data, Stop Refresh on";
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
    EXPECT_TRUE(promptSays(recordingText("session.csv", 70010)));

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

    entry(0)->trigger();  // Stop Recording: every sample is there, Stop Refresh ticked or not
    EXPECT_EQ(recordedValues(answer), "time_s,value\n" + sent);

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
    // Quit, pressed with Space, ends the dialog.
    dlg->item(IDC_QUIT)->setFocus();
    QTest::keyClick(dlg->item(IDC_QUIT), Qt::Key_Space);
    EXPECT_FALSE(dlg->isWindow()) << "dialog after Quit";
}

using Recording = LiveDialog;

TEST_F(Recording, AWriteThatFailsAndTheNoDataLine) {
    ASSERT_NO_FATAL_FAILURE(openPty());
    QAction *record = entry(1), *stop = entry(0);
    // A folder that disappears ends the recording with one message; its rows stay.
    ASSERT_TRUE(QDir(config.path()).mkdir("day"));
    const QString rec = answer = config.filePath("day/rec.csv");
    record->trigger();
    EXPECT_TRUE(stop->isVisible()) << "Stop Recording while recording";
    EXPECT_FALSE(record->isEnabled()) << "Record Samples while recording";
    send({11, 12, 13});
    EXPECT_TRUE(promptSays(recordingText("rec.csv", 3)));
    ASSERT_TRUE(QDir(config.path()).rename("day", "gone"));
    send({14});
    ASSERT_TRUE(waitFor([] { return !messages().isEmpty(); }));
    send({15});  // the recording has ended: no second message
    QTest::qWait(500);
    EXPECT_EQ(messageBoxes().size(), 1u) << "messages once the recording has ended";
    EXPECT_THAT(
        messages(),
        Says(editionText("%1 已停止：%2。", "%1 stopped: %2.").arg(rec, qt_error_string(ENOENT))));
    EXPECT_TRUE(promptSays("")) << "prompt after the failure";
    EXPECT_TRUE(record->isEnabled()) << "Record Samples after the failure";
    EXPECT_THAT(recordedValues(config.filePath("gone/rec.csv")),
                Says("time_s,value\n11\n12\n13\n"));

    // After "Start Sampling", three silent seconds bring the "no data" line, a sample ends it.
    step = 0;  // the clock stands still until the test moves it
    dlg->item(IDC_PROMPT)->repaint();
    click(IDC_START_SAMPLING);
    now += 2999;
    QTest::qWait(500);  // in real time several checks: only the clock counts
    EXPECT_EQ(dlg->itemText(IDC_PROMPT), "") << "prompt after 2999 ms";
    now += 1;
    ASSERT_TRUE(waitFor([&] { return !dlg->itemText(IDC_PROMPT).isEmpty(); }));
    const QString noData = dlg->itemText(IDC_PROMPT);  // names the port and the baud rate
    EXPECT_THAT(noData, Says(editionText("COM1 上的设备没有发来数据（57600 波特）",
                                         "No data from the device on COM1 at 57600 baud")));
    EXPECT_GE(dlg->item(IDC_PROMPT)->width(), dlg->item(IDC_PROMPT)->sizeHint().width())
        << "the whole text shown, not cut at the line's width in the template";
    // From here the clock runs on, 10 ms a check: the line follows within 200 ms.
    const auto becomes = [&](const QString& text) {
        return waitFor([&] { return (now += 10, dlg->itemText(IDC_PROMPT) == text); });
    };
    send({500});
    const std::uint32_t sampleAt = now;  // the clock stood still while the sample came
    EXPECT_TRUE(becomes("")) << "prompt after a sample";
    EXPECT_TRUE(becomes(noData)) << "prompt once the stream stops again";
    EXPECT_GE(now - sampleAt, 3000u) << "silence before the line";
    click(IDC_STOP_SAMPLING);
    EXPECT_TRUE(becomes("")) << "prompt after Stop Sampling";
}

TEST(Program, RecordOptionAndACleanEndOnTerminationSignals) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    // An existing file is refused before any window opens, and stays as it was.
    const QString existing = dir.filePath("old.csv");
    std::ofstream(existing.toStdString()) << "precious\n";
    QProcess refused;
    refused.start(VELMORA_PROGRAM, {"--record", existing});
    ASSERT_TRUE(refused.waitForFinished(kPatience));
    EXPECT_EQ(refused.exitCode(), 2);
    EXPECT_THAT(QString::fromLocal8Bit(refused.readAllStandardError()),
                Says(editionText("%1：文件已存在", "%1: the file exists").arg(existing)));
    EXPECT_EQ(fileText(existing), "precious\n");

    // Asked to terminate, the program ends normally, its recording (from the start) complete.
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        const QString fresh = dir.filePath(QString("new%1.csv").arg(sig));
        QProcess program;
        program.start(VELMORA_PROGRAM, {"--record", fresh});
        ASSERT_TRUE(waitFor([&] { return fileText(fresh) == "time_s,value\n"; })) << sig;
        ::kill(static_cast<pid_t>(program.processId()), sig);
        ASSERT_TRUE(program.waitForFinished(kPatience)) << sig;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << sig;
        EXPECT_EQ(program.exitCode(), 0) << sig;
        EXPECT_EQ(fileText(fresh), "time_s,value\n") << sig;
    }
}

TEST(AboutBox, ShowsTheIconAndTheBuildsVersion) {
    installResources(editionResources());
    CAboutDlg about;
    about.create();
    const QString version = QStringLiteral(VELMORA_VERSION);
    EXPECT_EQ(QString::fromUtf8(resources().version.fileVersion), version) << "version block";
    int versions = 0, icons = 0;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        versions += label->text().contains(version);
        icons += label->pixmap().size() == QSize(32, 32);
    }
    EXPECT_EQ(versions, 1) << "labels showing the version";
    EXPECT_EQ(icons, 1) << "labels showing the 32-pixel icon";
}

#ifdef VELMORA_WITH_CALIBRATION
class Calibration : public LiveDialog {
protected:
    void SetUp() override {
        LiveDialog::SetUp();
        openPty();
        (proof = &dlg->proofDialog())->setDataFile({file, false});
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get(), kPatience));
        shortcut();
        ASSERT_TRUE(proof->isVisible());
    }
    void shortcut() { QTest::keySequence(dlg.get(), QKeySequence("Ctrl+Shift+P")); }
    void click(int id) { QTest::mouseClick(proof->item(id), Qt::LeftButton); }
    void calibrate(const char* standard) {
        proof->itemAs<QLineEdit>(IDC_STANDARD_VALUE)->setText(standard);
        click(IDC_PROOF);
    }
    QString rows() const {
        auto* list = proof->itemAs<QTableWidget>(IDC_RECORD_LIST);
        QString out;
        for (int r = 0; r < list->rowCount(); ++r)
            for (int c = 0; c < 4; ++c) out += list->item(r, c)->text() + (c < 3 ? "|" : "\n");
        return out;
    }
    // White pixels in the upper (raw reading, 0) or lower half (converted, 1) of the panel.
    int whiteIn(int half) {
        const int middle = proof->item(IDC_RT_FRAME)->height() / 2;
        return pixels(proof->item(IDC_RT_FRAME), Qt::white, half * middle, (half + 1) * middle);
    }

    QString file = config.filePath("ProofDat.ini");
    CProofDataDlg* proof = nullptr;
};

TEST_F(Calibration, RecordsSavedRereadDeletedClearedAndOfferedForSavingAFailedSaveKeeps) {
    QTest::keyClick(proof, Qt::Key_Return);
    QTest::keyClick(proof, Qt::Key_Escape);
    EXPECT_TRUE(proof->isVisible()) << "dialog after Enter and Escape";
    click(IDC_PROOF);
    click(IDC_DELETE);
    EXPECT_EQ(messages(), "请输入标准值!\n请选择要删除的纪录!");

    // Without records the panel shows the raw reading only; with them the converted one too.
    send({3000});
    EXPECT_GT(whiteIn(0), 20) << "raw reading painted";
    EXPECT_EQ(whiteIn(1), 0) << "converted reading painted without records";
    calibrate("50");
    send({1000});
    calibrate("12.5");
    EXPECT_EQ(rows(), "1|50.00|3000|0.01667\n2|12.00|1000|0.01250\n");
    EXPECT_EQ(proof->graph().points(), (std::vector<QPoint>{{3000, 50}, {1000, 12}}));
    send({2000});
    EXPECT_GT(whiteIn(1), 20) << "converted reading painted";
    click(IDC_SAVE);
    EXPECT_EQ(fileText(file), "[QZTK-DATA]\nSensor_1=(3000,50);(1000,12);\nSensor_2=\n");
    EXPECT_FALSE(proof->isModified()) << "modified after saving";
    // Rereading fills the list from the records: the coefficient is now y / x.
    calibrate("99");
    click(IDC_RELOAD);
    const QString reread = "1|50.00|3000|0.01667\n2|12.00|1000|0.01200\n";
    EXPECT_EQ(rows(), reread);
    calibrate("20");
    auto* list = proof->itemAs<QTableWidget>(IDC_RECORD_LIST);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 1)).center());
    click(IDC_DELETE);
    EXPECT_EQ(rows(), "1|50.00|3000|0.01667\n2|20.00|2000|0.01000\n");
    EXPECT_EQ(proof->graph().points(), (std::vector<QPoint>{{3000, 50}, {2000, 20}}));
    click(IDC_SAVE);  // clearing alone marks the records modified
    setMessageBoxAnswer(IDNO);
    click(IDC_CLEAR_ALL);
    EXPECT_EQ(list->rowCount(), 2) << "rows after No";
    setMessageBoxAnswer(IDYES);
    click(IDC_CLEAR_ALL);
    EXPECT_EQ(list->rowCount(), 0) << "rows after Yes";
    EXPECT_TRUE(proof->isModified()) << "modified after clearing";

    // Unsaved changes are offered for saving on a change of sensor and on closing.
    send({800});
    calibrate("40");
    auto* sensor = proof->itemAs<QComboBox>(IDC_SENSOR);
    sensor->setFocus();
    QTest::keyClick(sensor, Qt::Key_Down);
    EXPECT_EQ(messageBoxes().back().text, "当前的标定数据有修改, 需要保存吗?");
    const QString sensor1 = "[QZTK-DATA]\nSensor_1=(800,40);\nSensor_2=(3000,50);(1000,12);";
    EXPECT_EQ(fileText(file), sensor1 + "\n") << "sensor 2 as reread from sensor 1";
    // Sensor 2 gets no reading: -1, coefficient 1. Closing asks, saves and hides the dialog.
    calibrate("5");
    EXPECT_EQ(rows(), reread + "3|5.00|-1|1.00000\n");
    proof->close();
    EXPECT_EQ(messageBoxes().back().text, "标定数据被修改, 需要保存吗?");
    EXPECT_FALSE(proof->isVisible()) << "dialog closed after saving";
    EXPECT_EQ(fileText(file), sensor1 + "(-1,5);\n");
    const QString unwritable = config.filePath("missing/ProofDat.ini");
    proof->setDataFile({unwritable, false});
    shortcut();
    EXPECT_TRUE(proof->isVisible()) << "dialog after the shortcut";

    // A failed save says why and keeps the changes marked, and the dialog open on Yes.
    calibrate("30");
    messageBoxes().clear();
    click(IDC_SAVE);
    EXPECT_TRUE(messages().startsWith("标定数据保存失败!")) << messages().toStdString();
    EXPECT_THAT(messages(), Says(unwritable));
    EXPECT_TRUE(proof->isModified()) << "modified after a failed save";
    proof->close();
    EXPECT_TRUE(proof->isVisible()) << "dialog after Yes and a failed save";
    EXPECT_EQ(rows(), reread + "3|5.00|-1|1.00000\n4|30.00|-1|1.00000\n");
    setMessageBoxAnswer(IDNO);
    proof->close();
    EXPECT_FALSE(proof->isVisible()) << "dialog after No";
}

TEST_F(Calibration, IntervalStatisticsTheirAverageAndLiveTextsAtMostEvery50Ms) {
    proof->setChecked(IDC_USE_AVERAGE, true);
    send({100});
    calibrate("1");  // never started: the live reading is used
    click(IDC_CALC_AVERAGE);
    send({100, 200, 300, 401});
    click(IDC_CALC_AVERAGE);
    // Converted through the one record (100, 1): proportional, 1 per 100.
    EXPECT_EQ(proof->itemText(IDC_INTERVAL), "[100,401]|[1,4]");
    EXPECT_EQ(proof->itemText(IDC_AVERAGE), "250|2");
    send({7000});
    EXPECT_EQ(proof->itemText(IDC_AVERAGE), "250|2") << "average once stopped";
    calibrate("25");
    EXPECT_EQ(rows(), "1|1.00|100|0.01000\n2|25.00|250|0.10000\n") << "calibrated with the average";

    // The live text and panel follow at most every 50 ms and end on the latest reading.
    QWidget* panel = proof->item(IDC_RT_FRAME);
    step = 0;  // the clock stands still until the test moves it
    panel->repaint();
    PaintCounter counter(panel);
    send({10, 20, 30});
    QTest::qWait(120);  // longer than the interval in real time: only the clock counts
    EXPECT_EQ(proof->itemText(IDC_RT_VALUE), "7000") << "live text within 50 ms";
    EXPECT_EQ(counter.paints, 0) << "panel paints within 50 ms";
    now += 51;  // the interval ends: the burst's last reading shows without a later one
    EXPECT_TRUE(waitFor([&] { return proof->itemText(IDC_RT_VALUE) == "30"; }));
    EXPECT_TRUE(waitFor([&] { return counter.paints == 1; })) << "panel repainted";

    // A long interval at full scale: 40,000 readings would wrap a 32-bit sum.
    click(IDC_CALC_AVERAGE);
    const int full = 65535;
    for (int i = 0; i < 40000; ++i) proof->SetRealtimeData(&full, 1);
    now += 51;
    EXPECT_TRUE(waitFor([&] { return proof->itemText(IDC_AVERAGE) == "65535|10470"; }));
}

#endif

}  // namespace
}  // namespace velmora::test
