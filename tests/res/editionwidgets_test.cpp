// The resource tables on the platform layer: each template builds into widgets (hidden
// controls hidden, combo boxes filled at initialisation, texts as written), the Chinese texts
// can be drawn with the dialog font, and icon 128 loads in both sizes with 16 colours.
#include "res/editions.h"

#include "platform/dialogbase.h"
#include "platform/dialogbuilder.h"
#include "res/frameworklanguage.h"
#include "res/resource.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

// Installs an edition's table for one test and restores nothing: every test installs its own.
class EditionWidgets : public ::testing::TestWithParam<bool> {
protected:
    const ResourceTable& table() const {
        return GetParam() ? chineseResources() : englishResources();
    }
    void SetUp() override { installResources(table()); }
};

QString textOf(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
    return {};
}

// Every template of the edition builds; each numbered control (the serial control excepted,
// which the dialog class creates) becomes a widget with its text, hidden where marked.
TEST_P(EditionWidgets, TemplatesBuild) {
    for (const DialogTemplate* d : table().dialogs) {
        QWidget dialog;
        const QHash<int, QWidget*> items = buildDialog(*d, &dialog);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(d->caption));
        for (const ControlTemplate& c : d->controls) {
            if (c.id == IDC_STATIC) continue;
            QWidget* w = items.value(c.id);
            if (c.kind == ControlKind::Custom) {
                EXPECT_EQ(w, nullptr) << c.id;
                continue;
            }
            ASSERT_NE(w, nullptr) << "template " << d->id << " control " << c.id;
            EXPECT_EQ(w->isHidden(), (c.style & kHidden) != 0) << c.id;
            if (c.text[0] != '\0' && c.kind != ControlKind::Icon) {
                EXPECT_EQ(textOf(w), QString::fromUtf8(c.text)) << c.id;
            }
        }
    }
}

// The dialog's own initialisation fills the combo boxes from the edition's dialog-init data.
TEST_P(EditionWidgets, MainDialogCombosFilledAtInitialisation) {
    DialogBase dlg(IDD_MAIN_DIALOG);
    ASSERT_TRUE(dlg.create());
    auto* baud = dlg.itemAs<QComboBox>(IDC_BAUD);
    auto* port = dlg.itemAs<QComboBox>(IDC_PORT);
    auto* type = dlg.itemAs<QComboBox>(IDC_DEVICE_TYPE);
    ASSERT_TRUE(baud && port && type);
    EXPECT_TRUE(baud->isEditable());
    EXPECT_FALSE(port->isEditable());
    EXPECT_EQ(baud->count(), 5);
    EXPECT_EQ(baud->findText(QStringLiteral("57600")), 3);
    ASSERT_EQ(port->count(), 16);
    EXPECT_EQ(port->itemText(0), QStringLiteral("COM1"));
    EXPECT_EQ(port->itemText(15), QStringLiteral("COM16"));
    EXPECT_EQ(type->count(), GetParam() ? 6 : 3);
    EXPECT_TRUE(dlg.isVisible());  // the template is visible at creation
    dlg.destroyWindow();
}

