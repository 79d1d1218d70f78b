// The main window shell of this program's edition: its start, its window menu and its end.
#include "integration/livedialog.h"

#include "app/aboutdlg.h"

#include <QContextMenuEvent>
#include <QLabel>

namespace velmora::test {
namespace {

using MainDialog = LiveDialog;

TEST_F(MainDialog, StartsWithCom1At57600AndOpensItsWindowMenuOnTheBackground) {
    EXPECT_EQ(dlg->itemText(IDC_PORT), "COM1");
    EXPECT_EQ(dlg->itemText(IDC_BAUD), "57600");
    EXPECT_EQ(dlg->item(IDC_PROMPT)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(dlg->chart().geometry(), dlg->itemRect(IDC_WAVE_FRAME)) << "chart placement";
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
}

TEST_F(MainDialog, EnterOnThePortBoxAndQuitEndItAndNoButtonLooksDefaultWhereEnterEnds) {
    // "Open Port" looks no more the default with the focus on the port box (Enter ends the
    // dialog there) than with it on Quit; on itself it takes Enter and looks it.
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

}  // namespace
}  // namespace velmora::test
