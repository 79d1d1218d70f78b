// Consistency of the two editions' resource tables: what the dialog code and the builder rely
// on (unique ids, tab stops by kind, controls inside their dialog, combo items that land on a
// combo box) and what must stay the same or differ between the editions.
#include "res/editions.h"

#include "res/resource.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace velmora {
namespace {

using K = ControlKind;

struct Edition {
    const char* name;
    const ResourceTable& (*table)();
};

const Edition kEditions[] = {{"Velmora", &chineseResources}, {"VelmoraEn", &englishResources}};

const DialogTemplate* dialogIn(const ResourceTable& table, int id) {
    for (const DialogTemplate* d : table.dialogs)
        if (d->id == id) return d;
    return nullptr;
}

const ControlTemplate* controlIn(const DialogTemplate& dlg, int id) {
    for (const ControlTemplate& c : dlg.controls)
        if (c.id == id) return &c;
    return nullptr;
}

bool isCombo(K kind) { return kind == K::ComboDropDown || kind == K::ComboDropList; }

// A control of template 102 across editions: its id, or its text for the unnumbered ones.
std::string mainKey(const ControlTemplate& c) {
    static const std::map<std::string, std::string> kEnglishOf = {
        {"设备控制", "Sensor"},
        {"波 特 率:", "Comm Baud:"},
        {"设备类型:", "Device Type:"},
        {"通信端口:", "Comm Port:"},
    };
    if (c.id != IDC_STATIC) return std::to_string(c.id);
    const auto it = kEnglishOf.find(c.text);
    return it != kEnglishOf.end() ? it->second : c.text;
}

std::vector<std::string> mainOrder(const ResourceTable& table) {
    std::vector<std::string> keys;
    for (const ControlTemplate& c : dialogIn(table, IDD_MAIN_DIALOG)->controls)
        keys.push_back(mainKey(c));
    return keys;
}

TEST(EditionTables, LanguagesAndTemplates) {
    const ResourceTable& zh = chineseResources();
    const ResourceTable& en = englishResources();
    EXPECT_EQ(zh.language, 2052);
    EXPECT_EQ(en.language, 1033);

    for (int id : {IDD_ABOUTBOX, IDD_MAIN_DIALOG, IDD_PROOF_DATA})
        EXPECT_NE(dialogIn(zh, id), nullptr) << id;
    EXPECT_NE(dialogIn(en, IDD_ABOUTBOX), nullptr);
    EXPECT_NE(dialogIn(en, IDD_MAIN_DIALOG), nullptr);
    // The calibration dialog and its combo items belong to the Chinese edition alone.
    EXPECT_EQ(dialogIn(en, IDD_PROOF_DATA), nullptr);
    for (const DialogInitData& init : en.dialogInit) EXPECT_NE(init.dialogId, IDD_PROOF_DATA);

    EXPECT_EQ(dialogIn(zh, IDD_MAIN_DIALOG)->controls.size(), 28u);
    EXPECT_EQ(dialogIn(en, IDD_MAIN_DIALOG)->controls.size(), 28u);
    EXPECT_EQ(dialogIn(zh, IDD_PROOF_DATA)->controls.size(), 26u);
}

// The builder aborts on a repeated id and command routing needs them unique; every
// identifier the dialog code addresses must be present.
TEST(EditionTables, ControlIdsUniqueAndPresent) {
    for (const Edition& e : kEditions) {
        for (const DialogTemplate* d : e.table().dialogs) {
            std::set<int> seen;
            for (const ControlTemplate& c : d->controls) {
                if (c.id == IDC_STATIC) continue;
                EXPECT_TRUE(seen.insert(c.id).second)
                    << e.name << " template " << d->id << " repeats " << c.id;
            }
        }
        const DialogTemplate& main = *dialogIn(e.table(), IDD_MAIN_DIALOG);
        for (int id :
             {IDC_WAVE_GROUP,     IDC_OPEN_PORT,      IDC_PORT,           IDC_WAVE_FRAME,
              IDC_MSCOMM,         IDC_QUIT,           IDC_PROMPT,         IDC_BAUD,
              IDC_VALUE,          IDC_PANEL,          IDC_DEVICE_TYPE,    IDC_PROOF_BASELINE,
              IDC_CLEAR_DATA,     IDC_PROOF_DATA,     IDC_MAXMIN,         IDC_STOP_REFRESH,
              IDC_MAXMIN_TEXT,    IDC_MOVE_DOWN,      IDC_START_SAMPLING, IDC_STOP_SAMPLING,
              IDC_READ_DEVICE_NO, IDC_READ_MAKE_DATE, IDC_DEVICE_NO,      IDC_MAKE_DATE})
            EXPECT_NE(controlIn(main, id), nullptr) << e.name << " lacks " << id;
        EXPECT_NE(controlIn(*dialogIn(e.table(), IDD_ABOUTBOX), IDOK), nullptr) << e.name;
    }
    const DialogTemplate& proof = *dialogIn(chineseResources(), IDD_PROOF_DATA);
    for (int id : {IDC_SHOW_LIST, IDC_SHOW_GRAPH, IDC_RT_FRAME, IDC_RT_VALUE, IDC_RELOAD,
                   IDC_INTERVAL, IDC_AVERAGE, IDC_USE_AVERAGE, IDC_CALC_AVERAGE, IDC_RECIPROCAL,
                   IDC_PROOF_GRAPH, IDC_STANDARD_VALUE, IDC_PROOF, IDC_SAVE, IDC_SENSOR,
                   IDC_CLEAR_ALL, IDC_RECORD_LIST, IDC_DELETE, IDC_RECORD_LABEL})
        EXPECT_NE(controlIn(proof, id), nullptr) << "template 138 lacks " << id;
}

// Buttons, check boxes, combo boxes, edit boxes and list views are tab stops; texts, frames,
// group boxes, icons and the serial control are not.
TEST(EditionTables, TabStopsFollowTheControlKind) {
    for (const Edition& e : kEditions) {
        for (const DialogTemplate* d : e.table().dialogs) {
            for (const ControlTemplate& c : d->controls) {
                bool interactive = false;
                switch (c.kind) {
                    case K::PushButton:
                    case K::DefPushButton:
                    case K::CheckBox:
                    case K::PushLikeCheckBox:
                    case K::ComboDropDown:
                    case K::ComboDropList:
                    case K::Edit:
                    case K::ListView:
                        interactive = true;
                        break;
                    default:
                        break;
                }
                EXPECT_EQ((c.style & kTabStop) != 0, interactive)
                    << e.name << " template " << d->id << " control " << c.id << " \"" << c.text
                    << "\"";
                EXPECT_EQ(c.style & kDisabled, 0u) << e.name << " control " << c.id;
                if (isCombo(c.kind)) {
                    EXPECT_NE(c.style & kVScroll, 0u) << c.id;
                }
            }
        }
    }
}

// A control reaching past the client area would be cut off. The height of a combo box is its
// dropped-down list and may extend below the dialog.
TEST(EditionTables, ControlsLieInsideTheirDialog) {
    for (const Edition& e : kEditions) {
        for (const DialogTemplate* d : e.table().dialogs) {
            for (const ControlTemplate& c : d->controls) {
                const int bottom = c.y + (isCombo(c.kind) ? 12 : c.cy);
                EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0 && c.x + c.cx <= d->cx &&
                            bottom <= d->cy)
                    << e.name << " template " << d->id << " control " << c.id << " \"" << c.text
                    << "\" at " << c.x << "," << c.y << " " << c.cx << "x" << c.cy;
            }
        }
    }
}