TEST_P(EditionWidgets, AboutBoxShowsTheIcon) {
    const DialogTemplate* about = findDialog(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    QWidget dialog;
    buildDialog(*about, &dialog);
    const auto labels = dialog.findChildren<QLabel*>();
    bool iconShown = false;
    for (const QLabel* label : labels)
        if (!label->pixmap().isNull()) iconShown = true;
    EXPECT_TRUE(iconShown);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, EditionWidgets, ::testing::Values(true, false),
                         [](const auto& info) {
                             return std::string(info.param ? "Velmora" : "VelmoraEn");
                         });

TEST(ChineseEdition, CalibrationDialogCombosFilled) {
    installResources(chineseResources());
    DialogBase dlg(IDD_PROOF_DATA);
    ASSERT_TRUE(dlg.create());
    auto* sensor = dlg.itemAs<QComboBox>(IDC_SENSOR);
    ASSERT_NE(sensor, nullptr);
    ASSERT_EQ(sensor->count(), 2);
    EXPECT_EQ(sensor->itemText(0), QStringLiteral("传感器1(左)"));
    EXPECT_EQ(sensor->itemText(1), QStringLiteral("传感器2(右)"));
    dlg.destroyWindow();
}

// Every character of the Chinese texts (controls, captions, combo items, menu) must have a
// glyph in the dialog font as the system resolves it, or the operator sees boxes.
TEST(ChineseEdition, TextsHaveGlyphsInTheDialogFont) {
    const ResourceTable& zh = chineseResources();
    QStringList texts;
    const DialogTemplate* main = nullptr;
    for (const DialogTemplate* d : zh.dialogs) {
        if (d->id == IDD_MAIN_DIALOG) main = d;
        texts << QString::fromUtf8(d->caption);
        for (const ControlTemplate& c : d->controls) texts << QString::fromUtf8(c.text);
    }
    for (const DialogInitData& init : zh.dialogInit)
        for (const char* item : init.items) texts << QString::fromUtf8(item);
    for (const MenuItemTemplate& item : zh.menus[0]->items[0].children) {
        texts << QString::fromUtf8(item.text);
        for (const MenuItemTemplate& sub : item.children) texts << QString::fromUtf8(sub.text);
    }
    ASSERT_NE(main, nullptr);
    const QFontMetrics metrics(dialogFont(main->fontFace, main->fontPoints));
    for (const QString& text : texts)
        for (const char32_t ch : text.toUcs4())
            EXPECT_TRUE(metrics.inFontUcs4(ch))
                << "no glyph for U+" << std::hex << static_cast<unsigned>(ch) << " in \""
                << text.toStdString() << "\"";
}

// Icon 128: a 32 x 32 and a 16 x 16 image, each of at most 16 colours from the standard
// 16-colour palette plus transparency, the same files in both editions.
TEST(MainFrameIcon, TwoSixteenColourImages) {
    const QSet<QRgb> vga = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                            0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                            0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    ASSERT_EQ(chineseResources().iconFiles.size(), 2u);
    ASSERT_EQ(englishResources().iconFiles.size(), 2u);
    const int sizes[] = {32, 16};
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_STREQ(chineseResources().iconFiles[i], englishResources().iconFiles[i]);
        const QImage image(QString::fromUtf8(chineseResources().iconFiles[i]));
        ASSERT_FALSE(image.isNull()) << chineseResources().iconFiles[i];
        EXPECT_EQ(image.size(), QSize(sizes[i], sizes[i]));
        QSet<QRgb> colours;
        int transparent = 0;
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            for (int x = 0; x < argb.width(); ++x) {
                const QRgb px = argb.pixel(x, y);
                if (qAlpha(px) == 0) {
                    ++transparent;
                    continue;
                }
                EXPECT_EQ(qAlpha(px), 255);
                colours.insert(px & 0xFFFFFF);
            }
        }
        EXPECT_LE(colours.size(), 16);
        EXPECT_TRUE(colours.subtract(vga).isEmpty()) << "colours outside the palette";
        // Most of the image is the picture, not background.
        EXPECT_LT(transparent, sizes[i] * sizes[i] / 4);
    }
    // Built as one icon, both sizes are available for the window and the task bar.
    QIcon icon;
    for (const char* file : chineseResources().iconFiles) icon.addFile(QString::fromUtf8(file));
    const auto available = icon.availableSizes();
    EXPECT_TRUE(available.contains(QSize(32, 32)));
    EXPECT_TRUE(available.contains(QSize(16, 16)));
}

// The toolkit's own texts follow the edition: its standard button texts read Chinese once the
// Chinese table's translation is installed, and English again after the English one.
TEST(FrameworkLanguage, FollowsTheEdition) {
    const auto ok = [] { return QCoreApplication::translate("QPlatformTheme", "OK"); };
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    ASSERT_TRUE(installFrameworkTranslations(chineseResources()));
    EXPECT_EQ(ok(), QStringLiteral("确定"));
    EXPECT_EQ(cancel(), QStringLiteral("取消"));
    ASSERT_TRUE(installFrameworkTranslations(chineseResources()));  // replaces, no stacking
    EXPECT_TRUE(installFrameworkTranslations(englishResources()));
    EXPECT_EQ(ok(), QStringLiteral("OK"));
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace velmora
