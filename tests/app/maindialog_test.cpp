// The main window shell of this program's edition: the dialog at the start, its window menu
// and about box, the calibration command, and what ends it.
#include "app/aboutdlg.h"
#include "integration/livedialog.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QTimer>

namespace velmora::test {
namespace {

using MainDialog = LiveDialog;

TEST_F(MainDialog, StartWindowMenuAboutBoxAndCalibrationCommand) {
    EXPECT_EQ(dlg->itemText(IDC_PORT), "COM1");
    EXPECT_EQ(dlg->itemText(IDC_BAUD), "57600");
    EXPECT_EQ(dlg->item(IDC_PROMPT)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(dlg->chart().geometry(), dlg->itemRect(IDC_WAVE_FRAME)) << "chart placement";
    // The value box: a navy fill, the "0" in white below its text area's top, 16 rows down.
    QWidget* box = dlg->item(IDC_VALUE);
    EXPECT_EQ(box->grab().toImage().pixelColor(1, 1), QColor(0, 0, 128));
    EXPECT_GT(pixels(box, Qt::white), 20) << "white pixels of the 0";
    EXPECT_EQ(pixels(box, Qt::white, 0, 17), 0) << "white pixels in the top 17 rows";

    // A right-click opens the window menu on the background, not on a button.
    const auto rightClick = [&](QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, dlg->mapToGlobal(at));
        QApplication::sendEvent(dlg.get(), &event);
    };
    rightClick(dlg->itemRect(IDC_QUIT).center());
    EXPECT_FALSE(dlg->windowMenu()->isVisible()) << "menu after a right-click on a button";
    const QRect wave = dlg->itemRect(IDC_WAVE_GROUP);
    rightClick(QPoint(wave.center().x(), wave.bottom() + 3));  // between the group boxes
    EXPECT_TRUE(dlg->windowMenu()->isVisible()) << "menu after a right-click on the background";
    dlg->windowMenu()->hide();
    // Its about entry's box shows the icon and the version block's version, the build's.
    const QString version = QString::fromUtf8(resources().version.fileVersion);
    EXPECT_EQ(version, VELMORA_VERSION);
    bool versionShown = false, iconShown = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        for (QLabel* label : about ? about->findChildren<QLabel*>() : QList<QLabel*>()) {
            versionShown = versionShown || label->text().contains(version);
            iconShown = iconShown || label->pixmap().size() == QSize(32, 32);
        }
        if (about) about->close();
    });
    dlg->windowMenu()->actions().value(1)->trigger();
    EXPECT_TRUE(versionShown) << "version in the about box";
    EXPECT_TRUE(iconShown) << "icon in the about box";

    // Command 1049, twice: Velmora shows its one calibration window; VelmoraEn opens nothing.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(dlg->sendCommand(IDC_PROOF_DATA));
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            shown += w->isVisible() && w->windowTitle() == QString::fromUtf8("传感器标定");
        EXPECT_EQ(shown, VELMORA_ZH ? 1 : 0) << "calibration windows after command " << i + 1;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != dlg.get() && w->isVisible()) w->hide();
    }
}

TEST_F(MainDialog, EnterOnThePortBoxAndQuitEndItAndNoButtonLooksDefaultWhereEnterEnds) {
    // "Open Port" must look the same with the focus on the port box, where Enter ends the
    // dialog, as with the focus on another push button; on itself it takes Enter and looks it.
    QWidget* open = dlg->item(IDC_OPEN_PORT);
    dlg->item(IDC_QUIT)->setFocus();
    const QImage plain = open->grab().toImage();
    dlg->item(IDC_PORT)->setFocus();
    EXPECT_EQ(open->grab().toImage(), plain) << "Open Port with the focus on the port box";
    open->setFocus();
    EXPECT_NE(open->grab().toImage(), plain) << "Open Port with the focus on itself";
    for (int id : {IDC_PORT, IDC_QUIT}) {  // Enter on the port box; Quit, pressed with Space
        auto d = makeDialog();
        d->item(id)->setFocus();
        QTest::keyClick(d->item(id), id == IDC_PORT ? Qt::Key_Return : Qt::Key_Space);
        EXPECT_FALSE(d->isVisible()) << id;
        EXPECT_FALSE(d->isWindow()) << id;
    }
}

}  // namespace
}  // namespace velmora::test
