// Menus built from the resource tables: structure, command ids, marks and texts.
#include "platform/menu.h"

#include "res/editions.h"
#include "res/resource.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using velmora::Menu;
using velmora::MenuItemTemplate;

namespace {
QStringList texts(const QMenu* menu) {
    QStringList list;
    for (const QAction* a : menu->actions()) list << (a->isSeparator() ? "-" : a->text());
    return list;
}
}  // namespace

TEST(Menu, BuildsTheChartMenuOfEachEdition) {
    velmora::installResources(velmora::englishResources());
    Menu menu;
    ASSERT_TRUE(menu.loadMenu(IDR_WAVE_MENU));
    ASSERT_TRUE(menu.isValid());
    QMenu* popup = menu.subMenu(0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(texts(popup), (QStringList{"Zoom In", "Zoom Out", "-", "Zoom Mode", "Display Mode",
                                          "-", "{x=100%; y=100%}"}));
    const QList<QAction*> items = popup->actions();
    EXPECT_EQ(Menu::commandId(items[0]), ID_ZOOM_IN);
    EXPECT_EQ(Menu::commandId(items[1]), ID_ZOOM_OUT);
    EXPECT_EQ(Menu::commandId(items[6]), ID_ZOOM_STATUS);
    ASSERT_NE(items[3]->menu(), nullptr);
    ASSERT_NE(items[4]->menu(), nullptr);
    EXPECT_EQ(texts(items[3]->menu()), (QStringList{"Zoom X-Axis", "Zoom Y-Axis"}));
    EXPECT_EQ(texts(items[4]->menu()), (QStringList{"Turn-Start", "Scroll Display"}));
    for (const QAction* a : items) EXPECT_FALSE(a->isChecked());

    velmora::installResources(velmora::chineseResources());
    Menu zh;
    ASSERT_TRUE(zh.loadMenu(IDR_WAVE_MENU));
    EXPECT_EQ(Menu::findCommand(zh.subMenu(0), ID_ZOOM_IN)->text(), QString::fromUtf8("放大"));
    EXPECT_EQ(Menu::findCommand(zh.subMenu(0), ID_DISPLAY_TURN)->text(),
              QString::fromUtf8("翻屏显示"));
}

TEST(Menu, FindsMarksAndRenamesByCommandIdThroughSubMenus) {
    velmora::installResources(velmora::englishResources());
    Menu menu;
    ASSERT_TRUE(menu.loadMenu(IDR_WAVE_MENU));
    QMenu* popup = menu.subMenu(0);

    QAction* scroll = Menu::findCommand(popup, ID_DISPLAY_SCROLL);
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->text(), "Scroll Display");
    EXPECT_TRUE(Menu::checkItem(popup, ID_DISPLAY_SCROLL, true));
    EXPECT_TRUE(scroll->isCheckable());
    EXPECT_TRUE(scroll->isChecked());
    EXPECT_TRUE(Menu::checkItem(popup, ID_DISPLAY_SCROLL, false));
    EXPECT_FALSE(scroll->isChecked());
    EXPECT_FALSE(scroll->isCheckable());  // no empty check box on unmarked items

    EXPECT_TRUE(Menu::setItemText(popup, ID_ZOOM_STATUS, "[X=1%; Y=2%]"));
    EXPECT_EQ(Menu::findCommand(popup, ID_ZOOM_STATUS)->text(), "[X=1%; Y=2%]");

    // Unknown ids, separators and popups are never matched.
    EXPECT_EQ(Menu::findCommand(popup, 12345), nullptr);
    EXPECT_EQ(Menu::findCommand(popup, 0), nullptr);
    EXPECT_FALSE(Menu::checkItem(popup, 12345, true));
    EXPECT_FALSE(Menu::setItemText(popup, 12345, "x"));
    EXPECT_EQ(Menu::findCommand(nullptr, ID_ZOOM_IN), nullptr);
    EXPECT_EQ(Menu::commandId(nullptr), 0);
}

TEST(Menu, MissingResourcesAndPositionsGiveNothing) {
    velmora::installResources(velmora::englishResources());
    Menu menu;
    EXPECT_FALSE(menu.loadMenu(9999));
    EXPECT_FALSE(menu.isValid());
    EXPECT_EQ(menu.subMenu(0), nullptr);

    ASSERT_TRUE(menu.loadMenu(IDR_WAVE_MENU));
    EXPECT_EQ(menu.subMenu(1), nullptr);
    EXPECT_EQ(menu.subMenu(-1), nullptr);

    // A command at the top level is no sub-menu.
    static constexpr MenuItemTemplate kInner[] = {{7, "Deep", 0, {}}};
    static constexpr MenuItemTemplate kMiddle[] = {{0, "Inner", velmora::kMenuPopup, kInner}};
    static constexpr MenuItemTemplate kTop[] = {
        {5, "Plain", 0, {}},
        {0, "Middle", velmora::kMenuPopup, kMiddle},
    };
    Menu custom(kTop);
    EXPECT_EQ(custom.subMenu(0), nullptr);
    ASSERT_NE(custom.subMenu(1), nullptr);
    // Searched depth first, two levels down.
    QAction* deep = Menu::findCommand(custom.menu(), 7);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->text(), "Deep");
    EXPECT_EQ(Menu::track(nullptr, QPoint()), 0);
}
