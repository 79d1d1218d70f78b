// Resources of VelmoraEn, the English (United States) edition: templates 100 and 102,
// menu 130, string 101, the combo-box items of template 102, the version block and icon 128.
// The edition has no calibration dialog (template 138). One row per control, in tab order.
#include "res/editions.h"

#include "platform/messagebox.h"
#include "res/resource.h"

namespace velmora {
namespace {

using K = ControlKind;

constexpr unsigned kCombo = kVScroll | kTabStop;
constexpr unsigned kReadout = kCenterVertically | kSunken;

// About box (template 100).
constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, K::Icon, "128", 11, 17, 20, 20, 0},
    {IDC_STATIC, K::Text, "VelmoraEn Version 1.0", 40, 10, 119, 8, kNoPrefix},
    {IDC_STATIC, K::Text, "File version 1.0.0.1", 40, 25, 119, 8, 0},
    {IDOK, K::DefPushButton, "OK", 178, 7, 50, 14, kTabStop},
};

constexpr DialogTemplate kAboutBox{
    .id = IDD_ABOUTBOX,
    .caption = "About VelmoraEn",
    .fontFace = "MS Sans Serif",
    .fontPoints = 8,
    .cx = 235,
    .cy = 55,
    .style = kDsCaption | kDsSysMenu | kDsModalFrame,
    .controls = kAboutControls,
};

// Main dialog (template 102). Wider captions and buttons than the Chinese layout; "Comm
// Port:" follows the port combo box, and the hidden device-type pair comes last.
constexpr ControlTemplate kMainControls[] = {
    {IDC_WAVE_GROUP, K::GroupBox, "Waveform", 3, 3, 595, 260, 0},
    {IDC_STATIC, K::GroupBox, "Sensor", 3, 282, 516, 56, 0},
    {IDC_OPEN_PORT, K::PushButton, "Open Port", 112, 302, 52, 22, kTabStop},
    {IDC_WAVE_FRAME, K::BlackFrame, "", 6, 16, 516, 244, 0},
    {IDC_MSCOMM, K::Custom, "", 15, 165, 25, 25, 0},
    {IDC_QUIT, K::PushButton, "Quit", 528, 316, 56, 20, kTabStop},
    {IDC_PROMPT, K::Text, "Prompt info", 7, 267, 222, 12, kCenterVertically},
    {IDC_VALUE, K::BlackFrame, "", 525, 16, 68, 30, 0},
    {IDC_PANEL, K::BlackFrame, "", 523, 10, 72, 250, kHidden},
    {IDC_STATIC, K::Text, "Comm Baud:", 12, 320, 41, 9, 0},
    {IDC_BAUD, K::ComboDropDown, "", 54, 318, 54, 158, kCombo},
    {IDC_PORT, K::ComboDropList, "", 54, 301, 54, 126, kCombo},
    {IDC_STATIC, K::Text, "Comm Port:", 12, 303, 41, 8, 0},
    {IDC_PROOF_BASELINE, K::PushButton, "Proof Baseline", 527, 100, 64, 20, kTabStop},
    {IDC_CLEAR_DATA, K::PushButton, "Clear Data", 527, 233, 64, 20, kTabStop},
    {IDC_PROOF_DATA, K::PushButton, "Proof Data", 527, 206, 64, 20, kTabStop | kHidden},
    {IDC_STOP_REFRESH, K::CheckBox, "Stop Refresh", 526, 142, 66, 10, kTabStop},
    {IDC_MAXMIN_TEXT, K::Text, "", 525, 48, 68, 12, kReadout},
    {IDC_MAXMIN, K::PushLikeCheckBox, "Max/Min Value", 527, 73, 64, 20, kTabStop},
    {IDC_MOVE_DOWN, K::CheckBox, "Movedown Data", 526, 126, 66, 10, kTabStop},
    {IDC_START_SAMPLING, K::PushButton, "Start Sampling", 175, 291, 68, 20, kTabStop},
    {IDC_STOP_SAMPLING, K::PushButton, "Stop Sampling", 175, 314, 68, 20, kTabStop},
    {IDC_READ_DEVICE_NO, K::PushButton, "Read DeviceNo", 256, 291, 68, 20, kTabStop},
    {IDC_READ_MAKE_DATE, K::PushButton, "Read MakeDate", 256, 314, 68, 20, kTabStop},
    {IDC_DEVICE_NO, K::Text, "", 327, 294, 56, 16, kReadout},
    {IDC_MAKE_DATE, K::Text, "", 327, 317, 56, 16, kReadout},
    {IDC_STATIC, K::Text, "Device Type:", 120, 223, 49, 8, kHidden},
    {IDC_DEVICE_TYPE, K::ComboDropList, "", 170, 221, 98, 98, kCombo | kHidden},
};

