// Recording and the prompt line as the operator meets them in the real main dialog of the
// edition this program is built for: the window menu's entries, the rows in the file, a
// write that fails, the "no data" line; and the program's --record and --help options and
// its clean end on a termination signal.
#include "livedialog.h"
#include "platform/filedialog.h"

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <numeric>

#include <signal.h>

namespace velmora::test {
namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What the prompt line says while recording `rows` samples to `name`.
QString recordingText(const QString& name, int rows) {
    const QString count = QLocale(VELMORA_ZH ? QLocale::C : QLocale::English).toString(rows);
    return editionText("正在记录到 %1: %2 个采样", "Recording to %1: %2 samples").arg(name, count);
}

// COM1 on a bare pseudo-terminal, the file dialog answered by the test.
class Recording : public LiveDialog {
protected:
    void SetUp() override {
        setSaveFileHook([this](const SaveFileRequest& r) {
            proposed = r.proposed;
            return answer;
        });
        LiveDialog::SetUp();
        openPty();
    }
    void TearDown() override {
        setSaveFileHook({});
        LiveDialog::TearDown();
    }
    QAction* entry(int id) const {
        for (QAction* a : dlg->windowMenu()->actions())
            if (a->data().toInt() == id) return a;
        return nullptr;
    }
    // Chooses "Record Samples..." in the window menu; the file dialog answers `file`.
    void recordTo(const QString& file) {
        answer = file;
        entry(IDM_RECORD_SAMPLES)->trigger();
    }
    bool promptSays(const QString& text) {
        return waitFor([&] { return dlg->itemText(IDC_PROMPT) == text; });
    }

    QTemporaryDir files;
    QString answer, proposed;
};

TEST_F(Recording, EverySampleInOrderAlsoWithStopRefreshTickedUntilAWriteFails) {
    // "Record Samples..." follows the about entry; "Stop Recording" shows while recording.
    const QList<QAction*> entries = dlg->windowMenu()->actions();
    EXPECT_EQ(entries.indexOf(entry(IDM_RECORD_SAMPLES)), entries.size() - 2);
    EXPECT_EQ(entry(IDM_RECORD_SAMPLES)->text(),
              editionText("记录采样数据...", "Record Samples..."));
    EXPECT_EQ(entry(IDM_STOP_RECORDING)->text(), editionText("停止记录", "Stop Recording"));
    EXPECT_FALSE(entry(IDM_STOP_RECORDING)->isVisible()) << "Stop Recording before recording";
    const QString file = files.filePath("session.csv");
    recordTo(file);
    // The proposed name is dated, in the documents folder (else in the home folder).
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(documents).exists()) documents = QDir::homePath();
    EXPECT_EQ(QFileInfo(proposed).absolutePath(), QDir(documents).absolutePath());
    EXPECT_THAT(proposed.toStdString(),
                testing::MatchesRegex(".*/velmora-20[0-9]{6}-[0-9]{6}\\.csv"));
    EXPECT_TRUE(entry(IDM_STOP_RECORDING)->isVisible()) << "Stop Recording while recording";
    EXPECT_FALSE(entry(IDM_RECORD_SAMPLES)->isEnabled()) << "Record Samples while recording";
    EXPECT_TRUE(promptSays(recordingText("session.csv", 0)));

    // 1,200 samples, the middle 400 with Stop Refresh ticked.
    std::vector<int> values(1200);
    std::iota(values.begin(), values.end(), 100);
    for (auto part = values.begin(); part != values.end(); part += 400) {
        if (part != values.begin()) click(IDC_STOP_REFRESH);
        send(std::vector<int>(part, part + 400));
    }
    EXPECT_TRUE(promptSays(recordingText("session.csv", 1200)));
    entry(IDM_STOP_RECORDING)->trigger();
    EXPECT_TRUE(promptSays("")) << "prompt after Stop Recording";
    EXPECT_FALSE(entry(IDM_STOP_RECORDING)->isVisible()) << "Stop Recording once stopped";
    const QList<QByteArray> lines = contents(file).split('\n');
    ASSERT_EQ(lines.size(), 1202) << "header, rows, nothing after the last LF";
    EXPECT_EQ(lines.front(), "time_s,value");
    EXPECT_EQ(lines.back(), "");
    double last = 0;
    for (int i = 0; i < 1200; ++i) {
        const auto row = QRegularExpression("^(\\d+\\.\\d{3}),(\\d+)$").match(lines[i + 1]);
        ASSERT_TRUE(row.hasMatch()) << lines[i + 1].toStdString();
        ASSERT_EQ(row.captured(2).toInt(), values[i]) << "value of row " << i;
        ASSERT_GE(row.captured(1).toDouble(), last) << "time of row " << i;
        last = row.captured(1).toDouble();
    }

