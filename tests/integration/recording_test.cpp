// Recording and the prompt line as the operator meets them in the real main dialog of the
// edition this program is built for: the window menu's entries, the rows in the file, a
// write that fails, the "no data" line, and the program's --record and --help options.
#include "livedialog.h"
#include "platform/filedialog.h"

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>

#include <signal.h>

using velmora::editionText;
using velmora::test::kPatience;
using velmora::test::messageTexts;

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What the prompt line says while recording `rows` samples to `name`.
QString recordingText(const QString& name, int rows) {
    QString count = QString::number(rows);
    if (!VELMORA_ZH)  // thousands grouped by commas in English
        for (int at = count.size() - 3; at > 0; at -= 3) count.insert(at, u',');
    return editionText("正在记录到 %1: %2 个采样", "Recording to %1: %2 samples").arg(name, count);
}

// The window menu's recording entries and the prompt line on a live dialog, with the file
// dialog answered by the test.
template <class Live>
class RecordingOn : public Live {
protected:
    void SetUp() override {
        velmora::setSaveFileHook([this](const velmora::SaveFileRequest& r) {
            proposed = r.proposed;
            return answer;
        });
        Live::SetUp();
    }
    void TearDown() override {
        this->dlg.reset();
        velmora::setSaveFileHook({});
        Live::TearDown();
    }
    QAction* menuEntry(int id) const {
        for (QAction* a : this->dlg->windowMenu()->actions())
            if (a->data().toInt() == id) return a;
        return nullptr;
    }
    // Chooses "Record Samples..." in the window menu; the file dialog answers `file`.
    void recordTo(const QString& file) {
        answer = file;
        ASSERT_NE(menuEntry(IDM_RECORD_SAMPLES), nullptr);
        menuEntry(IDM_RECORD_SAMPLES)->trigger();
    }
    QString prompt() const { return this->dlg->itemText(IDC_PROMPT); }
    bool promptBecomes(const QString& text) {
        return QTest::qWaitFor([&] { return prompt() == text; }, kPatience);
    }

    QTemporaryDir files;
    QString answer, proposed;
};
using Recording = RecordingOn<velmora::test::DialogSerial>;
// A bare pseudo-terminal as COM1: the test writes the exact frames.
using RecordingPty = RecordingOn<velmora::test::DialogSamples>;

