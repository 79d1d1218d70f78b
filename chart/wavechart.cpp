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

#include <array>

namespace {
const QColor kFieldColor(0, 0, 192);
const QColor kSeparatorColor(0, 0, 0);
const QColor kBaselineColor(255, 0, 0);
const QColor kTraceColor(255, 255, 255);
const QColor kAuxColor(0, 255, 0);

// A solid cosmetic pen: exactly one pixel wide whatever the painter's transformation.
QPen solidPen(const QColor& color) { return QPen(color, 0, Qt::SolidLine); }

// Runs draw() with a solid pen of `color`, then gives the painter back the pen it had.
template <typename Draw>
void withPen(QPainter* dc, const QColor& color, Draw&& draw) {
    const QPen previous = dc->pen();
    dc->setPen(solidPen(color));
    draw();
    dc->setPen(previous);
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
    const bool restarted = storeSample(wCh0, wCh1, wCh2, wAux);
    // A new page or a wrap changes every column, and the scrolling display moves every
    // sample one position left; otherwise only the new segment's surroundings change.
    if (restarted || m_bScroll) {
        Invalidate();
    } else {
        const int x = stripX();
        const velmora::Rect strip{x - 4, m_rcClient.top, x + 4, m_rcClient.bottom};
        Invalidate(&strip);
    }
}

void CWaveChart::ClearData() {
    clear();
    if (IsWindow()) Invalidate();
}

int CWaveChart::CalcBaseline() {
    const int baseline = averageBaselines();
    if (IsWindow()) Invalidate();
    return baseline;
}

void CWaveChart::SetZoom(int nZoomX, int nZoomY) {
    zoomTo(nZoomX, nZoomY);
    if (IsWindow()) Invalidate();
}

void CWaveChart::ResetZoom() { SetZoom(m_nDefZoomX, m_nDefZoomY); }

int CWaveChart::RecalcCapacity() {
    const int capacity = fitCapacity();
    if (IsWindow()) Invalidate();  // samples may have been dropped or moved
    return capacity;
}

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

void CWaveChart::OnRButtonUp() {
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
    stepZoomIn(velmora::isShiftDown());
    RecalcCapacity();
}

void CWaveChart::OnZoomOut() {
    stepZoomOut(velmora::isShiftDown());
    RecalcCapacity();
}

void CWaveChart::OnZoomModeX() { m_bZoomX = !m_bZoomX; }

void CWaveChart::OnZoomModeY() { m_bZoomY = !m_bZoomY; }

void CWaveChart::OnDisplayScroll() {
    setScrolling(true);
    Invalidate();
}

void CWaveChart::OnDisplayTurn() {
    setScrolling(false);
    Invalidate();
}

// ---- Mouse: the chart keeps its clicks; the menu opens on right-button release ----

void CWaveChart::mousePressEvent(QMouseEvent* event) { event->accept(); }

void CWaveChart::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void CWaveChart::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::RightButton) OnRButtonUp();
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
    const velmora::PlotGeometry geo = plotGeometry(rc.width(), rc.height());
    pDC->setPen(solidPen(kSeparatorColor));
    DrawBaselines(pDC, geo);
    pDC->setPen(solidPen(kTraceColor));
    DrawCurves(pDC, geo);
}

void CWaveChart::DrawBaselines(QPainter* pDC, const velmora::PlotGeometry& geo) {
    const velmora::Mapping& map = geo.mapping;
    const int right = geo.logicalRect.right;
    // A horizontal line across the plot at logical y.
    auto line = [&](int y) {
        const int dy = map.lpToDpY(y);
        pDC->drawLine(QPoint(map.lpToDpX(0), dy), QPoint(map.lpToDpX(right), dy));
    };
    const int band = geo.bandHeight;
    const int d = geo.moveDown;

    // Separators, in the present pen, between stacked bands; baselines in red. Three bands
    // all show baseline 0; of two, the upper shows baseline 0 and the lower baseline 1; one
    // band (and any unexpected band count) shows baseline 0.
    std::array<int, 3> baselines{};
    int count = 0;
    if (m_nChannels == 3) {
        line(2 * band);
        line(band);
        if (m_nBaseline0 >= 0)
            for (int k = 0; k < 3; ++k) baselines[count++] = k * band + m_nBaseline0 - d;
    } else if (m_nChannels == 2) {
        line(band);
        if (m_nBaseline0 >= 0) baselines[count++] = band + m_nBaseline0 - d;
        if (m_nBaseline1 >= 0) baselines[count++] = m_nBaseline1 - d;
    } else if (m_nBaseline0 >= 0) {
        baselines[count++] = m_nBaseline0 - d;
    }
    withPen(pDC, kBaselineColor, [&] {
        for (int k = 0; k < count; ++k) line(baselines[k]);
    });
}

void CWaveChart::Trace(QPainter* pDC, const velmora::PlotGeometry& geo,
                       const std::array<std::uint16_t, velmora::WAVE_MAX_POINTS>& trace, int base) {
    // A single point only places the pen: a trace needs two samples to show.
    if (m_nTraceCount < 2) return;
    m_points.resize(m_nTraceCount);
    for (int p = 0; p < m_nTraceCount; ++p) {
        const int value = trace[m_traceIndex[p]];  // unsigned 16-bit, widened
        m_points[p] =
            QPoint(geo.mapping.lpToDpX(p), geo.mapping.lpToDpY(value - geo.moveDown + base));
    }
    pDC->drawPolyline(m_points.constData(), m_nTraceCount);
}

void CWaveChart::DrawCurves(QPainter* pDC, const velmora::PlotGeometry& geo) {
    // One, two or three bands stacked with channel 0 on top; no trace for other counts.
    if (m_nChannels < 1 || m_nChannels > 3) return;
    m_nTraceCount = traceIndices(m_traceIndex.data());
    for (int ch = 0; ch < m_nChannels; ++ch)
        Trace(pDC, geo, m_wData[ch], (m_nChannels - 1 - ch) * geo.bandHeight);
    if (m_nChannels == 1 && m_bShowAux)
        withPen(pDC, kAuxColor, [&] { Trace(pDC, geo, m_wAux, 0); });
}
