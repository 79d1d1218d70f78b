#include "calibration/proofgraphwnd.h"

#include "res/resource.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPen>
#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>
#include <utility>

namespace {
const QColor kBackColor(0, 64, 128);
const QColor kGridColor(0, 128, 128);
const QColor kAxisColor(255, 255, 0);
const QColor kCurveColor(255, 255, 0);
const QColor kMarkerColor(255, 255, 255);

// Side of the square zoom buttons, pixels.
constexpr int kButtonSize = 16;
// Margin between the client edges and the plot rectangle, logical units.
constexpr int kMargin = 24;
// Grid spacing and arrowhead size, logical units.
constexpr int kGridStep = 20;
constexpr int kArrowLength = 8;
constexpr int kArrowHalfWidth = 4;
// The zoom steps by 10 down to this floor; the ceiling is twice the window extent.
constexpr int kZoomStep = 10;
constexpr int kZoomMin = 20;
// Records are 32-bit; pulling coordinates into +-2^29 keeps every sum in the mapping and
// every device coordinate (up to twice as large at zoom 200) within int. Real raw readings
// and standard values lie far inside, so only absurd records are moved.
constexpr int kMaxLogical = 1 << 29;

QPoint pullIn(QPoint p) {
    return {std::clamp(p.x(), -kMaxLogical, kMaxLogical),
            std::clamp(p.y(), -kMaxLogical, kMaxLogical)};
}

// A solid pen `width` device pixels wide. Widths above one pixel get round caps and joins,
// as a geometric pen has; one pixel (or a width that converts to 0) is a cosmetic pen.
QPen solidPen(const QColor& color, int width) {
    if (width > 1) return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return QPen(color, 0, Qt::SolidLine);
}
}  // namespace

CProofGraphWnd::CProofGraphWnd(QWidget* parent) : QWidget(parent) {
    // The paint pass fills every pixel of the client area itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    hide();  // no window until Create
}

CProofGraphWnd::~CProofGraphWnd() = default;

bool CProofGraphWnd::Create(const QRect& rect, QWidget* parent, int id) {
    hide();  // a child window without the visible style: the dialog shows it
    setParent(parent);
    setObjectName(QStringLiteral("ctrl_%1").arg(id));
    setGeometry(rect);
    // Moves without a pressed button must arrive too: they show and hide the zoom buttons.
    setMouseTracking(true);
    OnCreate();
    m_bWindow = true;
    // The first size arrives now, even while the window and its parent are hidden.
    OnSize(rect.width(), rect.height());
    return true;
}

void CProofGraphWnd::OnCreate() {
    // A second Create replaces the buttons of the first; zoom and points stay the object's.
    delete std::exchange(m_btnZoomIn, nullptr);
    delete std::exchange(m_btnZoomOut, nullptr);
    m_btnZoomIn = makeButton(QStringLiteral("+"), IDC_GRAPH_ZOOM_IN);
    m_btnZoomOut = makeButton(QStringLiteral("-"), IDC_GRAPH_ZOOM_OUT);
    connect(m_btnZoomIn, &QPushButton::clicked, this, &CProofGraphWnd::OnGraphZoomIn);
    connect(m_btnZoomOut, &QPushButton::clicked, this, &CProofGraphWnd::OnGraphZoomOut);
}

QPushButton* CProofGraphWnd::makeButton(const QString& caption, int id) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QStringLiteral("ctrl_%1").arg(id));
    button->setFlat(true);
    // A flat button still shows its face and a thin border, so the sign stands out on the
    // dark plot.
    button->setAutoFillBackground(true);
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: palette(button); border: 1px solid palette(shadow);"
        " padding: 0px; }"));
    button->setGeometry(QRect());
    // Explicitly hidden, so that showing the graph does not show the button with it.
    button->hide();
    button->installEventFilter(this);
    return button;
}

// ---- Size and mouse: the buttons sit in the top corners and show only under the cursor ----

void CProofGraphWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_bWindow) OnSize(event->size().width(), event->size().height());
}

void CProofGraphWnd::OnSize(int cx, int /*cy*/) {
    if (m_btnZoomOut) m_btnZoomOut->setGeometry(0, 0, kButtonSize, kButtonSize);
    if (m_btnZoomIn) m_btnZoomIn->setGeometry(cx - kButtonSize, 0, kButtonSize, kButtonSize);
}

void CProofGraphWnd::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event->position().toPoint());
    // The graph keeps its moves, as a child window does; they do not reach the dialog.
    event->accept();
}

void CProofGraphWnd::OnMouseMove(QPoint point) {
    // A hidden button takes no mouse input, so the graph sees the cursor enter its square.
    for (QPushButton* button : {m_btnZoomIn, m_btnZoomOut}) {
        if (!button) continue;
        const bool inside = button->geometry().contains(point);
        if (button->isHidden() == inside) button->setVisible(inside);
    }
}

