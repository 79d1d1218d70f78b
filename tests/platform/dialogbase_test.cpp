#include "testdialog.h"
#include "testsupport.h"

#include "platform/dialogbase.h"
#include "platform/messagebox.h"
#include "platform/terminationsignals.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

#include <csignal>
#include <unistd.h>

using namespace velmora;

namespace {

// The test template with a few handlers of the kinds the program's dialogs register.
class TestDialog : public DialogBase {
public:
    TestDialog() : DialogBase(900) {
        onCommand(test::kButton, [this] { ++clicks; });
        onCommand(test::kCheck, [this] {
            checkedSeen = isChecked(test::kCheck);
            throw std::runtime_error("Port already open");
        });
        onCommand(test::kCombo, [this] { ++selChanges; }, Notify::SelChange);
    }
    void OnDestroy() override { ++destroys; }
    int clicks = 0;
    int selChanges = 0;
    int destroys = 0;
    bool checkedSeen = false;
};

class DialogBaseTest : public ::testing::Test {
protected:
    static TestDialog& make() {
        installResources(test::kTestResources);
        return *new TestDialog;
    }
    void SetUp() override {
        dlg.create();
        dlg.show();
    }
    void TearDown() override { delete &dlg; }
    TestDialog& dlg = make();
};

}  // namespace

TEST_F(DialogBaseTest, ClickOnAControlRunsItsHandler) {
    QTest::mouseClick(dlg.itemAs<QPushButton>(test::kButton), Qt::LeftButton);
    EXPECT_EQ(dlg.clicks, 1);
    EXPECT_TRUE(dlg.sendCommand(test::kButton));
    EXPECT_EQ(dlg.clicks, 2);
    EXPECT_FALSE(dlg.sendCommand(test::kEdit));  // no handler registered
    EXPECT_TRUE(test::messageBoxes().empty());
}

TEST_F(DialogBaseTest, ExceptionInAHandlerBecomesOneMessageBox) {
    QTest::mouseClick(dlg.item(test::kCheck), Qt::LeftButton);
    EXPECT_TRUE(dlg.checkedSeen);  // the check box toggles before its handler runs
    ASSERT_EQ(test::messageBoxes().size(), 1u);
    EXPECT_EQ(test::messageBoxes()[0].text, QStringLiteral("Port already open"));
    EXPECT_EQ(test::messageBoxes()[0].caption, QCoreApplication::applicationName());
    EXPECT_TRUE(dlg.isVisible());  // the dialog goes on
}

TEST_F(DialogBaseTest, OnlyTheUsersComboChoiceNotifies) {
    auto* combo = dlg.itemAs<QComboBox>(test::kCombo);
    ASSERT_EQ(combo->count(), 3);  // items from the template's init data
    combo->setCurrentIndex(2);
    EXPECT_EQ(dlg.selChanges, 0);
    emit combo->activated(1);
    EXPECT_EQ(dlg.selChanges, 1);
}

TEST_F(DialogBaseTest, ItemIntReadsSignedDecimalAndZeroForText) {
    const std::pair<const char*, int> cases[] = {
        {"57600", 57600}, {" -12 ", -12}, {"abc", 0}, {"12x", 0}, {"", 0}, {"99999999999", 0}};
    for (const auto& [text, expected] : cases) {
        dlg.setItemText(test::kCombo, QString::fromLatin1(text));
        EXPECT_EQ(dlg.itemInt(test::kCombo), expected) << text;
    }
    bool ok = true;
    dlg.setItemText(test::kEdit, QStringLiteral("x"));
    EXPECT_EQ(dlg.itemInt(test::kEdit, &ok), 0);
    EXPECT_FALSE(ok);
}

TEST_F(DialogBaseTest, EscapeEndsWithCancelAndRunsOnDestroyOnce) {
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), IDCANCEL);
    EXPECT_EQ(dlg.destroys, 1);
    EXPECT_FALSE(dlg.isWindow());
    dlg.destroyWindow();
    EXPECT_EQ(dlg.destroys, 1);
}

TEST_F(DialogBaseTest, EnterClicksTheFocusedButtonElseEndsWithOk) {
    auto* button = dlg.itemAs<QPushButton>(test::kButton);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(dlg.clicks, 1);
    EXPECT_TRUE(dlg.isVisible());

    auto* edit = dlg.itemAs<QLineEdit>(test::kEdit);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(dlg.clicks, 1);
}

TEST(MessageBox, CaptionDefaultsToTheApplicationName) {
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("hello")), IDOK);
    test::setMessageBoxAnswer(IDNO);
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("sure?"), QStringLiteral("Own"), MB_YESNO), IDNO);
    ASSERT_EQ(test::messageBoxes().size(), 2u);
    EXPECT_EQ(test::messageBoxes()[0].caption, QCoreApplication::applicationName());
    EXPECT_EQ(test::messageBoxes()[1].caption, QStringLiteral("Own"));
    EXPECT_EQ(test::messageBoxes()[1].type, unsigned(MB_YESNO));
}

TEST(TerminationSignals, EndTheModalDialogAsItsQuitDoes) {
    installResources(test::kTestResources);
    endDialogsOnTerminationSignals();
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        TestDialog dlg;
        QTimer::singleShot(0, [sig] { ::kill(::getpid(), sig); });
        EXPECT_EQ(dlg.doModal(), -1) << sig;
        EXPECT_EQ(dlg.destroys, 1) << sig;
    }
}
