// The main window shell of the edition this program is linked with.
#include "testsupport.h"

#include "app/aboutdlg.h"
#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "res/resource.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <csignal>
#include <sys/types.h>

using velmora::editionText;

namespace {

class MainDialog : public ::testing::Test {
protected:
    void SetUp() override {
        velmora::installResources(velmora::editionResources());
        dlg = std::make_unique<CSensorDemoDlg>();
        dlg->create();
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }

    // Sends a right-click context-menu event at a point of the dialog.
    void rightClick(QPoint pos) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, dlg->mapToGlobal(pos));
        QApplication::sendEvent(dlg.get(), &event);
    }

    // Runs `action`, which opens a modal box; returns the caption of the modal window that
    // appeared (closed again right away), or empty when none did.
    template <class Action>
    QString captionOfModalOpenedBy(Action action) {
        QString caption;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                caption = modal->windowTitle();
                if (qobject_cast<CAboutDlg*>(modal)) modal->close();
            }
        });
        action();
        return caption;
    }

    std::unique_ptr<CSensorDemoDlg> dlg;
};

}  // namespace

TEST_F(MainDialog, StartsWithCom1At57600AndEmptyReadouts) {
    EXPECT_EQ(dlg->itemText(IDC_PORT), QStringLiteral("COM1"));
    EXPECT_EQ(dlg->itemText(IDC_BAUD), QStringLiteral("57600"));
    EXPECT_EQ(dlg->itemAs<QComboBox>(IDC_BAUD)->count(), 5);
    EXPECT_EQ(dlg->itemAs<QComboBox>(IDC_PORT)->count(), 16);
    EXPECT_EQ(dlg->itemText(IDC_PROMPT), QString());
    EXPECT_EQ(dlg->itemText(IDC_MAXMIN_TEXT), QString());
    EXPECT_EQ(dlg->itemText(IDC_OPEN_PORT), editionText("打开", "Open Port"));
    EXPECT_EQ(dlg->value(), 0);
    EXPECT_TRUE(dlg->item(IDC_DEVICE_TYPE)->isEnabled());
    EXPECT_EQ(dlg->windowTitle(),
              editionText("皮肤电阻传感器演示", "Skin-Resistance Sensor Demo"));
    EXPECT_EQ(dlg->item(IDC_PROMPT)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    // The chart takes the place of the waveform frame.
    QWidget* chart = dlg->findChild<QWidget*>(QStringLiteral("ctrl_%1").arg(IDC_WAVE_CHART));
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->geometry(), dlg->itemRect(IDC_WAVE_FRAME));
    EXPECT_TRUE(chart->isVisible());
}

TEST_F(MainDialog, ValueBoxShowsTheValueWhiteOnNavy) {
    const QImage image = dlg->grab().toImage();
    const QRect box = dlg->itemRect(IDC_VALUE);
    // Corners are the fill; the digit sits below the middle (the text area starts 16 lower).
    EXPECT_EQ(image.pixelColor(box.topLeft() + QPoint(1, 1)), QColor(0, 0, 128));
    EXPECT_EQ(image.pixelColor(box.bottomRight() - QPoint(1, 1)), QColor(0, 0, 128));
    int white = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (image.pixelColor(x, y) == QColor(255, 255, 255)) {
                ++white;
                EXPECT_GT(y, box.top() + 16);
            }
    EXPECT_GT(white, 20);  // the "0" is drawn
}

TEST_F(MainDialog, NoButtonLooksDefaultWhereEnterEndsTheDialog) {
    // The look of "Open Port" while the focus is on another push button, where it is surely
    // not the default; with the focus on the port box, where Enter ends the dialog, it must
    // look the same. On itself it takes Enter and looks it.
    QWidget* open = dlg->item(IDC_OPEN_PORT);
    dlg->item(IDC_QUIT)->setFocus();
    const QImage plain = open->grab().toImage();
    dlg->item(IDC_PORT)->setFocus();
    EXPECT_EQ(open->grab().toImage(), plain);
    open->setFocus();
    EXPECT_NE(open->grab().toImage(), plain);
}

TEST_F(MainDialog, EscapeEnterAndQuitEachEndTheDialog) {
    const std::function<void(CSensorDemoDlg&)> enders[] = {
        [](CSensorDemoDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](CSensorDemoDlg& d) {
            d.item(IDC_PORT)->setFocus();
            QTest::keyClick(d.item(IDC_PORT), Qt::Key_Return);
        },
        [](CSensorDemoDlg& d) { QTest::mouseClick(d.item(IDC_QUIT), Qt::LeftButton); },
    };
    for (const auto& end : enders) {
        CSensorDemoDlg d;
        d.create();
        d.show();
        end(d);
        EXPECT_FALSE(d.isVisible());
        EXPECT_FALSE(d.isWindow());
    }
}

TEST_F(MainDialog, WindowMenuHoldsTheAboutEntryAndOpensTheAboutBox) {
    QMenu* menu = dlg->windowMenu();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[0]->isSeparator());
    EXPECT_EQ(actions[1]->text(), editionText("关于 Velmora(&A)...", "&About VelmoraEn..."));
    EXPECT_EQ(actions[1]->data().toInt(), IDM_ABOUTBOX);

    EXPECT_EQ(captionOfModalOpenedBy([&] { actions[1]->trigger(); }),
              editionText("关于 Velmora", "About VelmoraEn"));
}