// Both editions carry the same controls with the same kinds and styles; only the positions
// the English layout widens may differ, and the English tab order moves "Comm Port:" behind
// the port combo box and the hidden device-type pair to the end.
TEST(MainDialog, EditionsDifferOnlyInTheEnglishLayout) {
    const DialogTemplate& zh = *dialogIn(chineseResources(), IDD_MAIN_DIALOG);
    const DialogTemplate& en = *dialogIn(englishResources(), IDD_MAIN_DIALOG);
    EXPECT_EQ(zh.cx, en.cx);
    EXPECT_EQ(zh.cy, en.cy);
    EXPECT_EQ(zh.style, en.style);

    std::map<std::string, const ControlTemplate*> english;
    for (const ControlTemplate& c : en.controls) english[mainKey(c)] = &c;
    ASSERT_EQ(english.size(), en.controls.size());

    const std::set<std::string> widened = {
        "1001", "1009", "1004",       "1026",         "1040",      "1043", "1049",
        "1065", "1058", "1071",       "1079",         "1080",      "1083", "1084",
        "1086", "1087", "Comm Baud:", "Device Type:", "Comm Port:"};
    std::set<std::string> moved;
    for (const ControlTemplate& c : zh.controls) {
        const std::string key = mainKey(c);
        const auto it = english.find(key);
        ASSERT_NE(it, english.end()) << "no English counterpart of " << key;
        const ControlTemplate& other = *it->second;
        EXPECT_EQ(c.kind, other.kind) << key;
        EXPECT_EQ(c.style, other.style) << key;
        // Labelled controls are translated; readouts and frames stay without text.
        EXPECT_EQ(QString::fromUtf8(c.text).isEmpty(), QString::fromUtf8(other.text).isEmpty())
            << key;
        if (c.x != other.x || c.y != other.y || c.cx != other.cx || c.cy != other.cy)
            moved.insert(key);
    }
    EXPECT_EQ(moved, widened);

    // Tab order: the Chinese order with the two changes applied.
    std::vector<std::string> expected = mainOrder(chineseResources());
    const auto take = [&expected](const std::string& key) {
        expected.erase(std::find(expected.begin(), expected.end(), key));
        return key;
    };
    const std::string port = take("Comm Port:");
    expected.insert(std::find(expected.begin(), expected.end(), "1004") + 1, port);
    const std::string typeText = take("Device Type:");
    const std::string typeCombo = take(std::to_string(IDC_DEVICE_TYPE));
    expected.push_back(typeText);
    expected.push_back(typeCombo);
    EXPECT_EQ(mainOrder(englishResources()), expected);
}

