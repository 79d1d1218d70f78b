#include "platform/dialogbuilder.h"

#include "platform/mapping.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QHeaderView>
#include <QTableWidget>


namespace velmora {

QFont dialogFont(const char* face, int points) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
    QFont font(QString::fromUtf8(face));
    font.setPixelSize(mulDiv(points, dpi, 72));
    return font;
}

DialogUnits dialogBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int cx = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(cx / 26 + 1) / 2, fm.height()};
}

QRect mapDialogRect(const QRect& dlu, DialogUnits u) {
    return {mulDiv(dlu.x(), u.baseX, 4), mulDiv(dlu.y(), u.baseY, 8),
            mulDiv(dlu.width(), u.baseX, 4), mulDiv(dlu.height(), u.baseY, 8)};
}

namespace {

// Static texts show "&x" as an underlined x; without a buddy Qt would print the "&".
QString staticText(const ControlTemplate& c) {
    QString text = QString::fromUtf8(c.text);
    if (c.style & kNoPrefix) return text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

void setFrameColour(QFrame* frame, const QColor& colour) {
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::WindowText, colour);
    frame->setPalette(pal);
}

QWidget* createControl(const ControlTemplate& c, QWidget* parent) {
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
        case ControlKind::GroupBox: return new QGroupBox(text, parent);
        case ControlKind::PushButton: return new QPushButton(text, parent);
        case ControlKind::DefPushButton: {
            auto* b = new QPushButton(text, parent);
            b->setDefault(true);
            return b;
        }
        case ControlKind::CheckBox: return new QCheckBox(text, parent);
        case ControlKind::PushLikeCheckBox: {
            auto* b = new QPushButton(text, parent);
            b->setCheckable(true);
            b->setAutoDefault(false);
            return b;
        }
        case ControlKind::ComboDropDown:
        case ControlKind::ComboDropList: {
            auto* combo = new QComboBox(parent);
            if (c.kind == ControlKind::ComboDropDown) {
                combo->setEditable(true);
                // Typed text is a value, not a new list item.
                combo->setInsertPolicy(QComboBox::NoInsert);
            }
            return combo;
        }
        case ControlKind::Edit: return new QLineEdit(text, parent);
        case ControlKind::Text: {
            auto* label = new QLabel(staticText(c), parent);
            label->setTextFormat(Qt::PlainText);
            if (c.style & kCenterVertically) {
                label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            } else {
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                label->setWordWrap(true);
            }
            if (c.style & kSunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            return label;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(parent);
            const auto files = resources().iconFiles;
            if (!files.empty()) label->setPixmap(QIcon(QString::fromUtf8(files[0])).pixmap(32, 32));
            return label;
        }
        case ControlKind::BlackFrame:
        case ControlKind::GrayFrame: {
            auto* frame = new QFrame(parent);
            setFrameColour(frame, c.kind == ControlKind::BlackFrame ? QColor(Qt::black)
                                                                    : QColor(Qt::gray));
            return frame;
        }
        case ControlKind::ListView: {
            // A report view: rows of read-only texts under a header, no row numbers; grid
            // lines, row selection and movable columns are the dialog's to turn on.
            auto* list = new QTableWidget(parent);
            list->verticalHeader()->hide();
            list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            list->verticalHeader()->setDefaultSectionSize(QFontMetrics(parent->font()).height() + 4);
            list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            list->horizontalHeader()->setHighlightSections(false);
            list->setShowGrid(false);
            list->setWordWrap(false);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setSelectionMode(QAbstractItemView::ExtendedSelection);
            return list;
        }
        case ControlKind::Custom: return nullptr;  // the dialog class provides it
    }
    return nullptr;
}

}  // namespace

QHash<int, QWidget*> buildDialog(const DialogTemplate& tmpl, QWidget* dialog) {
    const QFont font = dialogFont(tmpl.fontFace, tmpl.fontPoints);
    dialog->setFont(font);
    const DialogUnits units = dialogBaseUnits(font);
    dialog->setWindowTitle(QString::fromUtf8(tmpl.caption));

    Qt::WindowFlags flags = (tmpl.style & kDsToolWindow) ? Qt::Tool : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tmpl.style & kDsSysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl.style & kDsMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setFixedSize(mulDiv(tmpl.cx, units.baseX, 4), mulDiv(tmpl.cy, units.baseY, 8));

    QHash<int, QWidget*> items;
    for (const ControlTemplate& c : tmpl.controls) {
        if (c.id != -1 && items.contains(c.id))
            qFatal("velmora: template %d repeats control id %d", tmpl.id, c.id);
        QWidget* w = createControl(c, dialog);
        if (!w) continue;
        QRect r = mapDialogRect(QRect(c.x, c.y, c.cx, c.cy), units);
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The template height is the dropped-down list; the closed box keeps its own.
            const int closed = combo->sizeHint().height();
            const int row = QFontMetrics(font).height() + 2;
            combo->setMaxVisibleItems(qMax(1, (r.height() - closed) / row));
            r.setHeight(closed);
        } else if (c.kind == ControlKind::Icon) {
            r.setSize(QSize(32, 32));  // icons keep their natural size
        } else if (c.kind == ControlKind::Text && r.height() < 2 * QFontMetrics(font).height()) {
            // A one-line label whose text is wider in this font than in the one the layout was
            // made for grows to the right rather than cutting its text off.
            const int need = QFontMetrics(font).horizontalAdvance(staticText(c)) + 2;
            r.setWidth(qMin(qMax(r.width(), need), dialog->width() - r.left()));
        }
        w->setGeometry(r);
        // Controls outside the tab order still take focus when clicked.
        if (c.style & kTabStop)
            w->setFocusPolicy(Qt::StrongFocus);
        else if (w->focusPolicy() != Qt::NoFocus)
            w->setFocusPolicy(Qt::ClickFocus);
        if (c.style & kDisabled) w->setEnabled(false);
        if (c.style & kHidden) w->hide();
        if (c.kind == ControlKind::GroupBox) {
            // A group box only frames its controls: it lies beneath them and lets the mouse
            // through, whatever its place in the tab order.
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
            w->lower();
        }
        if (c.id != -1) {
            w->setObjectName(QStringLiteral("ctrl_%1").arg(c.id));
            w->setProperty("controlId", c.id);
            items.insert(c.id, w);
        }
    }
    return items;
}

void installFontSubstitutions() {
    const QStringList song{QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                           QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC"),
                           QStringLiteral("Droid Sans Fallback")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song.mid(1));
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"),
                                QStringLiteral("Liberation Sans")});
}

}  // namespace velmora