bool CProofGraphWnd::eventFilter(QObject* watched, QEvent* event) {
    // Leaving a shown button back into the graph hides it through OnMouseMove; leaving it for
    // somewhere outside the graph brings the graph no move, so the button's Leave hides it.
    if (event->type() == QEvent::Leave && (watched == m_btnZoomIn || watched == m_btnZoomOut)) {
        auto* button = static_cast<QPushButton*>(watched);
        if (!button->rect().contains(button->mapFromGlobal(QCursor::pos()))) button->hide();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Zoom and points ----

void CProofGraphWnd::OnGraphZoomIn() {
    if (m_nZoomX < 2 * m_sizeLogical.width()) {
        m_nZoomX += kZoomStep;
        m_nZoomY += kZoomStep;
    }
    update();
}

void CProofGraphWnd::OnGraphZoomOut() {
    if (m_nZoomX > kZoomMin) {
        m_nZoomX -= kZoomStep;
        m_nZoomY -= kZoomStep;
    }
    update();
}

void CProofGraphWnd::SetPoints(const velmora::ProofPointList& points) {
    m_arrPoints.clear();
    m_arrPoints.reserve(points.size());
    for (const velmora::ProofPoint& p : points) m_arrPoints.emplace_back(p.x, p.y);
    update();
}

void CProofGraphWnd::AddPoint(int x, int y, bool bRedraw) {
    m_arrPoints.emplace_back(x, y);
    if (bRedraw) update();
}

bool CProofGraphWnd::ClearPoints() {
    m_arrPoints.clear();
    update();
    return true;
}

// ---- Painting ----

void CProofGraphWnd::paintEvent(QPaintEvent* /*event*/) {
    QPainter dc(this);
    PaintGraph(&dc, size());
}

void CProofGraphWnd::PaintGraph(QPainter* pDC, QSize client) const {
    if (!pDC) return;
    pDC->save();
    pDC->setRenderHint(QPainter::Antialiasing, false);
    pDC->fillRect(QRect(QPoint(0, 0), client), kBackColor);

    velmora::Mapping map;
    map.setMapMode(velmora::MapMode::Isotropic);
    map.setWindowExt(m_sizeLogical.width(), m_sizeLogical.height());
    map.setViewportExt(m_nZoomX, m_nZoomY);

    // The plot rectangle: the client area in logical units, normalised, less the margin.
    velmora::Rect rc = map.dpToLp(velmora::Rect{0, 0, client.width(), client.height()});
    if (rc.left > rc.right) std::swap(rc.left, rc.right);
    if (rc.top > rc.bottom) std::swap(rc.top, rc.bottom);
    rc.left += kMargin;
    rc.top += kMargin;
    rc.right -= kMargin;
    rc.bottom -= kMargin;
    const int w = rc.width();
    const int h = rc.height();
    // Logical (0, 0) at the lower-left corner of the plot rectangle, y upwards.
    map.setWindowOrg(-rc.left, -rc.top);

    // One logical unit of pen width in pixels; a width that converts to 0 is one pixel.
    const int penWidth = map.lpToDp(QSize(1, 1)).width();
    auto line = [&](int x0, int y0, int x1, int y1) {
        pDC->drawLine(map.lpToDp(QPoint(x0, y0)), map.lpToDp(QPoint(x1, y1)));
    };

    pDC->setPen(solidPen(kGridColor, penWidth));
    for (int x = kGridStep; x < w; x += kGridStep) line(x, 1, x, h);
    for (int y = kGridStep; y < h; y += kGridStep) line(1, y, w, y);

    pDC->setPen(solidPen(kAxisColor, penWidth));
    line(0, 0, w, 0);
    line(w, 0, w - kArrowLength, kArrowHalfWidth);
    line(w, 0, w - kArrowLength, -kArrowHalfWidth);
    line(0, 0, 0, h);
    line(0, h, -kArrowHalfWidth, h - kArrowLength);
    line(0, h, kArrowHalfWidth, h - kArrowLength);

    if (m_arrPoints.size() > 1) {
        QPolygon curve;
        curve.reserve(static_cast<qsizetype>(m_arrPoints.size()));
        for (const QPoint& p : m_arrPoints) curve.append(map.lpToDp(pullIn(p)));
        pDC->setPen(solidPen(kCurveColor, penWidth));
        pDC->drawPolyline(curve);

        pDC->setPen(solidPen(kMarkerColor, penWidth));
        for (const QPoint& point : m_arrPoints) {
            const QPoint p = pullIn(point);
            const QPoint square[] = {
                map.lpToDp(QPoint(p.x() - 1, p.y() - 1)), map.lpToDp(QPoint(p.x() + 1, p.y() - 1)),
                map.lpToDp(QPoint(p.x() + 1, p.y() + 1)), map.lpToDp(QPoint(p.x() - 1, p.y() + 1)),
                map.lpToDp(QPoint(p.x() - 1, p.y() - 1))};
            pDC->drawPolyline(square, 5);
        }
    }
    pDC->restore();
}