TEST_F(MainDialog, RightClickOnTheBackgroundOpensTheWindowMenu) {
    // On a button: no menu.
    rightClick(dlg->itemRect(IDC_QUIT).center());
    EXPECT_FALSE(dlg->windowMenu()->isVisible());
    // Between the two group boxes, where no control is.
    const QRect wave = dlg->itemRect(IDC_WAVE_GROUP);
    rightClick(QPoint(wave.center().x(), wave.bottom() + 3));
    EXPECT_TRUE(dlg->windowMenu()->isVisible());
    dlg->windowMenu()->hide();
}

TEST_F(MainDialog, MaxMinCaptionFollowsTheRun) {
    const QString idle = editionText("最大最小值", "Max/Min Value");
    const QString running = editionText("停止计算", "Stop Calculate");
    EXPECT_EQ(dlg->itemText(IDC_MAXMIN), idle);
    QTest::mouseClick(dlg->item(IDC_MAXMIN), Qt::LeftButton);
    EXPECT_EQ(dlg->itemText(IDC_MAXMIN), running);
    EXPECT_TRUE(dlg->isChecked(IDC_MAXMIN));  // pushed look while a run goes on
    QTest::mouseClick(dlg->item(IDC_MAXMIN), Qt::LeftButton);
    EXPECT_EQ(dlg->itemText(IDC_MAXMIN), idle);
    EXPECT_FALSE(dlg->isChecked(IDC_MAXMIN));
}

// Rows of the chart's picture holding pixels of one colour, as the operator sees them.
std::vector<int> rowsOf(CSensorDemoDlg& dlg, const QColor& colour) {
    QWidget* chart = dlg.findChild<QWidget*>(QStringLiteral("ctrl_%1").arg(IDC_WAVE_CHART));
    const QImage image = chart->grab().toImage();
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) {
                rows.push_back(y);
                break;
            }
    return rows;
}

TEST_F(MainDialog, ChartButtonsActOnThePicture) {
    const QColor trace(255, 255, 255), baseline(255, 0, 0);
    for (int i = 0; i < 50; ++i) dlg->chart().AddPoint(1200, 0, 0, 0);
    const std::vector<int> traceRows = rowsOf(*dlg, trace);
    ASSERT_FALSE(traceRows.empty());

    // "Proof Baseline" moves the baseline to the samples.
    const std::vector<int> baselineRows = rowsOf(*dlg, baseline);
    QTest::mouseClick(dlg->item(IDC_PROOF_BASELINE), Qt::LeftButton);
    EXPECT_NE(rowsOf(*dlg, baseline), baselineRows);

    // "Movedown Data" starts ticked, as the chart starts shifted down; unticking it raises
    // the trace, ticking it again lowers it back.
    EXPECT_TRUE(dlg->isChecked(IDC_MOVE_DOWN));
    const std::vector<int> shifted = rowsOf(*dlg, trace);
    QTest::mouseClick(dlg->item(IDC_MOVE_DOWN), Qt::LeftButton);
    ASSERT_FALSE(rowsOf(*dlg, trace).empty());
    EXPECT_LT(rowsOf(*dlg, trace).front(), shifted.front());
    QTest::mouseClick(dlg->item(IDC_MOVE_DOWN), Qt::LeftButton);
    EXPECT_EQ(rowsOf(*dlg, trace), shifted);

    // "Clear Data" leaves an empty plot.
    QTest::mouseClick(dlg->item(IDC_CLEAR_DATA), Qt::LeftButton);
    EXPECT_TRUE(rowsOf(*dlg, trace).empty());
}

TEST(AboutBox, ShowsTheIconAndTheVersionOfTheVersionBlock) {
    velmora::installResources(velmora::editionResources());
    CAboutDlg about;
    about.create();
    const QString version = QString::fromUtf8(velmora::resources().version.fileVersion);
    EXPECT_EQ(version, QStringLiteral(VELMORA_VERSION));  // the build's version is the same
    bool versionShown = false;
    bool iconShown = false;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        versionShown = versionShown || label->text().contains(version);
        iconShown = iconShown || label->pixmap().size() == QSize(32, 32);
    }
    EXPECT_TRUE(versionShown);
    EXPECT_TRUE(iconShown);
}

TEST_F(MainDialog, ProofDataCommandOpensTheCalibrationWindowOnlyInVelmora) {
    // Command 1049 twice: Velmora makes one calibration window and shows it both times;
    // VelmoraEn opens nothing.
    const auto calibrationWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += w->isVisible() && w->windowTitle() == QString::fromUtf8("传感器标定");
        return n;
    };
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(dlg->sendCommand(IDC_PROOF_DATA));
        EXPECT_EQ(calibrationWindows(), VELMORA_ZH ? 1 : 0);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != dlg.get() && w->isVisible()) w->hide();
    }
    EXPECT_TRUE(velmora::test::messageBoxes().empty());
}

// Asked to terminate, the program ends as on Quit, with a normal exit.
TEST(Program, EndsNormallyOnTerminationSignals) {
    QTemporaryDir config;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", config.path());
        program.setProcessEnvironment(env);
        program.start(VELMORA_PROGRAM, {});
        ASSERT_TRUE(program.waitForStarted());
        // Waits until the program has taken the signal over (its caught-signal mask).
        const auto catches = [&] {
            QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
            if (!status.open(QIODevice::ReadOnly)) return false;
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("SigCgt:"))
                    return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (sig - 1) & 1) != 0;
            return false;
        };
        ASSERT_TRUE(QTest::qWaitFor(catches, 30000)) << sig;
        ::kill(static_cast<pid_t>(program.processId()), sig);
        ASSERT_TRUE(program.waitForFinished(30000)) << sig;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << sig;
        EXPECT_EQ(program.exitCode(), 0) << sig;
    }
}