TEST_F(Recording, EverySampleInOrderAlsoWithStopRefreshTicked) {
    velmora::sim::SimConfig device;
    device.sampleRate = 2000;
    for (int v = 100; v < 351; ++v) device.fixedSequence.push_back(static_cast<std::uint16_t>(v));
    const std::vector<std::uint16_t>& sequence = device.fixedSequence;
    velmora::sim::DeviceSimulator sim(device);
    ASSERT_TRUE(sim.start());
    ASSERT_TRUE(sim.makeLink(velmora::sim::portLinkPath(1)));
    click(IDC_OPEN_PORT);
    ASSERT_TRUE(dlg->comm().GetPortOpen());

    // The menu: "Record Samples..." after the about entry, "Stop Recording" only while
    // recording.
    const QList<QAction*> entries = dlg->windowMenu()->actions();
    ASSERT_GE(entries.size(), 4);
    EXPECT_EQ(entries[1]->data().toInt(), IDM_ABOUTBOX);
    EXPECT_EQ(entries.indexOf(menuEntry(IDM_RECORD_SAMPLES)), entries.size() - 2);
    EXPECT_EQ(menuEntry(IDM_RECORD_SAMPLES)->text(),
              editionText("记录采样数据...", "Record Samples..."));
    EXPECT_EQ(menuEntry(IDM_STOP_RECORDING)->text(), editionText("停止记录", "Stop Recording"));
    EXPECT_FALSE(menuEntry(IDM_STOP_RECORDING)->isVisible());

    const QString file = files.filePath("session.csv");
    recordTo(file);
    // The file dialog proposes a dated name in the documents folder (the home folder when
    // there is none).
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(documents).exists()) documents = QDir::homePath();
    EXPECT_EQ(QFileInfo(proposed).absolutePath(), QDir(documents).absolutePath());
    EXPECT_TRUE(QRegularExpression("^velmora-20\\d{6}-\\d{6}\\.csv$")
                    .match(QFileInfo(proposed).fileName())
                    .hasMatch())
        << proposed.toStdString();
    EXPECT_TRUE(menuEntry(IDM_STOP_RECORDING)->isVisible());
    EXPECT_FALSE(menuEntry(IDM_RECORD_SAMPLES)->isEnabled());
    EXPECT_TRUE(promptBecomes(recordingText("session.csv", 0)));

    // Stop Refresh is ticked for the middle part of the run.
    click(IDC_START_SAMPLING);
    const auto sentAtLeast = [&](std::uint64_t n) {
        return QTest::qWaitFor([&] { return sim.samplesSent() >= n; }, kPatience);
    };
    ASSERT_TRUE(sentAtLeast(400));
    click(IDC_STOP_REFRESH);
    ASSERT_TRUE(sentAtLeast(900));
    click(IDC_STOP_REFRESH);
    ASSERT_TRUE(sentAtLeast(1300));
    click(IDC_STOP_SAMPLING);
    // All has arrived when the device has stopped with nothing left to send and the line
    // shows its count (frames made before the stop still go out after it).
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !sim.sampling() && sim.stats().samplesWaiting == 0 &&
                   prompt() == recordingText("session.csv", int(sim.samplesSent()));
        },
        kPatience))
        << prompt().toStdString();
    const int sent = static_cast<int>(sim.samplesSent());

    menuEntry(IDM_STOP_RECORDING)->trigger();
    EXPECT_TRUE(promptBecomes(""));
    EXPECT_FALSE(menuEntry(IDM_STOP_RECORDING)->isVisible());
    EXPECT_TRUE(menuEntry(IDM_RECORD_SAMPLES)->isEnabled());

    const QList<QByteArray> lines = contents(file).split('\n');
    ASSERT_EQ(lines.size(), sent + 2);  // header, rows, nothing after the last LF
    EXPECT_EQ(lines.front(), "time_s,value");
    EXPECT_EQ(lines.back(), "");
    const QRegularExpression row("^(\\d+\\.\\d{3}),(\\d+)$");
    double last = 0;
    for (int i = 0; i < sent; ++i) {
        const auto match = row.match(QString::fromLatin1(lines[i + 1]));
        ASSERT_TRUE(match.hasMatch()) << i << ": " << lines[i + 1].toStdString();
        ASSERT_EQ(match.captured(2).toInt(), sequence[size_t(i) % sequence.size()]) << i;
        const double time = match.captured(1).toDouble();
        ASSERT_GE(time, last) << i;
        last = time;
    }
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(RecordingPty, AFolderThatDisappearsEndsTheRecordingWithOneMessage) {
    ASSERT_TRUE(QDir(files.path()).mkdir("day"));
    const QString file = files.filePath("day/rec.csv");
    recordTo(file);
    send({11, 12, 13});
    EXPECT_TRUE(promptBecomes(recordingText("rec.csv", 3)));

    ASSERT_TRUE(QDir(files.path()).rename("day", "moved"));
    send({14});
    ASSERT_TRUE(QTest::qWaitFor([] { return !messageTexts().empty(); }, kPatience));
    send({15});  // the recording has ended: no second message
    QTest::qWait(500);
    ASSERT_EQ(messageTexts().size(), 1u);
    EXPECT_EQ(messageTexts()[0],
              editionText("记录到 %1 已停止：%2。此前记录的数据保留在文件中。",
                          "Recording to %1 stopped: %2. The rows recorded before stay in the file.")
                  .arg(file, qt_error_string(ENOENT)));
    EXPECT_TRUE(promptBecomes(""));
    EXPECT_TRUE(menuEntry(IDM_RECORD_SAMPLES)->isEnabled());
    // What was recorded before lies readable in the moved folder.
    const QRegularExpression rows(
        "^time_s,value\n\\d+\\.\\d{3},11\n\\d+\\.\\d{3},12\n"
        "\\d+\\.\\d{3},13\n(\\d+\\.\\d{3},14\n)?$");
    const QString moved = QString::fromLatin1(contents(files.filePath("moved/rec.csv")));
    EXPECT_TRUE(rows.match(moved).hasMatch()) << moved.toStdString();
}

