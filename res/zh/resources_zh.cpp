// Resources of Velmora, the Chinese (PRC) edition: templates 100, 102 and 138, menu 130,
// string 101, the combo-box items of templates 102 and 138, the version block and icon 128.
// One row per control, in tab order, as in a resource script.
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
    {IDC_STATIC, K::Text, "Velmora 1.0 版", 40, 10, 119, 8, kNoPrefix},
    {IDC_STATIC, K::Text, "文件版本 1.0.0.1", 40, 25, 119, 8, 0},
    {IDOK, K::DefPushButton, "确定", 178, 7, 50, 14, kTabStop},
};

constexpr DialogTemplate kAboutBox{
    .id = IDD_ABOUTBOX,
    .caption = "关于 Velmora",
    .fontFace = "宋体",
    .fontPoints = 9,
    .cx = 235,
    .cy = 55,
    .style = kDsCaption | kDsSysMenu | kDsModalFrame,
    .controls = kAboutControls,
};

// Main dialog (template 102).
constexpr ControlTemplate kMainControls[] = {
    {IDC_WAVE_GROUP, K::GroupBox, "采样波形", 3, 3, 595, 260, 0},
    {IDC_STATIC, K::GroupBox, "设备控制", 3, 282, 516, 56, 0},
    {IDC_OPEN_PORT, K::PushButton, "打开", 109, 301, 40, 22, kTabStop},
    {IDC_WAVE_FRAME, K::BlackFrame, "", 6, 16, 516, 244, 0},
    {IDC_MSCOMM, K::Custom, "", 15, 165, 25, 25, 0},
    {IDC_QUIT, K::PushButton, "退出", 528, 316, 56, 20, kTabStop},
    {IDC_PROMPT, K::Text, "提示信息", 7, 267, 222, 12, kCenterVertically},
    {IDC_VALUE, K::BlackFrame, "", 525, 16, 68, 30, 0},
    {IDC_PANEL, K::BlackFrame, "", 523, 10, 72, 250, kHidden},
    {IDC_STATIC, K::Text, "波 特 率:", 12, 320, 37, 9, 0},
    {IDC_BAUD, K::ComboDropDown, "", 52, 318, 54, 158, kCombo},
    {IDC_PORT, K::ComboDropList, "", 52, 301, 54, 126, kCombo},
    {IDC_STATIC, K::Text, "设备类型:", 82, 152, 37, 8, kHidden},
    {IDC_STATIC, K::Text, "通信端口:", 12, 303, 37, 8, 0},
    {IDC_DEVICE_TYPE, K::ComboDropList, "", 122, 150, 98, 98, kCombo | kHidden},
    {IDC_PROOF_BASELINE, K::PushButton, "标定基线", 531, 100, 56, 20, kTabStop},
    {IDC_CLEAR_DATA, K::PushButton, "清除数据", 531, 233, 56, 20, kTabStop},
    {IDC_PROOF_DATA, K::PushButton, "标定参数", 531, 206, 56, 20, kTabStop | kHidden},
    {IDC_STOP_REFRESH, K::CheckBox, "停止刷新", 536, 142, 48, 10, kTabStop},
    {IDC_MAXMIN_TEXT, K::Text, "", 525, 48, 68, 12, kReadout},
    {IDC_MAXMIN, K::PushLikeCheckBox, "最大最小值", 531, 73, 56, 20, kTabStop},
    {IDC_MOVE_DOWN, K::CheckBox, "下移显示", 536, 126, 48, 10, kTabStop},
    {IDC_START_SAMPLING, K::PushButton, "启动采样", 175, 291, 46, 20, kTabStop},
    {IDC_STOP_SAMPLING, K::PushButton, "停止采样", 175, 314, 46, 20, kTabStop},
    {IDC_READ_DEVICE_NO, K::PushButton, "读设备号", 226, 291, 50, 20, kTabStop},
    {IDC_READ_MAKE_DATE, K::PushButton, "读生产日期", 226, 314, 50, 20, kTabStop},
    {IDC_DEVICE_NO, K::Text, "", 280, 294, 56, 16, kReadout},
    {IDC_MAKE_DATE, K::Text, "", 280, 317, 56, 16, kReadout},
};