    // A folder that disappears ends the next recording with one message.
    ASSERT_TRUE(QDir(files.path()).mkdir("day"));
    const QString rec = files.filePath("day/rec.csv");
    recordTo(rec);
    send({11, 12, 13});
    EXPECT_TRUE(promptSays(recordingText("rec.csv", 3)));
    ASSERT_TRUE(QDir(files.path()).rename("day", "moved"));
    send({14});
    ASSERT_TRUE(waitFor([] { return !messages().isEmpty(); }));
    send({15});  // the recording has ended: no second message
    QTest::qWait(500);
    EXPECT_EQ(messages(), editionText("记录到 %1 已停止：%2。此前记录的数据保留在文件中。",
                                      "Recording to %1 stopped: %2. The rows recorded before "
                                      "stay in the file.")
                              .arg(rec, qt_error_string(ENOENT)));
    EXPECT_TRUE(promptSays("")) << "prompt after the failure";
    EXPECT_TRUE(entry(IDM_RECORD_SAMPLES)->isEnabled()) << "Record Samples after the failure";
    EXPECT_THAT(contents(files.filePath("moved/rec.csv")).toStdString(),
                testing::MatchesRegex("time_s,value\n([0-9.]+,1[1-4]\n){3,4}"));
}

TEST_F(Recording, NoDataLineAfterThreeSilentSecondsUntilTheNextSample) {
    step = 0;  // the clock stands still until the test moves it
    dlg->item(IDC_PROMPT)->repaint();
    const QString noData = editionText(
        "COM1 上的设备没有发来数据（57600 波特）：请检查连接线、电源和波特率",
        "No data from the device on COM1 at 57600 baud: check the cable, the power and the "
        "baud rate");
    click(IDC_START_SAMPLING);
    now += 2999;
    QTest::qWait(500);  // in real time several checks: only the clock counts
    EXPECT_EQ(dlg->itemText(IDC_PROMPT), "") << "prompt after 2999 ms";
    now += 1;
    EXPECT_TRUE(promptSays(noData));
    EXPECT_GE(dlg->item(IDC_PROMPT)->width(), dlg->item(IDC_PROMPT)->sizeHint().width())
        << "the whole text shown, not cut at the line's width in the template";

    // From here the clock runs on, 10 ms a check, as the line follows at most one interval
    // after its last paint.
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
    now += 5000;  // no sampling asked for: no line
    QTest::qWait(500);
    EXPECT_EQ(dlg->itemText(IDC_PROMPT), "") << "prompt when no sampling is asked for";
}

// The program itself, started as an operator starts it.
TEST(Program, RecordOptionHelpAndACleanEndOnTerminationSignals) {
    QTemporaryDir dir;
    const auto start = [&](QProcess& program, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", dir.path());
        program.setProcessEnvironment(env);
        program.start(VELMORA_PROGRAM, args);
        return program.waitForStarted();
    };
    // An existing file is refused before any window opens, and stays as it was.
    const QString existing = dir.filePath("old.csv");
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("precious\n");
    old.close();
    QProcess refused, help;
    ASSERT_TRUE(start(refused, {"--record", existing}));
    ASSERT_TRUE(refused.waitForFinished(kPatience));
    EXPECT_EQ(refused.exitCode(), 2);
    const QString error = QString::fromLocal8Bit(refused.readAllStandardError());
    EXPECT_THAT(error, Says(existing));
    EXPECT_THAT(error, Says(editionText("文件已存在", "the file exists")));
    EXPECT_EQ(contents(existing), "precious\n");
    ASSERT_TRUE(start(help, {"--help"}));
    ASSERT_TRUE(help.waitForFinished(kPatience));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("--record")) << "--record in --help";

    // A new file is recorded from the start; asked to terminate, the program ends as on Quit,
    // normally and with the file complete.
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        const QString fresh = dir.filePath(QString("new%1.csv").arg(sig));
        QProcess program;
        ASSERT_TRUE(start(program, {"--record", fresh})) << sig;
        ASSERT_TRUE(waitFor([&] { return contents(fresh) == "time_s,value\n"; })) << sig;
        ::kill(static_cast<pid_t>(program.processId()), sig);
        ASSERT_TRUE(program.waitForFinished(kPatience)) << sig;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << sig;
        EXPECT_EQ(program.exitCode(), 0) << sig;
        EXPECT_EQ(contents(fresh), "time_s,value\n") << sig;
    }
}

}  // namespace
}  // namespace velmora::test