TEST_F(RecordingPty, NoDataLineAfterThreeSilentSecondsUntilTheNextSample) {
    step = 0;  // the clock stands still until the test moves it
    dlg->item(IDC_PROMPT)->repaint();
    const QString noData = editionText(
        "COM1 上的设备没有发来数据（57600 波特）：请检查连接线、电源和波特率",
        "No data from the device on COM1 at 57600 baud: check the cable, the power and the "
        "baud rate");
    click(IDC_START_SAMPLING);
    now += 2999;
    QTest::qWait(500);  // in real time several checks: only the clock counts
    EXPECT_EQ(prompt(), "");
    now += 1;
    EXPECT_TRUE(promptBecomes(noData));
    // The whole text is shown, not cut at the line's width in the template.
    EXPECT_GE(dlg->item(IDC_PROMPT)->width(), dlg->item(IDC_PROMPT)->sizeHint().width());

    // From here the clock runs on, 10 ms a check, as the line follows at most one interval
    // after its last paint.
    const auto becomes = [&](const QString& text) {
        return QTest::qWaitFor([&] { return (now += 10, prompt() == text); }, kPatience);
    };
    send({500});
    const std::uint32_t sampleAt = now;  // the clock stood still while the sample came
    EXPECT_TRUE(becomes(""));
    EXPECT_TRUE(becomes(noData));  // the stream stops again
    EXPECT_GE(now - sampleAt, 3000u);
    click(IDC_STOP_SAMPLING);
    EXPECT_TRUE(becomes(""));
    now += 5000;  // no sampling asked for: no line
    QTest::qWait(500);
    EXPECT_EQ(prompt(), "");
}

// The program itself, started as an operator starts it.
TEST(RecordingProgram, RecordOptionAndHelp) {
    QTemporaryDir dir;
    const auto run = [](const QStringList& args, QProcess& program) {
        program.setProcessEnvironment([] {
            auto env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "offscreen");
            return env;
        }());
        program.start(VELMORA_PROGRAM, args);
        return program.waitForStarted();
    };
    // An existing file is refused before any window opens, and stays as it was.
    const QString existing = dir.filePath("old.csv");
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious\n");
    }
    QProcess refused;
    ASSERT_TRUE(run({"--record", existing}, refused));
    ASSERT_TRUE(refused.waitForFinished(60000));
    EXPECT_EQ(refused.exitCode(), 2);
    const QString error = QString::fromLocal8Bit(refused.readAllStandardError());
    EXPECT_TRUE(error.contains(existing)) << error.toStdString();
    EXPECT_TRUE(error.contains(editionText("文件已存在", "the file exists")))
        << error.toStdString();
    EXPECT_EQ(contents(existing), "precious\n");

    QProcess help;
    ASSERT_TRUE(run({"--help"}, help));
    ASSERT_TRUE(help.waitForFinished(60000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("--record")) << "no --record in --help";

    // A new file: the recording runs from the start and is complete when the program ends.
    const QString fresh = dir.filePath("new.csv");
    QProcess recording;
    ASSERT_TRUE(run({"--record", fresh}, recording));
    EXPECT_TRUE(QTest::qWaitFor([&] { return contents(fresh) == "time_s,value\n"; }, kPatience));
    ::kill(static_cast<pid_t>(recording.processId()), SIGTERM);
    ASSERT_TRUE(recording.waitForFinished(60000));
    EXPECT_EQ(recording.exitCode(), 0);
    EXPECT_EQ(contents(fresh), "time_s,value\n");
}

}  // namespace
