// The dialog builder and base on a small template of our own: placement in dialog units,
// command routing, errors out of handlers, keys, message boxes and termination signals.
#include "testsupport.h"

#include "platform/dialogbase.h"
#include "platform/dialogbuilder.h"
#include "platform/mapping.h"
#include "platform/messagebox.h"
#include "platform/terminationsignals.h"

#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

#include <unistd.h>

using namespace velmora;

namespace {

enum : int { kButton = 10, kCheck, kCombo, kEdit, kText };
constexpr ControlTemplate kControls[] = {
    {kButton, ControlKind::PushButton, "Go", 10, 10, 40, 14, kTabStop},
    {kCheck, ControlKind::CheckBox, "Check", 10, 30, 40, 10, kTabStop},
    {kCombo, ControlKind::ComboDropDown, "", 60, 10, 50, 80, kTabStop | kVScroll},
    {kEdit, ControlKind::Edit, "", 60, 30, 50, 14, kTabStop},
    {kText, ControlKind::Text, "&Label", 10, 50, 60, 8, kHidden},
};
constexpr DialogTemplate kDialog{900, "Test", "DejaVu Sans Mono", 9, 120, 80, 0, kControls};
constexpr const DialogTemplate* kDialogs[] = {&kDialog};
const ResourceTable kResources{1033, kDialogs, {}, {}, {}, {}, {}};

// The template with handlers of the kinds the program's dialogs register.
struct TestDialog : DialogBase {
    TestDialog() : DialogBase((installResources(kResources), 900)) {
        onCommand(kButton, [this] { ++clicks; });
        onCommand(kCheck, [this] {
            checkedSeen = isChecked(kCheck);
            throw std::runtime_error("Port already open");
        });
        const auto selChange = [this] { ++selChanges; };
        onCommand(kCombo, selChange, Notify::SelChange);
    }
    void OnDestroy() override { ++destroys; }
    int clicks = 0, selChanges = 0, destroys = 0;
    bool checkedSeen = false;
};

}  // namespace

// Dialog units: x and width by baseX / 4, y and height by baseY / 8, rounded; baseX is the
// average letter width (in a monospace font any letter's), baseY the font height.
TEST(DialogBuilder, PlacesControlsInDialogUnitsOfTheDialogFont) {
    EXPECT_EQ(mapDialogRect(QRect(109, 301, 40, 22), {6, 13}), QRect(164, 489, 60, 36)) << "map";
    EXPECT_EQ(mapDialogRect(QRect(3, 3, 1, 1), {6, 13}), QRect(5, 5, 2, 2)) << "rounding";
    TestDialog dlg;
    dlg.create();
    const QFontMetrics fm(dlg.font());
    ASSERT_EQ(fm.horizontalAdvance(u'a'), fm.horizontalAdvance(u'W')) << "font not monospace";
    const DialogUnits units = dialogBaseUnits(dlg.font());
    EXPECT_EQ(units.baseX, fm.horizontalAdvance(u'x')) << "base width";
    EXPECT_EQ(units.baseY, fm.height()) << "base height";
    EXPECT_EQ(dlg.size(), QSize(mulDiv(120, units.baseX, 4), mulDiv(80, units.baseY, 8)))
        << "dialog size";
    EXPECT_EQ(dlg.itemRect(kButton), mapDialogRect(QRect(10, 10, 40, 14), units)) << "button";
    EXPECT_LT(dlg.itemRect(kCombo).height(), mapDialogRect(QRect(0, 0, 1, 80), units).height())
        << "a combo box at its list's height";
    EXPECT_EQ(dlg.itemText(kText), QStringLiteral("Label")) << "mnemonic marker shown";
    EXPECT_FALSE(dlg.item(kText)->isVisibleTo(&dlg)) << "a hidden text shown";
}

TEST(DialogBuilderDeathTest, RepeatedControlIdAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static constexpr ControlTemplate twice[] = {kControls[1], kControls[1]};
    static constexpr DialogTemplate tmpl{901, "Twice", "DejaVu Sans", 9, 50, 50, 0, twice};
    EXPECT_DEATH(buildDialog(tmpl, std::make_unique<QWidget>().get()), "repeats control id 11");
}

