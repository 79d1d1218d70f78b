#include "chart/wavechart.h"

#include "platform/keystate.h"
#include "platform/menu.h"
#include "platform/tick.h"
#include "res/resource.h"

#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>

namespace {
constexpr QRgb kFieldColor = qRgb(0, 0, 192);
constexpr QRgb kSeparatorColor = qRgb(0, 0, 0);
constexpr QRgb kBaselineColor = qRgb(255, 0, 0);
constexpr QRgb kTraceColor = qRgb(255, 255, 255);
constexpr QRgb kAuxColor = qRgb(0, 255, 0);

// Milliseconds that must pass after a paint before the next one, for a display refreshing at
// `hz` (60 Hz where the rate is unknown). The pacing waits for more than this many whole
// milliseconds, so paints never come more often than the screen shows them.
std::uint32_t frameInterval(qreal hz) {
    if (!(hz >= 1 && hz <= 1000)) hz = 60;
    return static_cast<std::uint32_t>(std::max(1.0, std::floor(1000 / hz)));
}
}  // namespace

CWaveChart::CWaveChart(QWidget* parent) : QWidget(parent) {
    // The plot paints every pixel of what it is asked to repaint. Being opaque also keeps
    // a per-sample repaint from repainting the parent dialog underneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    // The chart has its own menu on button release; a right-click must not reach the parent.
    setContextMenuPolicy(Qt::PreventContextMenu);
    m_frameEnd.setSingleShot(true);
    m_frameEnd.setTimerType(Qt::PreciseTimer);
    connect(&m_frameEnd, &QTimer::timeout, this, &CWaveChart::EndOfEvent);
    hide();  // no window until Create
}

CWaveChart::~CWaveChart() = default;

