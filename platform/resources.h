// Declarative resources: dialog templates, menus, strings and version data.
// Each edition provides one ResourceTable; the application installs it at start-up
// and windows look their resources up by identifier, as they would in a module.
#pragma once

#include <QString>

#include <span>

namespace velmora {

// The id of controls that have none (static texts, frames, group boxes).
inline constexpr int IDC_STATIC = -1;

enum class ControlKind {
    GroupBox,
    PushButton,
    DefPushButton,
    CheckBox,          // automatic check box
    PushLikeCheckBox,  // automatic check box with a push-button look
    ComboDropDown,     // editable drop-down combo box
    ComboDropList,     // drop-down list combo box
    Edit,
    Text,              // static text, left aligned
    Icon,              // static icon; text names the icon resource id as a number
    BlackFrame,
    GrayFrame,
    ListView,          // report-view list
    Custom,            // a control the dialog class creates itself (serial control)
};

// Control style flags.
enum ControlStyle : unsigned {
    kHidden = 1u << 0,
    kDisabled = 1u << 1,
    kTabStop = 1u << 2,
    kSunken = 1u << 3,
    kCenterVertically = 1u << 4,
    kVScroll = 1u << 5,
    kNoPrefix = 1u << 6,
    kBorder = 1u << 7,
    kAutoHScroll = 1u << 8,
};

struct ControlTemplate {
    int id;            // IDC_STATIC (-1) for controls without an identifier
    ControlKind kind;
    const char* text;  // UTF-8; "&" marks a mnemonic unless kNoPrefix
    int x, y, cx, cy;  // dialog units
    unsigned style;    // ControlStyle flags
};

// Dialog style flags.
enum DialogStyle : unsigned {
    kDsCaption = 1u << 0,
    kDsSysMenu = 1u << 1,
    kDsModalFrame = 1u << 2,
    kDsMinimizeBox = 1u << 3,
    kDsVisible = 1u << 4,
    kDsAppWindow = 1u << 5,
    kDsToolWindow = 1u << 6,
};

struct DialogTemplate {
    int id;
    const char* caption;   // UTF-8
    const char* fontFace;  // UTF-8
    int fontPoints;
    int cx, cy;            // client size in dialog units
    unsigned style;        // DialogStyle flags
    std::span<const ControlTemplate> controls;  // in tab order
};

enum MenuItemFlag : unsigned {
    kMenuPopup = 1u << 0,
    kMenuSeparator = 1u << 1,
};

struct MenuItemTemplate {
    int id;            // command id; 0 for popups and separators
    const char* text;  // UTF-8
    unsigned flags;    // MenuItemFlag
    std::span<const MenuItemTemplate> children;  // popup contents
};

struct MenuTemplate {
    int id;
    std::span<const MenuItemTemplate> items;  // the menu bar level
};

struct StringResource {
    int id;
    const char* text;  // UTF-8
};

// Items a dialog adds to one of its combo boxes when it initialises.
struct DialogInitData {
    int dialogId;
    int controlId;
    std::span<const char* const> items;  // UTF-8, in order
};

struct VersionInfo {
    const char* fileVersion;     // "1.0.0.1"
    const char* versionString;   // "1, 0, 0, 1"
    const char* stringBlock;     // language and code page, "040904B0"
    const char* internalName;
    const char* originalFilename;
    const char* fileDescription;
    const char* productName;
    const char* companyName;
    const char* legalTrademarks;
};

struct ResourceTable {
    int language;  // Windows language id: 2052 Chinese (PRC), 1033 English (US)
    std::span<const DialogTemplate* const> dialogs;
    std::span<const MenuTemplate* const> menus;
    std::span<const StringResource> strings;
    std::span<const DialogInitData> dialogInit;
    VersionInfo version;
    std::span<const char* const> iconFiles;  // Qt resource paths of icon 128's images
};

// Installs the edition's resources; later look-ups use them. Not owned.
void installResources(const ResourceTable& table);
const ResourceTable& resources();  // the installed table; aborts if none

const DialogTemplate* findDialog(int id);  // nullptr when absent
const MenuTemplate* findMenu(int id);      // nullptr when absent
QString loadString(int id);                // empty when absent

}  // namespace velmora