// An exception out of a handler becomes one message box with the program's name as caption and
// the dialog goes on; only the user's combo choice notifies; a text reads as a number only when
// it is one.
TEST(DialogBase, CommandsRunTheirHandlersAndShowTheirErrors) {
    TestDialog dlg;
    dlg.create(), dlg.show();
    EXPECT_FALSE(dlg.sendCommand(kEdit)) << "a command without a handler was handled";
    QTest::mouseClick(dlg.item(kCheck), Qt::LeftButton);
    EXPECT_TRUE(dlg.checkedSeen) << "the check box toggles before its handler runs";
    dlg.messageBox(QStringLiteral("sure?"), QStringLiteral("Own"));
    ASSERT_EQ(test::messageBoxes().size(), 2u);
    EXPECT_EQ(test::messageBoxes()[0].text, QStringLiteral("Port already open")) << "text";
    EXPECT_EQ(test::messageBoxes()[0].caption, QCoreApplication::applicationName()) << "caption";
    EXPECT_EQ(test::messageBoxes()[1].caption, QStringLiteral("Own")) << "a caption given";
    EXPECT_TRUE(dlg.isVisible()) << "the dialog goes on";
    auto* combo = dlg.itemAs<QComboBox>(kCombo);
    combo->setCurrentIndex(2);
    EXPECT_EQ(dlg.selChanges, 0) << "the program's selection";
    emit combo->activated(1);
    EXPECT_EQ(dlg.selChanges, 1) << "the user's choice";
    const std::pair<const char*, int> numbers[] = {
        {"57600", 57600}, {" -12 ", -12}, {"abc", 0}, {"12x", 0}, {"", 0}, {"99999999999", 0}};
    for (const auto& [text, number] : numbers) {
        dlg.setItemText(kCombo, QString::fromLatin1(text));
        EXPECT_EQ(dlg.itemInt(kCombo), number) << text;
    }
    bool ok = true;
    dlg.setItemText(kEdit, QStringLiteral("x"));
    dlg.itemInt(kEdit, &ok);
    EXPECT_FALSE(ok) << "text read as a number";
}

// A focused push button takes Enter; elsewhere Enter ends the dialog with OK and Escape with
// Cancel, and OnDestroy runs once.
TEST(DialogBase, EnterClicksTheFocusedButtonElseEndsTheDialogAsEscapeDoes) {
    for (const auto& [key, result] :
         {std::pair{Qt::Key_Return, IDOK}, {Qt::Key_Escape, IDCANCEL}}) {
        TestDialog dlg;
        dlg.create(), dlg.show();
        dlg.item(kButton)->setFocus();
        QTest::keyClick(dlg.item(kButton), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible()) << "Enter on the button ended the dialog";
        dlg.item(kEdit)->setFocus();
        QTest::keyClick(dlg.item(kEdit), key);
        EXPECT_EQ(dlg.clicks, 1) << key << ": clicks";
        EXPECT_FALSE(dlg.isVisible()) << key << ": dialog shown";
        EXPECT_EQ(dlg.result(), result) << key << ": result";
        EXPECT_EQ(dlg.destroys, 1) << key << ": OnDestroy on the end";
        dlg.destroyWindow();
        EXPECT_EQ(dlg.destroys, 1) << key << ": OnDestroy again on the destruction";
    }
}

// SIGTERM, SIGINT and SIGHUP end a modal dialog as its destruction does: OnDestroy runs once.
TEST(TerminationSignals, EndTheModalDialogAsItsQuitDoes) {
    endDialogsOnTerminationSignals();
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        TestDialog dlg;
        QTimer::singleShot(0, [sig] { ::kill(::getpid(), sig); });
        EXPECT_EQ(dlg.doModal(), -1) << sig;
        EXPECT_EQ(dlg.destroys, 1) << sig;
    }
}