bool CWaveChart::Create(const QRect& rect, QWidget* parent, int id) {
    setParent(parent);
    setObjectName(QStringLiteral("ctrl_%1").arg(id));
    setGeometry(rect);
    m_bWindow = true;
    const QScreen* display = screen();
    m_dwFrame = frameInterval(display ? display->refreshRate() : 0);
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

void CWaveChart::Invalidate(const velmora::Rect* rect, bool now) {
    const QRect area =
        rect ? QRect(rect->left, rect->top, rect->width(), rect->height()) : this->rect();
    if (now)
        repaint(area);
    else
        update(area);
    if (!rect) {
        // The whole plot repaints: samples waiting for their strip are in it.
        m_nUnpaintedFrom = -1;
        m_bUnpaintedAll = false;
    }
}

void CWaveChart::AddPoint(std::uint16_t wCh0, std::uint16_t wCh1, std::uint16_t wCh2,
                          std::uint16_t wAux) {
    if (!IsWindow()) return;
    if (m_nUnpaintedFrom < 0) m_nUnpaintedFrom = m_nWrite;
    m_bUnpaintedAll |= storeSample(wCh0, wCh1, wCh2, wAux);
}

void CWaveChart::EndOfEvent() {
    if (m_nUnpaintedFrom < 0) return;
    const std::uint32_t elapsed = velmora::tickCount() - m_dwLastPaint;
    if (elapsed > m_dwFrame) {
        // Idle, or the frame is over: paint now. Samples arriving before that paint join it.
        m_frameEnd.stop();
        RequestSampleRepaint();
    } else if (!m_frameEnd.isActive()) {
        // While samples stream, the next receive event after the frame's end paints them, so
        // the timer wakes the program only when the stream pauses: half a frame later.
        m_frameEnd.start(static_cast<int>(m_dwFrame + 1 - elapsed + m_dwFrame / 2));
    }
}

void CWaveChart::RequestSampleRepaint() {
    if (m_nUnpaintedFrom < 0) return;
    // A new page or a wrap changes every column, and the scrolling display moves every
    // sample one position left; otherwise each sample's strip, from 4 pixels left to 4
    // pixels right of the position after it, changed: the union of those strips.
    if (m_bUnpaintedAll || m_bScroll) {
        Invalidate(nullptr, true);
        return;
    }
    const int first = m_nZoomX * (m_nUnpaintedFrom + 1) / m_sizeLogical.cx;
    const int last = stripX();
    m_nUnpaintedFrom = -1;
    const velmora::Rect strips{first - 4, m_rcClient.top, last + 4, m_rcClient.bottom};
    Invalidate(&strips, true);
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

void CWaveChart::paintEvent(QPaintEvent* event) {
    m_dwLastPaint = velmora::tickCount();
    QPainter dc(this);  // clipped to the region asked to be repainted
    PaintPlot(&dc, event->rect());
}

void CWaveChart::PaintPlot(QPainter* pDC, const QRect& area) {
    if (!pDC) return;
    const velmora::Rect rc = m_rcClient;
    const QRect client(rc.left, rc.top, rc.width(), rc.height());
    const QRect part = area.isNull() ? client : area & client;
    if (part.isEmpty()) return;
    const velmora::PlotGeometry geo = plotGeometry(rc.width(), rc.height());
    m_raster.begin(part, kFieldColor);
    DrawBaselines(geo);
    DrawCurves(geo, part);
    m_raster.paint(pDC);
}

void CWaveChart::DrawBaselines(const velmora::PlotGeometry& geo) {
    const velmora::Mapping& map = geo.mapping;
    const int right = geo.logicalRect.right;
    // A horizontal line across the plot at logical y.
    auto line = [&](int y, QRgb color) {
        m_raster.addLine(map.lpToDpY(y), map.lpToDpX(0), map.lpToDpX(right), color);
    };
    const int band = geo.bandHeight;
    const int d = geo.moveDown;

    // Black separators between stacked bands; baselines in red. Three bands all show
    // baseline 0; of two, the upper shows baseline 0 and the lower baseline 1; one band (and
    // any unexpected band count) shows baseline 0.
    std::array<int, 3> baselines{};
    int count = 0;
    if (m_nChannels == 3) {
        line(2 * band, kSeparatorColor);
        line(band, kSeparatorColor);
        if (m_nBaseline0 >= 0)
            for (int k = 0; k < 3; ++k) baselines[count++] = k * band + m_nBaseline0 - d;
    } else if (m_nChannels == 2) {
        line(band, kSeparatorColor);
        if (m_nBaseline0 >= 0) baselines[count++] = band + m_nBaseline0 - d;
        if (m_nBaseline1 >= 0) baselines[count++] = m_nBaseline1 - d;
    } else if (m_nBaseline0 >= 0) {
        baselines[count++] = m_nBaseline0 - d;
    }
    for (int k = 0; k < count; ++k) line(baselines[k], kBaselineColor);
}

void CWaveChart::Trace(const velmora::PlotGeometry& geo,
                       const std::array<std::uint16_t, velmora::WAVE_MAX_POINTS>& trace, int base,
                       QRgb color) {
    // A single point only places the pen: a trace needs two samples to show.
    if (m_nLast <= m_nFirst) return;
    const auto point = [&](int p) {
        const int value = trace[m_traceIndex[p]];  // unsigned 16-bit, widened
        return QPoint(geo.mapping.lpToDpX(p), geo.mapping.lpToDpY(value - geo.moveDown + base));
    };
    velmora::ColumnSpans& spans = m_raster.addTrace(color);
    QPoint from = point(m_nFirst);
    for (int p = m_nFirst + 1; p <= m_nLast; ++p) {
        const QPoint to = point(p);
        spans.addSegment(from.x(), from.y(), to.x(), to.y());
        from = to;
    }
}

void CWaveChart::DrawCurves(const velmora::PlotGeometry& geo, const QRect& part) {
    // One, two or three bands stacked with channel 0 on top; no trace for other counts.
    if (m_nChannels < 1 || m_nChannels > 3) return;
    m_nTraceCount = traceIndices(m_traceIndex.data());
    // The segments that reach into the part's columns: from the last position left of
    // them to the first position right of them. Device x grows with the position, so both
    // are found by bisection; the end points of that piece lie outside the columns.
    const auto lastBefore = [&](int column) {  // the last position with x < column, or -1
        int lo = -1, hi = m_nTraceCount - 1;
        while (lo < hi) {
            const int mid = (lo + hi + 1) / 2;
            if (geo.mapping.lpToDpX(mid) < column)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    };
    m_nFirst = std::max(0, lastBefore(part.left()));
    m_nLast = std::min(m_nTraceCount - 1, lastBefore(part.right() + 1) + 1);
    for (int ch = 0; ch < m_nChannels; ++ch)
        Trace(geo, m_wData[ch], (m_nChannels - 1 - ch) * geo.bandHeight, kTraceColor);
    if (m_nChannels == 1 && m_bShowAux) Trace(geo, m_wAux, 0, kAuxColor);
}
