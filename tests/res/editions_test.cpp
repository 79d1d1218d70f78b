// The two editions' resource tables: consistent data, the English main-dialog layout, the
// widgets they build into, the icon, the Chinese glyphs and the toolkit's own language.
#include "res/editions.h"

#include "platform/dialogbase.h"
#include "platform/dialogbuilder.h"
#include "res/frameworklanguage.h"
#include "res/resource.h"

#include <QComboBox>
#include <QLabel>
#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QIcon>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace velmora {
namespace {

using K = ControlKind;
const std::pair<const char*, const ResourceTable& (*)()> kEditions[] = {
    {"Velmora", &chineseResources}, {"VelmoraEn", &englishResources}};

std::vector<const MenuItemTemplate*> menuItems(std::span<const MenuItemTemplate> items) {
    std::vector<const MenuItemTemplate*> out;
    for (const MenuItemTemplate& item : items) {
        out.push_back(&item);
        std::ranges::copy(menuItems(item.children), std::back_inserter(out));
    }
    return out;
}

// Control and menu ids are named in resource.h and unique per template (the builder aborts
// on a repeat); controls lie inside their dialog (a combo box's height is its list's).
TEST(EditionTables, IdsAreDefinedAndUniqueAndControlsFit) {
    QFile header(QStringLiteral(VELMORA_RESOURCE_H));
    ASSERT_TRUE(header.open(QIODevice::ReadOnly | QIODevice::Text));
    // Besides resource.h's identifiers, the platform's standard ones.
    std::set<int> defined{IDOK, IDCANCEL, IDC_STATIC};
    for (const QString& line : QString::fromUtf8(header.readAll()).split(u'\n'))
        if (line.startsWith(QStringLiteral("#define ")))
            defined.insert(line.section(u' ', 2).remove(u'(').remove(u')').toInt(nullptr, 0));
    for (const auto& [name, table] : kEditions) {
        for (const DialogTemplate* d : table().dialogs) {
            std::set<int> seen;
            for (const ControlTemplate& c : d->controls) {
                const bool combo = c.kind == K::ComboDropDown || c.kind == K::ComboDropList;
                EXPECT_TRUE(defined.count(c.id)) << name << " " << d->id << ": " << c.id;
                if (c.id != IDC_STATIC) {
                    EXPECT_TRUE(seen.insert(c.id).second) << name << c.id;
                }
                // Inside the dialog (a combo box by its closed height).
                const QRect inside(0, 0, d->cx, d->cy);
                EXPECT_TRUE(inside.contains(QRect(c.x, c.y, c.cx, combo ? 12 : c.cy)))
                    << name << " " << d->id << ": " << c.id << " " << c.text;
            }
        }
        ASSERT_EQ(table().menus.size(), 1u);
        std::set<int> seen;
        for (const MenuItemTemplate* item : menuItems(table().menus[0]->items)) {
            if (!item->id) continue;
            EXPECT_TRUE(defined.count(item->id)) << name << " menu item " << item->id;
            EXPECT_TRUE(seen.insert(item->id).second) << name << " menu item " << item->id;
        }
    }
}

// A main-dialog control across editions: its id, or the English text of an unnumbered one.
std::string key(const ControlTemplate& c) {
    const char* const english[] = {"设备控制",  "Sensor",       "波 特 率:", "Comm Baud:",
                                   "设备类型:", "Device Type:", "通信端口:", "Comm Port:"};
    for (int i = 0; i < 8; i += 2)
        if (std::string_view(c.text) == english[i]) return english[i + 1];
    return c.id == IDC_STATIC ? c.text : std::to_string(c.id);
}

// Same controls, kinds, styles and menu; the English layout widens some controls, moves
// "Comm Port:" behind the port combo box and the hidden device-type pair to the end.
TEST(MainDialog, EnglishEditionDiffersOnlyInLayoutAndTabOrder) {
    installResources(chineseResources());
    const DialogTemplate* zh = findDialog(IDD_MAIN_DIALOG);
    installResources(englishResources());
    const DialogTemplate* en = findDialog(IDD_MAIN_DIALOG);
    ASSERT_NE(zh, nullptr);
    ASSERT_NE(en, nullptr);
    ASSERT_EQ(zh->controls.size(), en->controls.size());
    EXPECT_EQ(QSize(zh->cx, zh->cy), QSize(en->cx, en->cy));
    EXPECT_EQ(zh->style, en->style);
    std::map<std::string, const ControlTemplate*> english;
    std::vector<std::string> englishOrder, expectedOrder;
    for (const ControlTemplate& c : en->controls) {
        english[key(c)] = &c;
        englishOrder.push_back(key(c));
    }
    std::set<std::string> moved;
    for (const ControlTemplate& c : zh->controls) {
        ASSERT_TRUE(english.contains(key(c))) << key(c);
        const ControlTemplate& o = *english[key(c)];
        EXPECT_EQ(c.kind, o.kind) << key(c);
        EXPECT_EQ(c.style, o.style) << key(c);
        EXPECT_EQ(!*c.text, !*o.text) << key(c);
        if (c.x != o.x || c.y != o.y || c.cx != o.cx || c.cy != o.cy) moved.insert(key(c));
        expectedOrder.push_back(key(c));
    }
    EXPECT_EQ(moved,
              (std::set<std::string>{"1001", "1004", "1009", "1026", "1040", "1043", "1049", "1058",
                                     "1065", "1071", "1079", "1080", "1083", "1084", "1086", "1087",
                                     "Comm Baud:", "Comm Port:", "Device Type:"}));
    for (const char* k : {"Comm Port:", "Device Type:", "1026"}) std::erase(expectedOrder, k);
    expectedOrder.insert(std::ranges::find(expectedOrder, "1004") + 1, "Comm Port:");
    expectedOrder.insert(expectedOrder.end(), {"Device Type:", "1026"});
    EXPECT_EQ(englishOrder, expectedOrder);
    EXPECT_TRUE(std::ranges::equal(
        menuItems(chineseResources().menus[0]->items),
        menuItems(englishResources().menus[0]->items),
        [](auto* a, auto* b) { return a->id == b->id && a->flags == b->flags; }));
}

// Each template builds: numbered controls (the serial control excepted) exist, hidden where
// marked, and the combo boxes hold their items in order.
TEST(EditionWidgets, TemplatesBuildWithTheirItems) {
    for (const auto& [name, table] : kEditions) {
        installResources(table());
        for (const DialogTemplate* d : table().dialogs) {
            DialogBase dlg(d->id);
            ASSERT_TRUE(dlg.create());
            for (const ControlTemplate& c : d->controls) {
                if (c.id == IDC_STATIC || c.kind == K::Custom) continue;
                ASSERT_NE(dlg.item(c.id), nullptr) << name << " " << d->id << ": " << c.id;
                EXPECT_EQ(dlg.item(c.id)->isHidden(), (c.style & kHidden) != 0) << c.id;
            }
            // What the operator clicks reaches the control under the pointer: no group box
            // or frame lies over it.
            for (QWidget* w : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!w->isVisibleTo(&dlg) || w->focusPolicy() == Qt::NoFocus) continue;
                QWidget* hit = dlg.childAt(w->geometry().center());
                EXPECT_TRUE(hit == w || w->isAncestorOf(hit))
                    << name << " " << d->id << ": " << w->objectName().toStdString() << " lies under "
                    << (hit ? hit->objectName().toStdString() : "nothing");
            }
            // A one-line text is shown whole.
            for (QLabel* label : dlg.findChildren<QLabel*>()) {
                if (label->text().isEmpty() || label->height() > 2 * label->fontMetrics().height())
                    continue;
                EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
                    << name << " " << d->id << ": " << label->text().toStdString();
            }
            for (const DialogInitData& init : table().dialogInit) {
                if (init.dialogId != d->id) continue;
                auto* combo = dlg.itemAs<QComboBox>(init.controlId);
                ASSERT_NE(combo, nullptr) << name << " " << init.controlId;
                ASSERT_EQ(combo->count(), qsizetype(init.items.size()));
                for (int i = 0; i < combo->count(); ++i)
                    EXPECT_EQ(combo->itemText(i), QString::fromUtf8(init.items[i]));
            }
            dlg.destroyWindow();
        }
    }
}