constexpr DialogTemplate kMainDialog{
    .id = IDD_MAIN_DIALOG,
    .caption = "皮肤电阻传感器演示",
    .fontFace = "宋体",
    .fontPoints = 9,
    .cx = 600,
    .cy = 341,
    .style = kDsCaption | kDsSysMenu | kDsModalFrame | kDsVisible | kDsAppWindow,
    .controls = kMainControls,
};

// Calibration dialog (template 138). Some control numbers repeat those of template 102.
constexpr ControlTemplate kProofControls[] = {
    {IDC_STATIC, K::GroupBox, "实时数据:", 324, 51, 118, 148, 0},
    {IDC_PROOF_GRAPH, K::GrayFrame, "", 4, 4, 314, 280, 0},
    {IDC_STATIC, K::Text, "标 准 值:", 332, 243, 37, 8, 0},
    {IDC_STANDARD_VALUE, K::Edit, "", 372, 241, 50, 14, kBorder | kAutoHScroll | kTabStop},
    {IDC_PROOF, K::PushButton, "标定", 387, 259, 50, 18, kTabStop},
    {IDC_SAVE, K::PushButton, "保存", 134, 259, 50, 18, kTabStop},
    {IDC_STATIC, K::GroupBox, "标定:", 324, 206, 118, 78, 0},
    {IDC_SENSOR, K::ComboDropList, "", 372, 223, 64, 87, kCombo},
    {IDC_STATIC, K::Text, "待标设备:", 332, 225, 37, 8, 0},
    {IDC_CLEAR_ALL, K::PushButton, "全部清除", 76, 259, 50, 18, kTabStop},
    {IDC_STATIC, K::Text, "mm", 425, 243, 9, 8, 0},
    {IDC_RECORD_LABEL, K::Text, "标定记录:", 12, 10, 50, 10, kCenterVertically},
    {IDC_RECORD_LIST, K::ListView, "", 12, 21, 300, 234, kBorder | kTabStop},
    {IDC_DELETE, K::PushButton, "删除", 18, 260, 50, 18, kTabStop},
    {IDC_SHOW_LIST, K::PushButton, "显示标定数据列表", 330, 4, 80, 18, kTabStop},
    {IDC_SHOW_GRAPH, K::PushButton, "显示标定数据图形", 330, 25, 80, 18, kTabStop},
    {IDC_RT_FRAME, K::BlackFrame, "", 330, 82, 105, 74, 0},
    {IDC_RT_VALUE, K::Text, "", 330, 66, 105, 14, kReadout},
    {IDC_RELOAD, K::PushButton, "重新读取", 193, 259, 50, 18, kTabStop},
    {IDC_INTERVAL, K::Text, "", 352, 162, 84, 14, kReadout},
    {IDC_STATIC, K::Text, "区间:", 330, 165, 21, 8, 0},
    {IDC_STATIC, K::Text, "平均:", 330, 183, 21, 8, 0},
    {IDC_AVERAGE, K::Text, "", 352, 180, 44, 14, kReadout},
    {IDC_USE_AVERAGE, K::CheckBox, "使用平均值", 332, 262, 56, 10, kTabStop},
    {IDC_CALC_AVERAGE, K::PushLikeCheckBox, "开始计算", 398, 178, 38, 16, kTabStop},
    {IDC_RECIPROCAL, K::CheckBox, "倒数线性", 256, 264, 48, 10, kTabStop},
};

constexpr DialogTemplate kProofDialog{
    .id = IDD_PROOF_DATA,
    .caption = "传感器标定",
    .fontFace = "宋体",
    .fontPoints = 9,
    .cx = 446,
    .cy = 288,
    .style = kDsCaption | kDsSysMenu | kDsMinimizeBox | kDsModalFrame | kDsVisible | kDsAppWindow |
             kDsToolWindow,
    .controls = kProofControls,
};

