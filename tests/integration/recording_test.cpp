// Recording and the prompt line in the real main dialog, and the program's --record option
// and its clean end on a termination signal.
#include "livedialog.h"
#include "platform/filedialog.h"

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <fstream>
#include <numeric>

#include <signal.h>

namespace velmora::test {
namespace {

QString recordingText(const QString& name, int rows) {
    const QString count = QLocale(VELMORA_ZH ? QLocale::C : QLocale::English).toString(rows);
    return editionText("正在记录到 %1: %2 个采样", "Recording to %1: %2 samples").arg(name, count);
}
// A recording's header and values, one a line, without the time column.
QString recordedValues(const QString& path) {
    return fileText(path).remove(QRegularExpression("(?m)^\\d+\\.\\d{3},"));
}

class Recording : public LiveDialog {
protected:
    void SetUp() override {
        setSaveFileHook([this](const SaveFileRequest& r) {
            proposed = r.proposed;
            return answer;
        });
        LiveDialog::SetUp();
        openPty();
        const QList<QAction*> menu = dlg->windowMenu()->actions();  // ends with the two entries
        record = menu.value(menu.size() - 2);
        stop = menu.last();
    }
    void TearDown() override {
        setSaveFileHook({});
        LiveDialog::TearDown();
    }
    bool promptSays(const QString& text) {
        return waitFor([&] { return dlg->itemText(IDC_PROMPT) == text; });
    }

    QTemporaryDir files;
    QString answer, proposed;
    QAction *record = nullptr, *stop = nullptr;
};

TEST_F(Recording, EverySampleInOrderAWriteThatFailsAndTheNoDataLine) {
    const QString file = answer = files.filePath("session.csv");
    record->trigger();
    // The proposed name is dated, in the documents folder (else in the home folder).
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(documents).exists()) documents = QDir::homePath();
    EXPECT_EQ(QFileInfo(proposed).absolutePath(), QDir(documents).absolutePath());
    EXPECT_THAT(proposed.toStdString(),
                testing::MatchesRegex(".*/velmora-20[0-9]{6}-[0-9]{6}\\.csv"));
    EXPECT_TRUE(stop->isVisible()) << "Stop Recording while recording";
    EXPECT_FALSE(record->isEnabled()) << "Record Samples while recording";
    EXPECT_TRUE(promptSays(recordingText("session.csv", 0)));

    std::vector<int> values(1200);
    std::iota(values.begin(), values.end(), 100);
    QString expected = "time_s,value\n";
    for (int v : values) expected += QString::number(v) + '\n';
    for (auto chunk = values.begin(); chunk != values.end(); chunk += 400) {
        if (chunk != values.begin()) click(IDC_STOP_REFRESH);  // ticked for the middle 400
        send(std::vector<int>(chunk, chunk + 400));
    }
    EXPECT_TRUE(promptSays(recordingText("session.csv", 1200)));
    stop->trigger();
    EXPECT_TRUE(promptSays("")) << "prompt after Stop Recording";
    EXPECT_EQ(recordedValues(file), expected);

    // A folder that disappears ends the next recording with one message; its rows stay.
    ASSERT_TRUE(QDir(files.path()).mkdir("day"));
    const QString rec = answer = files.filePath("day/rec.csv");
    record->trigger();
    send({11, 12, 13});
    EXPECT_TRUE(promptSays(recordingText("rec.csv", 3)));
    ASSERT_TRUE(QDir(files.path()).rename("day", "gone"));
    send({14});
    ASSERT_TRUE(waitFor([] { return !messages().isEmpty(); }));
    send({15});  // the recording has ended: no second message
    QTest::qWait(500);
    EXPECT_EQ(messages(), editionText("记录到 %1 已停止：%2。此前记录的数据保留在文件中。",
                                      "Recording to %1 stopped: %2. The rows recorded before "
                                      "stay in the file.")
                              .arg(rec, qt_error_string(ENOENT)));
    EXPECT_TRUE(promptSays("")) << "prompt after the failure";
    EXPECT_TRUE(record->isEnabled()) << "Record Samples after the failure";
    EXPECT_THAT(recordedValues(files.filePath("gone/rec.csv")), Says("time_s,value\n11\n12\n13\n"));

    // After "Start Sampling", three silent seconds bring the "no data" line, a sample ends it.
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
    const QString error = QString::fromLocal8Bit(refused.readAllStandardError());
    EXPECT_THAT(error, Says(existing));
    EXPECT_THAT(error, Says(editionText("文件已存在", "the file exists")));
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

}  // namespace
}  // namespace velmora::test