constexpr DialogTemplate kMainDialog{
    .id = IDD_MAIN_DIALOG,
    .caption = "Skin-Resistance Sensor Demo",
    .fontFace = "MS Sans Serif",
    .fontPoints = 9,
    .cx = 600,
    .cy = 341,
    .style = kDsCaption | kDsSysMenu | kDsModalFrame | kDsVisible | kDsAppWindow,
    .controls = kMainControls,
};

constexpr const DialogTemplate* kDialogs[] = {&kAboutBox, &kMainDialog};

// Context menu of the waveform chart (menu 130); the pop-up's caption is never shown.
constexpr MenuItemTemplate kZoomModeItems[] = {
    {ID_ZOOM_MODE_X, "Zoom X-Axis", 0, {}},
    {ID_ZOOM_MODE_Y, "Zoom Y-Axis", 0, {}},
};

constexpr MenuItemTemplate kDisplayModeItems[] = {
    {ID_DISPLAY_TURN, "Turn-Start", 0, {}},
    {ID_DISPLAY_SCROLL, "Scroll Display", 0, {}},
};

constexpr MenuItemTemplate kZoomItems[] = {
    {ID_ZOOM_IN, "Zoom In", 0, {}},
    {ID_ZOOM_OUT, "Zoom Out", 0, {}},
    {0, "", kMenuSeparator, {}},
    {0, "Zoom Mode", kMenuPopup, kZoomModeItems},
    {0, "Display Mode", kMenuPopup, kDisplayModeItems},
    {0, "", kMenuSeparator, {}},
    {ID_ZOOM_STATUS, "{x=100%; y=100%}", 0, {}},
};

constexpr MenuItemTemplate kWaveMenuBar[] = {
    {0, "_Zoom_", kMenuPopup, kZoomItems},
};

constexpr MenuTemplate kWaveMenu{IDR_WAVE_MENU, kWaveMenuBar};

constexpr const MenuTemplate* kMenus[] = {&kWaveMenu};

constexpr StringResource kStrings[] = {
    {IDS_ABOUTBOX, "&About VelmoraEn..."},
};

// Combo-box items, added in this order when the dialog initialises; no combo box sorts.
// The device-type entries are placeholders in this edition.
constexpr const char* kBaudItems[] = {"9600", "19200", "38400", "57600", "115200"};

constexpr const char* kPortItems[] = {
    "COM1", "COM2",  "COM3",  "COM4",  "COM5",  "COM6",  "COM7",  "COM8",
    "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16",
};

constexpr const char* kDeviceTypeItems[] = {"AAA", "BBB", "CCC"};

constexpr DialogInitData kDialogInit[] = {
    {IDD_MAIN_DIALOG, IDC_BAUD, kBaudItems},
    {IDD_MAIN_DIALOG, IDC_PORT, kPortItems},
    {IDD_MAIN_DIALOG, IDC_DEVICE_TYPE, kDeviceTypeItems},
};

constexpr ResourceTable kTable{
    .language = 1033,
    .dialogs = kDialogs,
    .menus = kMenus,
    .strings = kStrings,
    .dialogInit = kDialogInit,
    .version =
        {
            .fileVersion = "1.0.0.1",
            .versionString = "1, 0, 0, 1",
            .stringBlock = "040904B0",
            .internalName = "VelmoraEn",
            .originalFilename = "VelmoraEn.EXE",
            .fileDescription = "VelmoraEn MFC Application",
            .productName = "VelmoraEn Application",
            .companyName = "",
            .legalTrademarks = "",
        },
    .iconFiles = kMainFrameIconFiles,
};

}  // namespace

const ResourceTable& englishResources() { return kTable; }

}  // namespace velmora