constexpr const DialogTemplate* kDialogs[] = {&kAboutBox, &kMainDialog, &kProofDialog};

// Context menu of the waveform chart (menu 130); the pop-up's caption is never shown.
constexpr MenuItemTemplate kZoomModeItems[] = {
    {ID_ZOOM_MODE_X, "缩放X轴向", 0, {}},
    {ID_ZOOM_MODE_Y, "缩放Y轴向", 0, {}},
};

constexpr MenuItemTemplate kDisplayModeItems[] = {
    {ID_DISPLAY_TURN, "翻屏显示", 0, {}},
    {ID_DISPLAY_SCROLL, "滚动显示", 0, {}},
};

constexpr MenuItemTemplate kZoomItems[] = {
    {ID_ZOOM_IN, "放大", 0, {}},
    {ID_ZOOM_OUT, "缩小", 0, {}},
    {0, "", kMenuSeparator, {}},
    {0, "缩放模式", kMenuPopup, kZoomModeItems},
    {0, "波形显示", kMenuPopup, kDisplayModeItems},
    {0, "", kMenuSeparator, {}},
    {ID_ZOOM_STATUS, "{x=100%; y=100%}", 0, {}},
};

constexpr MenuItemTemplate kWaveMenuBar[] = {
    {0, "_Zoom_", kMenuPopup, kZoomItems},
};

constexpr MenuTemplate kWaveMenu{IDR_WAVE_MENU, kWaveMenuBar};

constexpr const MenuTemplate* kMenus[] = {&kWaveMenu};

constexpr StringResource kStrings[] = {
    {IDS_ABOUTBOX, "关于 Velmora(&A)..."},
};

// Combo-box items, added in this order when the dialog initialises; no combo box sorts.
constexpr const char* kBaudItems[] = {"9600", "19200", "38400", "57600", "115200"};

constexpr const char* kPortItems[] = {
    "COM1", "COM2",  "COM3",  "COM4",  "COM5",  "COM6",  "COM7",  "COM8",
    "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16",
};

constexpr const char* kDeviceTypeItems[] = {
    "超声波传感器(时间)",  // ultrasonic sensor (time)
    "超声波传感器",        // ultrasonic sensor
    "加速度/倾角传感器",   // acceleration/inclination sensor
    "红外测距",            // infrared distance
    "(桩考)考车状态",      // (pole test) test-car state
    "心率体温传感器",      // heart-rate and temperature sensor
};

constexpr const char* kSensorItems[] = {"传感器1(左)", "传感器2(右)"};

constexpr DialogInitData kDialogInit[] = {
    {IDD_MAIN_DIALOG, IDC_BAUD, kBaudItems},
    {IDD_MAIN_DIALOG, IDC_PORT, kPortItems},
    {IDD_MAIN_DIALOG, IDC_DEVICE_TYPE, kDeviceTypeItems},
    {IDD_PROOF_DATA, IDC_SENSOR, kSensorItems},
};

constexpr ResourceTable kTable{
    .language = 2052,
    .dialogs = kDialogs,
    .menus = kMenus,
    .strings = kStrings,
    .dialogInit = kDialogInit,
    .version =
        {
            .fileVersion = "1.0.0.1",
            .versionString = "1, 0, 0, 1",
            .stringBlock = "080404B0",
            .internalName = "Velmora",
            .originalFilename = "Velmora.EXE",
            .fileDescription = "Velmora Microsoft 基础类应用程序",
            .productName = "Velmora 应用程序",
            .companyName = "",
            .legalTrademarks = "",
        },
    .iconFiles = kMainFrameIconFiles,
};

}  // namespace

const ResourceTable& chineseResources() { return kTable; }

}  // namespace velmora
