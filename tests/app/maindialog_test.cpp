// The main window shell of the edition this program is linked with: the dialog at the start,
// the keys and buttons that end it, the window menu with the about box, and the calibration
// command.
#include "app/aboutdlg.h"
#include "integration/livedialog.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QTimer>

#include <functional>

namespace velmora::test {
namespace {

using MainDialog = LiveDialog;

TEST_F(MainDialog, StartsWithCom1At57600AnEmptyBluePromptAndAWhiteZeroOnNavy) {
    EXPECT_EQ(dlg->itemText(IDC_PORT), "COM1");
    EXPECT_EQ(dlg->itemText(IDC_BAUD), "57600");
    EXPECT_EQ(dlg->itemText(IDC_PROMPT), "");
    EXPECT_EQ(dlg->item(IDC_PROMPT)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(dlg->itemText(IDC_MAXMIN_TEXT), "");
    // The chart takes the place of the waveform frame.
    QWidget* chart = dlg->findChild<QWidget*>(QStringLiteral("ctrl_%1").arg(IDC_WAVE_CHART));
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->geometry(), dlg->itemRect(IDC_WAVE_FRAME)) << "chart placement";
    // The value box: a navy fill, the "0" in white below the middle (the text area starts 16
    // lower).
    const QImage image = dlg->grab().toImage();
    const QRect box = dlg->itemRect(IDC_VALUE);
    EXPECT_EQ(image.pixelColor(box.topLeft() + QPoint(1, 1)), QColor(0, 0, 128));
    int white = 0, top = box.bottom();
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (image.pixelColor(x, y) == Qt::white) ++white, top = std::min(top, y);
    EXPECT_GT(white, 20) << "white pixels of the 0";
    EXPECT_GT(top, box.top() + 16) << "top row of the 0";
}

TEST_F(MainDialog, EnterOnThePortBoxEscapeAndQuitEndItAndNoButtonLooksDefaultWhereEnterEnds) {
    // The look of "Open Port" while the focus is on another push button, where it is surely
    // not the default; with the focus on the port box, where Enter ends the dialog, it must
    // look the same. On itself it takes Enter and looks it.
    QWidget* open = dlg->item(IDC_OPEN_PORT);
    dlg->item(IDC_QUIT)->setFocus();
    const QImage plain = open->grab().toImage();
    dlg->item(IDC_PORT)->setFocus();
    EXPECT_EQ(open->grab().toImage(), plain) << "Open Port with the focus on the port box";
    open->setFocus();
    EXPECT_NE(open->grab().toImage(), plain) << "Open Port with the focus on itself";

    const std::function<void(CSensorDemoDlg&)> enders[] = {
        [](CSensorDemoDlg& d) { QTest::keyClick(d.item(IDC_PORT), Qt::Key_Return); },
        [](CSensorDemoDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](CSensorDemoDlg& d) { QTest::mouseClick(d.item(IDC_QUIT), Qt::LeftButton); },
    };
    for (const auto& end : enders) {
        auto d = makeDialog();
        d->item(IDC_PORT)->setFocus();
        end(*d);
        EXPECT_FALSE(d->isVisible()) << "ender " << &end - enders;
        EXPECT_FALSE(d->isWindow()) << "ender " << &end - enders;
    }
}

TEST_F(MainDialog, BackgroundRightClickOpensTheWindowMenuWhoseAboutBoxShowsIconAndVersion) {
    const auto rightClick = [&](QPoint pos) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, dlg->mapToGlobal(pos));
        QApplication::sendEvent(dlg.get(), &event);
    };
    QMenu* menu = dlg->windowMenu();
    rightClick(dlg->itemRect(IDC_QUIT).center());
    EXPECT_FALSE(menu->isVisible()) << "menu after a right-click on a button";
    const QRect wave = dlg->itemRect(IDC_WAVE_GROUP);
    rightClick(QPoint(wave.center().x(), wave.bottom() + 3));  // between the group boxes
    EXPECT_TRUE(menu->isVisible()) << "menu after a right-click on the background";
    menu->hide();
    ASSERT_GE(menu->actions().size(), 2);
    EXPECT_TRUE(menu->actions()[0]->isSeparator());
    QAction* about = menu->actions()[1];
    EXPECT_EQ(about->text(), editionText("关于 Velmora(&A)...", "&About VelmoraEn..."));
    EXPECT_EQ(about->data().toInt(), IDM_ABOUTBOX);

    // The version shown is the version block's, which is the build's.
    const QString version = QString::fromUtf8(resources().version.fileVersion);
    EXPECT_EQ(version, QStringLiteral(VELMORA_VERSION));
    QString caption;
    bool versionShown = false, iconShown = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (!box) return;
        caption = box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>()) {
            versionShown = versionShown || label->text().contains(version);
            iconShown = iconShown || label->pixmap().size() == QSize(32, 32);
        }
        box->close();
    });
    about->trigger();
    EXPECT_EQ(caption, editionText("关于 Velmora", "About VelmoraEn"));
    EXPECT_TRUE(versionShown) << "version in the about box";
    EXPECT_TRUE(iconShown) << "icon in the about box";
}

TEST_F(MainDialog, ProofDataCommandOpensTheCalibrationWindowOnlyInVelmora) {
    // Twice: Velmora makes one calibration window and shows it both times; VelmoraEn opens
    // nothing.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(dlg->sendCommand(IDC_PROOF_DATA));
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            shown += w->isVisible() && w->windowTitle() == QString::fromUtf8("传感器标定");
        EXPECT_EQ(shown, VELMORA_ZH ? 1 : 0) << "calibration windows after command " << i + 1;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != dlg.get() && w->isVisible()) w->hide();
    }
    EXPECT_TRUE(messageBoxes().empty());
}

}  // namespace
}  // namespace velmora::test
