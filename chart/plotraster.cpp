#include "chart/plotraster.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {
// Ceiling of a / b for b > 0.
long long ceilDiv(long long a, long long b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); }
}  // namespace

void ColumnSpans::begin(const QRect& clip) {
    m_clip = clip;
    // assign() keeps the capacity, so repeated paints of one plot allocate nothing.
    const auto width = static_cast<std::size_t>(clip.isEmpty() ? 0 : clip.width());
    m_top.assign(width, 1);
    m_bottom.assign(width, 0);
    m_firstRow = 0;
    m_lastRow = -1;
}

void ColumnSpans::addSegment(int x0, int y0, int x1, int y1) {
    if (m_clip.isEmpty() || x1 < m_clip.left() || x0 > m_clip.right()) return;
    // 64-bit: values mapped at a high Y zoom lie far outside the plot.
    const long long dx = static_cast<long long>(x1) - x0;
    const long long dy = static_cast<long long>(y1) - y0;
    const long long ady = std::llabs(dy);
    const long long sign = dy < 0 ? -1 : 1;
    const int first = std::max(x0, m_clip.left());
    const int last = std::min(x1, m_clip.right());
    for (int c = first; c <= last; ++c) {
        const long long m = c - x0;
        long long k0, k1;  // the rows y0 + sign * k0 .. y0 + sign * k1
        if (dx == 0) {
            k0 = 0;
            k1 = ady;
        } else if (dx >= ady) {
            k0 = k1 = (2 * ady * m + dx) / (2 * dx);
        } else {
            // Row k lies in column x0 + (2 * dx * k + ady) / (2 * ady).
            k0 = m == 0 ? 0 : ceilDiv(ady * (2 * m - 1), 2 * dx);
            k1 = m == dx ? ady : ceilDiv(ady * (2 * m + 1), 2 * dx) - 1;
        }
        const long long ya = y0 + sign * k0;
        const long long yb = y0 + sign * k1;
        const long long top = std::max<long long>(std::min(ya, yb), m_clip.top());
        const long long bottom = std::min<long long>(std::max(ya, yb), m_clip.bottom());
        if (top > bottom) continue;
        // Consecutive segments meet in the column of their shared end, so the union of what
        // they cover there is still one run.
        const auto i = static_cast<std::size_t>(c - m_clip.left());
        const bool empty = m_top[i] > m_bottom[i];
        m_top[i] = empty ? static_cast<int>(top) : std::min(m_top[i], static_cast<int>(top));
        m_bottom[i] =
            empty ? static_cast<int>(bottom) : std::max(m_bottom[i], static_cast<int>(bottom));
        const bool none = m_firstRow > m_lastRow;
        m_firstRow = none ? static_cast<int>(top) : std::min(m_firstRow, static_cast<int>(top));
        m_lastRow = none ? static_cast<int>(bottom) : std::max(m_lastRow, static_cast<int>(bottom));
    }
}

void PlotRaster::begin(const QRect& area, QRgb field) {
    m_area = area;
    m_field = field;
    m_lines.clear();
    m_nTraces = 0;
}

void PlotRaster::addLine(int y, int x0, int x1, QRgb color) {
    x0 = std::max(x0, m_area.left());
    x1 = std::min(x1, m_area.right());
    if (y >= m_area.top() && y <= m_area.bottom() && x0 <= x1) m_lines.push_back({y, x0, x1, color});
}

ColumnSpans& PlotRaster::addTrace(QRgb color) {
    if (m_nTraces == static_cast<int>(m_traces.size())) m_traces.emplace_back();
    Trace& trace = m_traces[static_cast<std::size_t>(m_nTraces++)];
    trace.color = color;
    trace.spans.begin(m_area);
    return trace.spans;
}

QRgb* PlotRaster::inPlaceTarget(QPainter* dc, qsizetype* stride) const {
    // Only where drawing the band would be a plain copy: a raster engine on a 32-bit opaque-
    // compatible image, whole-pixel offsets, no painter clip, full opacity, and the whole area
    // inside the region being painted (a widget's paint region is the engine's system clip).
    QPaintEngine* engine = dc->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || dc->hasClipping() ||
        dc->opacity() != 1.0 || dc->compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    const QTransform& t = dc->deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::trunc(t.dx()) ||
        t.dy() != std::trunc(t.dy()))
        return nullptr;
    const QRect target = m_area.translated(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
    const QRegion clip = engine->systemClip();
    if (!image->rect().contains(target) ||
        (!clip.isEmpty() && !QRegion(target).subtracted(clip).isEmpty()))
        return nullptr;
    *stride = image->bytesPerLine() / 4;
    return reinterpret_cast<QRgb*>(image->bits()) + target.top() * *stride + target.left();
}

void PlotRaster::paint(QPainter* dc) {
    if (m_area.isEmpty()) return;
    // Composed straight into the painter's image where that gives the same pixels (a widget's
    // backing store, an image being rendered): a full plot's copy costs as much as its
    // composition. Elsewhere each band is an image that the painter draws.
    qsizetype stride = 0;
    if (QRgb* bits = inPlaceTarget(dc, &stride)) {
        for (int y0 = m_area.top(); y0 <= m_area.bottom(); y0 += kBandRows)
            composeBand(bits + (y0 - m_area.top()) * stride, stride, y0,
                        std::min(kBandRows, m_area.bottom() + 1 - y0));
        return;
    }
    if (m_band.width() < m_area.width())
        m_band = QImage(m_area.width(), kBandRows, QImage::Format_RGB32);
    for (int y0 = m_area.top(); y0 <= m_area.bottom(); y0 += kBandRows) {
        const int rows = std::min(kBandRows, m_area.bottom() + 1 - y0);
        composeBand(reinterpret_cast<QRgb*>(m_band.bits()), m_band.bytesPerLine() / 4, y0, rows);
        dc->drawImage(QPoint(m_area.left(), y0), m_band, QRect(0, 0, m_area.width(), rows));
    }
}

void PlotRaster::composeBand(QRgb* bits, qsizetype stride, int y0, int rows) const {
    const int left = m_area.left();
    const int width = m_area.width();
    // One row filled, the others copied from it: a copy is several pixels a cycle.
    std::fill_n(bits, width, m_field);
    for (int r = 1; r < rows; ++r) std::memcpy(bits + r * stride, bits, sizeof(QRgb) * width);
    for (const Line& line : m_lines)
        if (line.y >= y0 && line.y < y0 + rows)
            std::fill(bits + (line.y - y0) * stride + (line.x0 - left),
                      bits + (line.y - y0) * stride + (line.x1 - left) + 1, line.color);
    for (int t = 0; t < m_nTraces; ++t) {
        const ColumnSpans& spans = m_traces[static_cast<std::size_t>(t)].spans;
        const QRgb color = m_traces[static_cast<std::size_t>(t)].color;
        const int* top = spans.m_top.data();
        const int* bottom = spans.m_bottom.data();
        const int first = std::max(spans.m_firstRow, y0);
        const int last = std::min(spans.m_lastRow, y0 + rows - 1);
        for (int y = first; y <= last; ++y) {
            QRgb* row = bits + (y - y0) * stride;
            // '&', not '&&': a branch-free body is what the vectoriser takes.
            for (int c = 0; c < width; ++c)
                row[c] = (top[c] <= y) & (y <= bottom[c]) ? color : row[c];
        }
    }
}

}  // namespace velmora