TEST(MainDialog, HiddenControls) {
    for (const Edition& e : kEditions) {
        std::set<std::string> hidden;
        for (const ControlTemplate& c : dialogIn(e.table(), IDD_MAIN_DIALOG)->controls)
            if (c.style & kHidden) hidden.insert(mainKey(c));
        EXPECT_EQ(hidden, (std::set<std::string>{"1018", "1026", "1049", "Device Type:"}))
            << e.name;
    }
}

struct FlatItem {
    int depth;
    int id;
    unsigned flags;
    bool operator==(const FlatItem&) const = default;
};

void flatten(std::span<const MenuItemTemplate> items, int depth, std::vector<FlatItem>& out) {
    for (const MenuItemTemplate& item : items) {
        out.push_back({depth, item.id, item.flags});
        if (item.flags & kMenuPopup) flatten(item.children, depth + 1, out);
    }
}

// The chart addresses menu 130 by command id and by position (the first pop-up), so the
// structure must be the same in both editions.
TEST(WaveMenu, SameStructureInBothEditions) {
    const std::vector<FlatItem> expected = {
        {0, 0, kMenuPopup},        {1, ID_ZOOM_IN, 0},     {1, ID_ZOOM_OUT, 0},
        {1, 0, kMenuSeparator},    {1, 0, kMenuPopup},     {2, ID_ZOOM_MODE_X, 0},
        {2, ID_ZOOM_MODE_Y, 0},    {1, 0, kMenuPopup},     {2, ID_DISPLAY_TURN, 0},
        {2, ID_DISPLAY_SCROLL, 0}, {1, 0, kMenuSeparator}, {1, ID_ZOOM_STATUS, 0},
    };
    for (const Edition& e : kEditions) {
        const auto menus = e.table().menus;
        ASSERT_EQ(menus.size(), 1u) << e.name;
        EXPECT_EQ(menus[0]->id, IDR_WAVE_MENU);
        std::vector<FlatItem> flat;
        flatten(menus[0]->items, 0, flat);
        EXPECT_TRUE(flat == expected) << e.name;
        EXPECT_STREQ(menus[0]->items[0].text, "_Zoom_") << e.name;
        // Commands and pop-ups have texts; the status item starts at 100 % on both axes.
        for (const MenuItemTemplate& item : menus[0]->items[0].children) {
            if (!(item.flags & kMenuSeparator)) {
                EXPECT_STRNE(item.text, "") << e.name;
            }
            if (item.id == ID_ZOOM_STATUS) {
                EXPECT_STREQ(item.text, "{x=100%; y=100%}");
            }
        }
    }
}

// Every dialog-init entry must land on a combo box of a template of the same table, or its
// items would silently go nowhere.
TEST(DialogInit, ItemsTargetComboBoxes) {
    for (const Edition& e : kEditions) {
        std::set<std::pair<int, int>> targets;
        for (const DialogInitData& init : e.table().dialogInit) {
            EXPECT_TRUE(targets.insert({init.dialogId, init.controlId}).second)
                << e.name << " initialises " << init.controlId << " twice";
            const DialogTemplate* d = dialogIn(e.table(), init.dialogId);
            ASSERT_NE(d, nullptr) << e.name << " " << init.dialogId;
            const ControlTemplate* c = controlIn(*d, init.controlId);
            ASSERT_NE(c, nullptr) << e.name << " " << init.controlId;
            EXPECT_TRUE(isCombo(c->kind)) << e.name << " " << init.controlId;
            EXPECT_FALSE(init.items.empty());
        }
        EXPECT_TRUE(targets.count({IDD_MAIN_DIALOG, IDC_BAUD}) &&
                    targets.count({IDD_MAIN_DIALOG, IDC_PORT}) &&
                    targets.count({IDD_MAIN_DIALOG, IDC_DEVICE_TYPE}))
            << e.name;
    }
}

