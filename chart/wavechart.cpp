#include "chart/wavechart.h"

#include "platform/keystate.h"
#include "platform/menu.h"
#include "res/resource.h"

#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>

#include <cstdlib>

namespace {
const QColor kFieldColor(0, 0, 192);
const QColor kSeparatorColor(0, 0, 0);
const QColor kBaselineColor(255, 0, 0);
const QColor kTraceColor(255, 255, 255);
const QColor kAuxColor(0, 255, 0);

// A solid cosmetic pen: exactly one pixel wide whatever the painter's transformation.
QPen solidPen(const QColor& color) {
    QPen pen(color, 0, Qt::SolidLine);
    return pen;
}
}  // namespace

CWaveChart::CWaveChart(QWidget* parent) : QWidget(parent) {
    // The plot paints every pixel of what it is asked to repaint. Being opaque also keeps
    // a per-sample repaint from repainting the parent dialog underneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    // The chart has its own menu on button release; a right-click must not reach the parent.
    setContextMenuPolicy(Qt::PreventContextMenu);
    m_points.reserve(velmora::WAVE_MAX_POINTS);
    hide();  // no window until Create
}

CWaveChart::~CWaveChart() = default;

bool CWaveChart::Create(const QRect& rect, QWidget* parent, int id) {
    setParent(parent);
    setObjectName(QStringLiteral("ctrl_%1").arg(id));
    setGeometry(rect);
    m_bWindow = true;
    // The new window's first size: it arrives now, whether or not the parent is shown yet.
    OnSize(rect.width(), rect.height());
    show();
    return true;
}

void CWaveChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    if (m_bWindow && (size.width() != m_rcClient.width() || size.height() != m_rcClient.height()))
        OnSize(size.width(), size.height());
}

void CWaveChart::OnSize(int cx, int cy) {
    m_rcClient = velmora::Rect{0, 0, cx, cy};
    RecalcCapacity();
}

void CWaveChart::Invalidate(const velmora::Rect* rect) {
    if (!rect)
        update();
    else
        update(QRect(rect->left, rect->top, rect->width(), rect->height()));
}

void CWaveChart::AddPoint(std::uint16_t wCh0, std::uint16_t wCh1, std::uint16_t wCh2,
                          std::uint16_t wAux) {
    if (!IsWindow()) return;
    if (storeSample(wCh0, wCh1, wCh2, wAux)) Invalidate();  // a new page or a wrap
    if (m_bScroll) {
        Invalidate();
    } else {
        const int x = stripX();
        const velmora::Rect strip{x - 4, m_rcClient.top, x + 4, m_rcClient.bottom};
        Invalidate(&strip);
    }
}

void CWaveChart::ClearData() {
    clearData();
    if (IsWindow()) Invalidate();
}

int CWaveChart::CalcBaseline() {
    const int baseline = calcBaseline();
    Invalidate();
    return baseline;
}

void CWaveChart::SetZoom(int nZoomX, int nZoomY) {
    // The percentages divide (capacity, mapping extents) and multiply (sample positions,
    // values): a value outside 1..10,000 % is ignored and the previous one kept, so that
    // neither a division by zero nor an overflow can follow.
    if (nZoomX >= 1 && nZoomX <= 10000) m_nZoomX = nZoomX;
    if (nZoomY >= 1 && nZoomY <= 10000) m_nZoomY = nZoomY;
    if (IsWindow()) Invalidate();
}

void CWaveChart::ResetZoom() {
    m_nZoomX = m_nDefZoomX;
    m_nZoomY = m_nDefZoomY;
    if (IsWindow()) Invalidate();
}

int CWaveChart::RecalcCapacity() { return recalcCapacity(); }

// ---- Context menu and its commands ----

