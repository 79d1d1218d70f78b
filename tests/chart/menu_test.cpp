// Menus built from the resource tables: structure, command ids, marks and texts.
#include "platform/menu.h"

#include "res/editions.h"
#include "res/resource.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using velmora::Menu;

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
    EXPECT_EQ(menu.subMenu(1), nullptr);
    QMenu* popup = menu.subMenu(0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(texts(popup), (QStringList{"Zoom In", "Zoom Out", "-", "Zoom Mode", "Display Mode",
                                         "-", "{x=100%; y=100%}"}));
    const QList<QAction*> items = popup->actions();
    EXPECT_EQ(Menu::commandId(items[1]), ID_ZOOM_OUT);
    EXPECT_EQ(Menu::commandId(items[6]), ID_ZOOM_STATUS);
    ASSERT_NE(items[4]->menu(), nullptr);
    EXPECT_EQ(texts(items[4]->menu()), (QStringList{"Turn-Start", "Scroll Display"}));
    for (const QAction* a : items) EXPECT_FALSE(a->isChecked());

    velmora::installResources(velmora::chineseResources());
    ASSERT_TRUE(menu.loadMenu(IDR_WAVE_MENU));
    EXPECT_EQ(Menu::findCommand(menu.subMenu(0), ID_DISPLAY_TURN)->text(),
              QString::fromUtf8("翻屏显示"));
    EXPECT_FALSE(menu.loadMenu(9999));
    EXPECT_EQ(menu.subMenu(0), nullptr);
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
    EXPECT_TRUE(scroll->isChecked());
    EXPECT_TRUE(Menu::checkItem(popup, ID_DISPLAY_SCROLL, false));
    EXPECT_FALSE(scroll->isChecked());
    EXPECT_FALSE(scroll->isCheckable());  // no empty check box on unmarked items

    EXPECT_TRUE(Menu::setItemText(popup, ID_ZOOM_STATUS, "[X=1%; Y=2%]"));
    EXPECT_EQ(Menu::findCommand(popup, ID_ZOOM_STATUS)->text(), "[X=1%; Y=2%]");

    // Unknown ids, separators and popups (id 0) are never matched.
    EXPECT_EQ(Menu::findCommand(popup, 0), nullptr);
    EXPECT_FALSE(Menu::checkItem(popup, 12345, true));
    EXPECT_FALSE(Menu::setItemText(popup, 12345, "x"));
}
