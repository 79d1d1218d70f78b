// The main window shell of the edition this program is linked with: the dialog at the start,
// what ends it, the window menu with the about box, and the calibration command.
#include "app/aboutdlg.h"
#include "integration/livedialog.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QTimer>

namespace velmora::test {
namespace {

using MainDialog = LiveDialog;

TEST_F(MainDialog, StartsWithCom1At57600AnEmptyBluePromptAndAWhiteZeroOnNavy) {
    EXPECT_EQ(dlg->itemText(IDC_PORT), "COM1");
    EXPECT_EQ(dlg->itemText(IDC_BAUD), "57600");
    EXPECT_EQ(dlg->itemText(IDC_PROMPT), "");
    EXPECT_EQ(dlg->item(IDC_PROMPT)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(dlg->chart().geometry(), dlg->itemRect(IDC_WAVE_FRAME)) << "chart placement";
    // The value box: a navy fill, the "0" in white below the middle (the text area starts 16
    // lower).
    QWidget* box = dlg->item(IDC_VALUE);
    EXPECT_EQ(box->grab().toImage().pixelColor(1, 1), QColor(0, 0, 128));
    EXPECT_GT(pixels(box, Qt::white), 20) << "white pixels of the 0";
    EXPECT_EQ(pixels(box, Qt::white, 0, 17), 0) << "white pixels in the top 17 rows";
}

TEST_F(MainDialog, EnterOnThePortBoxAndQuitEndItAndNoButtonLooksDefaultWhereEnterEnds) {
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
    for (int id : {IDC_PORT, IDC_QUIT}) {  // Enter on the port box, a click on Quit
        auto d = makeDialog();
        d->item(IDC_PORT)->setFocus();
        if (id == IDC_PORT)
            QTest::keyClick(d->item(id), Qt::Key_Return);
        else
            QTest::mouseClick(d->item(id), Qt::LeftButton);
        EXPECT_FALSE(d->isVisible()) << id;
        EXPECT_FALSE(d->isWindow()) << id;
    }
}

TEST_F(MainDialog, BackgroundRightClickOpensTheWindowMenuWhoseAboutBoxShowsIconAndVersion) {
    const auto rightClick = [&](QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, dlg->mapToGlobal(at));
        QApplication::sendEvent(dlg.get(), &event);
    };
    QMenu* menu = dlg->windowMenu();
    rightClick(dlg->itemRect(IDC_QUIT).center());
    EXPECT_FALSE(menu->isVisible()) << "menu after a right-click on a button";
    const QRect wave = dlg->itemRect(IDC_WAVE_GROUP);
    rightClick(QPoint(wave.center().x(), wave.bottom() + 3));  // between the group boxes
    EXPECT_TRUE(menu->isVisible()) << "menu after a right-click on the background";
    menu->hide();
    QAction* about = menu->actions().value(1);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), editionText("关于 Velmora(&A)...", "&About VelmoraEn..."));

    // The about box shows the icon and the version block's version, which is the build's.
    const QString version = QString::fromUtf8(resources().version.fileVersion);
    EXPECT_EQ(version, QStringLiteral(VELMORA_VERSION));
    bool versionShown = false, iconShown = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        for (QLabel* label : box ? box->findChildren<QLabel*>() : QList<QLabel*>()) {
            versionShown = versionShown || label->text().contains(version);
            iconShown = iconShown || label->pixmap().size() == QSize(32, 32);
        }
        if (box) box->close();
    });
    about->trigger();
    EXPECT_TRUE(versionShown) << "version in the about box";
    EXPECT_TRUE(iconShown) << "icon in the about box";
}

TEST_F(MainDialog, ProofDataCommandOpensTheCalibrationWindowOnlyInVelmora) {
    // Twice: Velmora shows its one calibration window both times; VelmoraEn opens nothing.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(dlg->sendCommand(IDC_PROOF_DATA));
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            shown += w->isVisible() && w->windowTitle() == QString::fromUtf8("传感器标定");
        EXPECT_EQ(shown, VELMORA_ZH ? 1 : 0) << "calibration windows after command " << i + 1;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != dlg.get() && w->isVisible()) w->hide();
    }
    EXPECT_EQ(messages(), "");
}

}  // namespace
}  // namespace velmora::test