// Every numbered control of the main dialog lies where the layout table of each edition puts
// it, in dialog units of the edition's dialog font (combo boxes: their closed height).
TEST(MainDialogLayout, EveryControlWhereTheLayoutTablePutsIt) {
    struct Place {
        int id;
        QRect zh, en;
    };
    const QRect same;  // the English layout is the Chinese one
    const Place table[] = {
        {IDC_WAVE_GROUP, {3, 3, 595, 260}, same},
        {IDC_OPEN_PORT, {109, 301, 40, 22}, {112, 302, 52, 22}},
        {IDC_WAVE_FRAME, {6, 16, 516, 244}, same},
        {IDC_QUIT, {528, 316, 56, 20}, same},
        {IDC_PROMPT, {7, 267, 222, 12}, same},
        {IDC_VALUE, {525, 16, 68, 30}, same},
        {IDC_PANEL, {523, 10, 72, 250}, same},
        {IDC_BAUD, {52, 318, 54, 158}, {54, 318, 54, 158}},
        {IDC_PORT, {52, 301, 54, 126}, {54, 301, 54, 126}},
        {IDC_DEVICE_TYPE, {122, 150, 98, 98}, {170, 221, 98, 98}},
        {IDC_PROOF_BASELINE, {531, 100, 56, 20}, {527, 100, 64, 20}},
        {IDC_CLEAR_DATA, {531, 233, 56, 20}, {527, 233, 64, 20}},
        {IDC_PROOF_DATA, {531, 206, 56, 20}, {527, 206, 64, 20}},
        {IDC_STOP_REFRESH, {536, 142, 48, 10}, {526, 142, 66, 10}},
        {IDC_MAXMIN_TEXT, {525, 48, 68, 12}, same},
        {IDC_MAXMIN, {531, 73, 56, 20}, {527, 73, 64, 20}},
        {IDC_MOVE_DOWN, {536, 126, 48, 10}, {526, 126, 66, 10}},
        {IDC_START_SAMPLING, {175, 291, 46, 20}, {175, 291, 68, 20}},
        {IDC_STOP_SAMPLING, {175, 314, 46, 20}, {175, 314, 68, 20}},
        {IDC_READ_DEVICE_NO, {226, 291, 50, 20}, {256, 291, 68, 20}},
        {IDC_READ_MAKE_DATE, {226, 314, 50, 20}, {256, 314, 68, 20}},
        {IDC_DEVICE_NO, {280, 294, 56, 16}, {327, 294, 56, 16}},
        {IDC_MAKE_DATE, {280, 317, 56, 16}, {327, 317, 56, 16}},
    };
    for (const auto& [name, resources] : kEditions) {
        installResources(resources());
        DialogBase dlg(IDD_MAIN_DIALOG);
        ASSERT_TRUE(dlg.create());
        const DialogUnits units = dialogBaseUnits(dlg.font());
        EXPECT_EQ(dlg.size(), mapDialogRect(QRect(0, 0, 600, 341), units).size()) << name;
        const bool english = std::string_view(name) == "VelmoraEn";
        for (const Place& p : table) {
            const QRect dlu = english && !p.en.isNull() ? p.en : p.zh;
            QRect expected = mapDialogRect(dlu, units);
            const QRect actual = dlg.itemRect(p.id);
            if (qobject_cast<QComboBox*>(dlg.item(p.id))) expected.setHeight(actual.height());
            EXPECT_EQ(actual, expected) << name << " " << p.id;
        }
        dlg.destroyWindow();
    }
}

