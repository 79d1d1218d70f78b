#include "testdialog.h"

#include "platform/dialogbase.h"
#include "platform/dialogbuilder.h"
#include "platform/mapping.h"

#include <QFontMetrics>
#include <QLabel>

#include <gtest/gtest.h>

using namespace velmora;

TEST(DialogUnits, MapEachCoordinateWithTheBaseUnits) {
    const DialogUnits units{6, 13};
    // x and width by baseX / 4, y and height by baseY / 8, each rounded.
    EXPECT_EQ(mapDialogRect(QRect(109, 301, 40, 22), units), QRect(164, 489, 60, 36));
    EXPECT_EQ(mapDialogRect(QRect(3, 3, 1, 1), units), QRect(5, 5, 2, 2));
}

TEST(DialogUnits, BaseWidthIsTheRoundedAverageLetterWidth) {
    // In a monospace font every letter has the same advance, so the average is that advance.
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(12);
    mono.setStyleHint(QFont::Monospace);
    const QFontMetrics fm(mono);
    ASSERT_EQ(fm.horizontalAdvance(QLatin1Char('a')), fm.horizontalAdvance(QLatin1Char('W')))
        << "test font is not monospace";
    const DialogUnits units = dialogBaseUnits(mono);
    EXPECT_EQ(units.baseX, fm.horizontalAdvance(QLatin1Char('x')));
    EXPECT_EQ(units.baseY, fm.height());
}

TEST(DialogBuilder, PlacesControlsInDialogUnitsOfTheDialogFont) {
    installResources(test::kTestResources);
    DialogBase dlg(900);
    dlg.create();
    const DialogUnits units = dialogBaseUnits(dlg.font());
    EXPECT_EQ(dlg.size(), QSize(mulDiv(120, units.baseX, 4), mulDiv(80, units.baseY, 8)));
    EXPECT_EQ(dlg.itemRect(test::kButton), mapDialogRect(QRect(10, 10, 40, 14), units));
    EXPECT_EQ(dlg.itemRect(test::kText), mapDialogRect(QRect(10, 50, 60, 8), units));
    // A combo box keeps its closed height; the template height is its list.
    EXPECT_LT(dlg.itemRect(test::kCombo).height(), mapDialogRect(QRect(0, 0, 1, 80), units).height());
    EXPECT_EQ(dlg.item(test::kText)->objectName(), QStringLiteral("ctrl_14"));
    EXPECT_EQ(dlg.itemText(test::kText), QStringLiteral("Label"));  // mnemonic marker not shown
    EXPECT_FALSE(dlg.item(test::kHiddenText)->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.item(test::kText)->isVisibleTo(&dlg));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Test"));
}

TEST(DialogBuilderDeathTest, RepeatedControlIdAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static constexpr ControlTemplate twice[] = {
        {20, ControlKind::PushButton, "A", 0, 0, 10, 10, 0},
        {20, ControlKind::PushButton, "B", 0, 20, 10, 10, 0},
    };
    static constexpr DialogTemplate tmpl{901, "Twice", "DejaVu Sans", 9, 50, 50, 0, twice};
    EXPECT_DEATH(
        {
            QWidget parent;
            buildDialog(tmpl, &parent);
        },
        "repeats control id 20");
}
