// The dialog builder and base on the English main dialog's template: placement in dialog
// units, command routing, errors out of handlers, and the ways a dialog ends.
#include "testsupport.h"

#include "platform/dialogbase.h"
#include "platform/dialogbuilder.h"
#include "platform/terminationsignals.h"
#include "res/editions.h"
#include "res/resource.h"

#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>

using namespace velmora;

namespace {

struct TestDialog : DialogBase {
    TestDialog() : DialogBase((installResources(englishResources()), IDD_MAIN_DIALOG)) {
        onCommand(IDC_OPEN_PORT, [this] { ++clicks; });
        onCommand(IDC_MOVE_DOWN, [this] {
            checkedSeen = isChecked(IDC_MOVE_DOWN);
            throw std::runtime_error("Port already open");
        });
        onCommand(
            IDC_PORT, [this] { ++selChanges; }, Notify::SelChange);
    }
    void OnDestroy() override { ++destroys; }
    int clicks = 0, selChanges = 0, destroys = 0;
    bool checkedSeen = false;
};

}  // namespace

// Dialog units: x by baseX / 4, y by baseY / 8, baseX the average width of the 52 letters,
// baseY the font height. An exception out of a handler becomes one message box captioned with
// the program's name; only the user's combo choice notifies; "12x" is no number.
TEST(DialogBase, PlacesInDialogUnitsRoutesCommandsAndShowsErrors) {
    EXPECT_EQ(mapDialogRect(QRect(109, 301, 40, 22), {6, 13}), QRect(164, 489, 60, 36)) << "map";
    TestDialog dlg;
    dlg.create();
    const QFontMetrics fm(dlg.font());
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const DialogUnits units = dialogBaseUnits(dlg.font());
    EXPECT_EQ(units.baseX, std::lround(fm.horizontalAdvance(letters) / 52.0)) << "base width";
    EXPECT_EQ(units.baseY, fm.height()) << "base height";
    EXPECT_LT(dlg.itemRect(IDC_PORT).height(), mapDialogRect(QRect(0, 0, 1, 126), units).height())
        << "a combo box at its list's height";
    EXPECT_FALSE(dlg.item(IDC_DEVICE_TYPE)->isVisibleTo(&dlg)) << "a hidden control shown";

    EXPECT_FALSE(dlg.sendCommand(IDC_QUIT)) << "a command without a handler was handled";
    QTest::mouseClick(dlg.item(IDC_MOVE_DOWN), Qt::LeftButton);
    EXPECT_TRUE(dlg.checkedSeen) << "the check box toggles before its handler runs";
    dlg.messageBox(QStringLiteral("sure?"), QStringLiteral("Own"));
    ASSERT_EQ(test::messageBoxes().size(), 2u);
    EXPECT_EQ(test::messageBoxes()[0].text, QStringLiteral("Port already open")) << "text";
    EXPECT_EQ(test::messageBoxes()[0].caption, QCoreApplication::applicationName()) << "caption";
    EXPECT_EQ(test::messageBoxes()[1].caption, QStringLiteral("Own")) << "a caption given";
    EXPECT_TRUE(dlg.isVisible()) << "the dialog goes on";
    auto* combo = dlg.itemAs<QComboBox>(IDC_PORT);
    combo->addItems({"COM1", "COM2", "COM3"});
    combo->setCurrentIndex(2);
    EXPECT_EQ(dlg.selChanges, 0) << "the program's selection";
    emit combo->activated(1);
    EXPECT_EQ(dlg.selChanges, 1) << "the user's choice";
    for (const auto& [text, number] :
         {std::pair{" 57600 ", 57600}, {"12x", 0}, {"99999999999", 0}}) {
        dlg.setItemText(IDC_BAUD, QString::fromLatin1(text));
        EXPECT_EQ(dlg.itemInt(IDC_BAUD), number) << text;
    }
}

// A focused push button takes Enter; elsewhere Enter ends the dialog with OK and Escape with
// Cancel; SIGTERM, SIGINT and SIGHUP end it as its destruction does (-1). OnDestroy runs once.
TEST(DialogBase, EndsOnEnterEscapeOrATerminationSignalRunningOnDestroyOnce) {
    endDialogsOnTerminationSignals();
    for (const int end : {int(Qt::Key_Return), int(Qt::Key_Escape), SIGTERM, SIGINT, SIGHUP}) {
        TestDialog dlg;
        QTimer::singleShot(0, [&] {
            dlg.item(IDC_OPEN_PORT)->setFocus();
            QTest::keyClick(dlg.item(IDC_OPEN_PORT), Qt::Key_Return);
            dlg.item(IDC_BAUD)->setFocus();
            if (end > SIGTERM) QTest::keyClick(dlg.item(IDC_BAUD), Qt::Key(end));
            if (end <= SIGTERM) ::kill(::getpid(), end);
        });
        const int result = end == Qt::Key_Return ? IDOK : end == Qt::Key_Escape ? IDCANCEL : -1;
        EXPECT_EQ(dlg.doModal(), result) << end << ": result";
        EXPECT_EQ(dlg.clicks, 1) << end << ": Enter on the focused button";
        EXPECT_EQ(dlg.destroys, 1) << end << ": OnDestroy on the end";
        dlg.destroyWindow();
        EXPECT_EQ(dlg.destroys, 1) << end << ": OnDestroy again on the destruction";
    }
}
