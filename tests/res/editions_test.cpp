// The two editions' resources: the main dialog's layout and tab order, every dialog's controls,
// the glyphs and the toolkit's language.
#include "res/editions.h"

#include "platform/dialogbase.h"
#include "platform/dialogbuilder.h"
#include "res/frameworklanguage.h"
#include "res/resource.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <numeric>

namespace velmora {
namespace {

const std::pair<const char*, const ResourceTable& (*)()> kEditions[] = {
    {"Velmora", &chineseResources}, {"VelmoraEn", &englishResources}};

// Every control of the main dialog in the Chinese tab order with its place in dialog units in
// each edition (en empty: as in Chinese). Rows 1, 9, 12 and 13 are the texts "Sensor",
// "Comm Baud:", "Device Type:" and "Comm Port:".
const QRect same;
const std::tuple<int, QRect, QRect> kMainLayout[] = {
    {IDC_WAVE_GROUP, {3, 3, 595, 260}, same},
    {IDC_STATIC, {3, 282, 516, 56}, same},
    {IDC_OPEN_PORT, {109, 301, 40, 22}, {112, 302, 52, 22}},
    {IDC_WAVE_FRAME, {6, 16, 516, 244}, same},
    {IDC_MSCOMM, {15, 165, 25, 25}, same},
    {IDC_QUIT, {528, 316, 56, 20}, same},
    {IDC_PROMPT, {7, 267, 222, 12}, same},
    {IDC_VALUE, {525, 16, 68, 30}, same},
    {IDC_PANEL, {523, 10, 72, 250}, same},
    {IDC_STATIC, {12, 320, 37, 9}, {12, 320, 41, 9}},
    {IDC_BAUD, {52, 318, 54, 158}, {54, 318, 54, 158}},
    {IDC_PORT, {52, 301, 54, 126}, {54, 301, 54, 126}},
    {IDC_STATIC, {82, 152, 37, 8}, {120, 223, 49, 8}},
    {IDC_STATIC, {12, 303, 37, 8}, {12, 303, 41, 8}},
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
    {IDC_MAKE_DATE, {280, 317, 56, 16}, {327, 317, 56, 16}}};

// Every dialog of both editions: each control inside it, what the operator clicks uncovered, a
// one-line text whole, every character with a glyph (the Chinese fonts must be installed). The
// main dialog as the table says, in the template and as widgets in the edition's dialog units,
// of the same kinds and styles in both. The toolkit's button texts in the edition's language.
TEST(Editions, MainLayoutAsTheTableSaysAndEveryControlUncoveredWithItsTextWhole) {
    std::map<int, std::tuple<ControlKind, unsigned, bool>> chinese;  // by row
    for (const auto& [name, table] : kEditions) {
        installResources(table());
        const bool english = std::string_view(name) == "VelmoraEn";
        ASSERT_TRUE(installFrameworkTranslations(table()));
        ASSERT_TRUE(installFrameworkTranslations(table()));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), english ? "OK" : "确定")
            << name << ": the toolkit's OK";
        for (const DialogTemplate* d : table().dialogs) {
            DialogBase dlg(d->id);
            ASSERT_TRUE(dlg.create());
            const QFontMetrics metrics(dlg.font());
            for (QWidget* w : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                QString text = w->property("text").toString();
                const auto where =
                    QString("%1 %2: %3 ").arg(name).arg(d->id).arg(text).toStdString();
                EXPECT_TRUE(dlg.rect().contains(w->geometry())) << where << "lies outside";
                const bool line = qobject_cast<QLabel*>(w) && w->height() <= 2 * metrics.height();
                EXPECT_GE(w->width(), line ? metrics.horizontalAdvance(text) : 0) << where << "cut";
                QWidget* hit = dlg.childAt(w->geometry().center());
                const bool clicked = w->isVisibleTo(&dlg) && w->focusPolicy() != Qt::NoFocus;
                EXPECT_TRUE(!clicked || hit == w || w->isAncestorOf(hit)) << where << "covered";
                if (auto* combo = qobject_cast<QComboBox*>(w))
                    for (int i = 0; i < combo->count(); ++i) text += combo->itemText(i);
                for (const char32_t ch : (text + w->property("title").toString()).toUcs4())
                    EXPECT_TRUE(metrics.inFontUcs4(ch))
                        << where << "U+" << std::hex << unsigned(ch);
            }
            if (d->id != IDD_MAIN_DIALOG) continue;
            const DialogUnits units = dialogBaseUnits(dlg.font());
            EXPECT_EQ(dlg.size(), mapDialogRect(QRect(0, 0, 600, 341), units).size()) << name;
            std::vector<int> rows(std::size(kMainLayout));  // in the edition's tab order
            std::iota(rows.begin(), rows.end(), 0);
            if (english)  // the hidden device-type pair last
                std::ranges::stable_partition(rows, [](int i) { return i != 12 && i != 14; });
            ASSERT_EQ(d->controls.size(), rows.size()) << name;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const ControlTemplate& c = d->controls[i];
                const auto& [id, zh, en] = kMainLayout[rows[i]];
                EXPECT_EQ(c.id, id) << name << ": tab order at " << i;
                const QRect dlu = english && !en.isNull() ? en : zh;
                EXPECT_EQ(QRect(c.x, c.y, c.cx, c.cy), dlu) << name << ": template, control " << i;
                const auto look = std::tuple(c.kind, c.style, *c.text != 0);
                if (!english) chinese[rows[i]] = look;
                EXPECT_TRUE(chinese[rows[i]] == look)
                    << name << ": kind, style or text of " << c.id;
                if (c.id == IDC_STATIC || c.kind == ControlKind::Custom) continue;
                QRect expected = mapDialogRect(dlu, units);  // a combo box: its closed height
                if (qobject_cast<QComboBox*>(dlg.item(c.id)))
                    expected.setHeight(dlg.item(c.id)->height());
                EXPECT_EQ(dlg.itemRect(c.id), expected) << name << ": widget " << c.id;
            }
        }
    }
}

}  // namespace
}  // namespace velmora