const DialogInitData* initOf(const ResourceTable& table, int dialogId, int controlId) {
    for (const DialogInitData& init : table.dialogInit)
        if (init.dialogId == dialogId && init.controlId == controlId) return &init;
    return nullptr;
}

std::vector<QString> itemsOf(const DialogInitData* init) {
    std::vector<QString> items;
    if (init)
        for (const char* text : init->items) items.push_back(QString::fromUtf8(text));
    return items;
}

// The port number is the combo index + 1 and the baud rate is read from the selected text,
// so the lists must be in order and parse as numbers; the default 57600 must be offered.
TEST(DialogInit, PortAndBaudItemsAreUsable) {
    for (const Edition& e : kEditions) {
        const auto ports = itemsOf(initOf(e.table(), IDD_MAIN_DIALOG, IDC_PORT));
        ASSERT_EQ(ports.size(), 16u) << e.name;
        for (std::size_t i = 0; i < ports.size(); ++i)
            EXPECT_EQ(ports[i], QStringLiteral("COM%1").arg(i + 1)) << e.name;

        const auto bauds = itemsOf(initOf(e.table(), IDD_MAIN_DIALOG, IDC_BAUD));
        int previous = 1200;  // the port refuses rates of 1200 and below
        for (const QString& text : bauds) {
            bool ok = false;
            const int rate = text.toInt(&ok);
            EXPECT_TRUE(ok && rate > previous) << e.name << " " << text.toStdString();
            previous = rate;
        }
        EXPECT_NE(std::find(bauds.begin(), bauds.end(), QStringLiteral("57600")), bauds.end());
    }
    EXPECT_EQ(itemsOf(initOf(chineseResources(), IDD_MAIN_DIALOG, IDC_DEVICE_TYPE)).size(), 6u);
    EXPECT_EQ(itemsOf(initOf(englishResources(), IDD_MAIN_DIALOG, IDC_DEVICE_TYPE)).size(), 3u);
    EXPECT_EQ(itemsOf(initOf(chineseResources(), IDD_PROOF_DATA, IDC_SENSOR)).size(), 2u);
}

// The system-menu entry carries one mnemonic; the about box's first line shows its text
// literally (no prefix processing).
TEST(EditionTables, AboutStringsAndVersion) {
    for (const Edition& e : kEditions) {
        const ResourceTable& t = e.table();
        ASSERT_EQ(t.strings.size(), 1u);
        EXPECT_EQ(t.strings[0].id, IDS_ABOUTBOX);
        const QString about = QString::fromUtf8(t.strings[0].text);
        EXPECT_EQ(about.count(u'&'), 1) << e.name;
        EXPECT_TRUE(about.contains(QStringLiteral("&A"))) << e.name;
        EXPECT_TRUE(about.endsWith(QStringLiteral("..."))) << e.name;

        const DialogTemplate& box = *dialogIn(t, IDD_ABOUTBOX);
        ASSERT_GE(box.controls.size(), 2u);
        EXPECT_EQ(box.controls[0].kind, K::Icon);
        EXPECT_EQ(QString::fromUtf8(box.controls[0].text).toInt(), IDR_MAINFRAME);
        EXPECT_NE(box.controls[1].style & kNoPrefix, 0u);
        EXPECT_TRUE(QString::fromUtf8(box.controls[1].text).contains(t.version.internalName));

        EXPECT_STREQ(t.version.fileVersion, "1.0.0.1");
        EXPECT_STREQ(t.version.versionString, "1, 0, 0, 1");
        EXPECT_EQ(QString::fromUtf8(t.version.originalFilename),
                  QString::fromUtf8(t.version.internalName) + QStringLiteral(".EXE"));
        // The string block names the table's language (hex id) and the Unicode code page.
        const QString block = QString::fromUtf8(t.version.stringBlock);
        EXPECT_EQ(block.left(4).toInt(nullptr, 16), t.language) << e.name;
        EXPECT_EQ(block.mid(4), QStringLiteral("04B0")) << e.name;
    }
    EXPECT_STREQ(chineseResources().version.internalName, "Velmora");
    EXPECT_STREQ(englishResources().version.internalName, "VelmoraEn");
}

}  // namespace
}  // namespace velmora