QMenu* CWaveChart::PrepareMenu(velmora::Menu& menu) {
    if (!menu.loadMenu(IDR_WAVE_MENU, this)) return nullptr;
    QMenu* popup = menu.subMenu(0);
    if (!popup) return nullptr;
    velmora::Menu::checkItem(popup, ID_ZOOM_MODE_X, m_bZoomX);
    velmora::Menu::checkItem(popup, ID_ZOOM_MODE_Y, m_bZoomY);
    velmora::Menu::checkItem(popup, m_bScroll ? ID_DISPLAY_SCROLL : ID_DISPLAY_TURN, true);
    velmora::Menu::setItemText(popup, ID_ZOOM_STATUS,
                               QString::asprintf("[X=%d%%; Y=%d%%]", m_nZoomX, m_nZoomY));
    return popup;
}

void CWaveChart::OnRButtonUp(QPoint /*point*/) {
    int command = 0;
    {
        velmora::Menu menu;
        if (QMenu* popup = PrepareMenu(menu)) command = velmora::Menu::track(popup, QCursor::pos());
    }  // the menu exists only while it is shown
    // The chosen command is handled after the menu is gone, on the state of that moment.
    if (command != 0) OnCommand(command);
}

bool CWaveChart::OnCommand(int id) {
    switch (id) {
        case ID_ZOOM_IN:
            OnZoomIn();
            return true;
        case ID_ZOOM_MODE_Y:
            OnZoomModeY();
            return true;
        case ID_ZOOM_OUT:
            OnZoomOut();
            return true;
        case ID_ZOOM_MODE_X:
            OnZoomModeX();
            return true;
        case ID_DISPLAY_SCROLL:
            OnDisplayScroll();
            return true;
        case ID_DISPLAY_TURN:
            OnDisplayTurn();
            return true;
        default:
            return false;  // the zoom status item, among others, has no handler
    }
}

void CWaveChart::OnZoomIn() {
    const int xMax = std::abs(2 * m_sizeLogical.cx);
    const int yMax = std::abs(2 * m_sizeLogical.cy);
    if (velmora::isShiftDown() || (m_nZoomX == xMax && m_nZoomY == yMax)) {
        ResetZoom();
    } else {
        if (m_bZoomX && m_nZoomX < xMax) m_nZoomX += 10;
        if (m_bZoomY && m_nZoomY < yMax) m_nZoomY += 5;
    }
    RecalcCapacity();
    Invalidate();
}

void CWaveChart::OnZoomOut() {
    if (velmora::isShiftDown() || (m_nZoomX == 10 && m_nZoomY == 10)) {
        ResetZoom();
    } else {
        if (m_bZoomX && m_nZoomX > 10) m_nZoomX -= 10;
        if (m_bZoomY && m_nZoomY > 10) m_nZoomY -= 5;
    }
    RecalcCapacity();
    Invalidate();
}

void CWaveChart::OnZoomModeX() { m_bZoomX = !m_bZoomX; }

void CWaveChart::OnZoomModeY() { m_bZoomY = !m_bZoomY; }

void CWaveChart::OnDisplayScroll() {
    m_bScroll = true;
    Invalidate();
}

void CWaveChart::OnDisplayTurn() {
    m_bScroll = false;
    m_nStart = 0;
    Invalidate();
}

// ---- Mouse: the chart keeps its clicks; the menu opens on right-button release ----

void CWaveChart::mousePressEvent(QMouseEvent* event) { event->accept(); }

void CWaveChart::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void CWaveChart::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::RightButton) OnRButtonUp(event->position().toPoint());
}

// ---- Painting ----

void CWaveChart::paintEvent(QPaintEvent* /*event*/) {
    QPainter dc(this);  // clipped to the region asked to be repainted
    PaintPlot(&dc);
}

void CWaveChart::PaintPlot(QPainter* pDC) {
    if (!pDC) return;
    pDC->setRenderHint(QPainter::Antialiasing, false);
    const velmora::Rect rc = m_rcClient;
    pDC->fillRect(QRect(rc.left, rc.top, rc.width(), rc.height()), kFieldColor);
    pDC->setPen(solidPen(kSeparatorColor));  // the pass's default pen
    velmora::PlotGeometry geo;
    DrawBaselines(pDC, &geo);
    const velmora::Rect rcLogical = geo.mapping.dpToLp(rc);
    pDC->setPen(solidPen(kTraceColor));
    DrawCurves(pDC, geo, &rcLogical);
}