// Every character of the Chinese texts must have a glyph in the dialog fonts, or the operator
// sees boxes.
TEST(ChineseEdition, TextsHaveGlyphsInTheDialogFont) {
    const ResourceTable& zh = chineseResources();
    QStringList texts;
    for (const DialogTemplate* d : zh.dialogs) {
        texts << QString::fromUtf8(d->caption);
        for (const ControlTemplate& c : d->controls) texts << QString::fromUtf8(c.text);
    }
    for (const DialogInitData& init : zh.dialogInit)
        for (const char* item : init.items) texts << QString::fromUtf8(item);
    for (const MenuItemTemplate* item : menuItems(zh.menus[0]->items))
        texts << QString::fromUtf8(item->text);
    for (const DialogTemplate* d : zh.dialogs) {
        const QFontMetrics metrics(dialogFont(d->fontFace, d->fontPoints));
        for (const char32_t ch : texts.join(QString()).toUcs4())
            EXPECT_TRUE(metrics.inFontUcs4(ch)) << d->id << ": U+" << std::hex << unsigned(ch);
    }
}

// Icon 128's two images load as one icon offering 32 x 32 and 16 x 16.
TEST(MainFrameIcon, LoadsInBothSizes) {
    QIcon icon;
    for (const char* file : chineseResources().iconFiles) icon.addFile(QString::fromUtf8(file));
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
}

// The toolkit's standard button texts follow the installed edition, replaced, not stacked.
TEST(FrameworkLanguage, FollowsTheEdition) {
    const auto ok = [] { return QCoreApplication::translate("QPlatformTheme", "OK"); };
    ASSERT_TRUE(installFrameworkTranslations(chineseResources()));
    ASSERT_TRUE(installFrameworkTranslations(chineseResources()));
    EXPECT_EQ(ok(), QStringLiteral("确定"));
    EXPECT_TRUE(installFrameworkTranslations(englishResources()));
    EXPECT_EQ(ok(), QStringLiteral("OK"));
}

}  // namespace
}  // namespace velmora
