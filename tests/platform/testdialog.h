// A small template of our own for exercising the dialog base without the program's resources.
#pragma once

#include "platform/resources.h"

namespace velmora::test {

enum : int { kButton = 10, kCheck = 11, kCombo = 12, kEdit = 13, kText = 14, kHiddenText = 15 };

inline constexpr ControlTemplate kTestControls[] = {
    {kButton, ControlKind::PushButton, "Go", 10, 10, 40, 14, kTabStop},
    {kCheck, ControlKind::CheckBox, "Check", 10, 30, 40, 10, kTabStop},
    {kCombo, ControlKind::ComboDropDown, "", 60, 10, 50, 80, kTabStop | kVScroll},
    {kEdit, ControlKind::Edit, "", 60, 30, 50, 14, kTabStop},
    {kText, ControlKind::Text, "&Label", 10, 50, 60, 8, 0},
    {kHiddenText, ControlKind::Text, "hidden", 10, 60, 60, 8, kHidden},
};
inline constexpr DialogTemplate kTestDialog{
    900, "Test", "DejaVu Sans Mono", 9, 120, 80, kDsCaption | kDsSysMenu, kTestControls};
inline constexpr const DialogTemplate* kTestDialogs[] = {&kTestDialog};
inline constexpr const char* kComboItems[] = {"one", "two", "three"};
inline constexpr DialogInitData kTestInit[] = {{900, kCombo, kComboItems}};
inline const ResourceTable kTestResources{
    1033, kTestDialogs, {}, {}, kTestInit, {}, {}};

}  // namespace velmora::test