void CWaveChart::DrawBaselines(QPainter* pDC, velmora::PlotGeometry* pGeo) {
    if (!pDC || !pGeo) return;
    *pGeo = plotGeometry(m_rcClient.width(), m_rcClient.height());
    const velmora::Mapping& map = pGeo->mapping;
    const int right = pGeo->logicalRect.right;
    const int lh = pGeo->logicalHeight;
    const int d = moveDownOffset();
    // A horizontal line across the plot at logical y.
    auto line = [&](int y) {
        const int dy = map.lpToDpY(y);
        pDC->drawLine(QPoint(map.lpToDpX(0), dy), QPoint(map.lpToDpX(right), dy));
    };

    if (m_nChannels == 3) {
        const int t = lh / 3;
        line(2 * t);
        line(t);
        if (m_nBaseline0 < 0) return;
        const QPen previous = pDC->pen();
        pDC->setPen(solidPen(kBaselineColor));
        // All three bands show baseline 0.
        line(m_nBaseline0 - d);
        line(t + m_nBaseline0 - d);
        line(2 * t + m_nBaseline0 - d);
        pDC->setPen(previous);
    } else if (m_nChannels == 2) {
        const int h = lh / 2;
        line(h);
        const QPen previous = pDC->pen();
        if (m_nBaseline0 >= 0) {
            pDC->setPen(solidPen(kBaselineColor));
            line(h + m_nBaseline0 - d);
            pDC->setPen(previous);
        }
        if (m_nBaseline1 >= 0) {
            pDC->setPen(solidPen(kBaselineColor));
            line(m_nBaseline1 - d);
            pDC->setPen(previous);
        }
    } else if (m_nBaseline0 >= 0) {
        // One band, and any unexpected band count.
        const QPen previous = pDC->pen();
        pDC->setPen(solidPen(kBaselineColor));
        line(m_nBaseline0 - d);
        pDC->setPen(previous);
    }
}

void CWaveChart::Trace(QPainter* pDC, const velmora::PlotGeometry& geo,
                       const std::array<std::uint16_t, velmora::WAVE_MAX_POINTS>& trace, int d,
                       int b) {
    // A single point only places the pen: a trace needs two samples to show.
    if (m_nTraceCount < 2) return;
    m_points.resize(m_nTraceCount);
    for (int p = 0; p < m_nTraceCount; ++p) {
        const int value = trace[m_traceIndex[p]];  // unsigned 16-bit, widened
        m_points[p] = QPoint(geo.mapping.lpToDpX(p), geo.mapping.lpToDpY(value - d + b));
    }
    pDC->drawPolyline(m_points.constData(), m_nTraceCount);
}

void CWaveChart::DrawCurves(QPainter* pDC, const velmora::PlotGeometry& geo,
                            const velmora::Rect* prcLogical) {
    if (!pDC || !prcLogical) return;
    const int d = moveDownOffset();
    const int lh = prcLogical->top - prcLogical->bottom;
    m_nTraceCount = traceIndices(m_traceIndex.data());
    switch (m_nChannels) {
        case 1:
            Trace(pDC, geo, m_wData[0], d, 0);
            if (m_bShowAux) {
                const QPen previous = pDC->pen();
                pDC->setPen(solidPen(kAuxColor));
                Trace(pDC, geo, m_wAux, d, 0);
                pDC->setPen(previous);
            }
            break;
        case 2:
            Trace(pDC, geo, m_wData[0], d, lh / 2);
            Trace(pDC, geo, m_wData[1], d, 0);
            break;
        case 3: {
            const int t = lh / 3;
            Trace(pDC, geo, m_wData[0], d, 2 * t);
            Trace(pDC, geo, m_wData[1], d, t);
            Trace(pDC, geo, m_wData[2], d, 0);
            break;
        }
        default:
            break;  // no trace for other band counts
    }
}
