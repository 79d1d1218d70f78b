#include "chart/wavechartdata.h"

#include <algorithm>
#include <cstdlib>

namespace velmora {

// Calls fn(index) for each ring index of the display sequence, oldest first:
// m_nStart..m_nWrite-1 when the write index lies ahead of the start; otherwise, once the
// ring has wrapped, m_nStart..m_nCapacity-1 followed by 0..m_nWrite-1; nothing when empty.
template <typename Fn>
void WaveChartData::forEachDisplayed(Fn&& fn) const {
    const int start = std::clamp(m_nStart, 0, WAVE_MAX_POINTS);
    const int write = std::min(m_nWrite, WAVE_MAX_POINTS);
    if (write > start) {
        for (int i = start; i < write; ++i) fn(i);
    } else if (write > 0) {
        const int end = std::min(m_nCapacity, WAVE_MAX_POINTS);
        for (int i = start; i < end; ++i) fn(i);
        for (int i = 0; i < write; ++i) fn(i);
    }
}

bool WaveChartData::storeSample(std::uint16_t wCh0, std::uint16_t wCh1, std::uint16_t wCh2,
                                std::uint16_t wAux) {
    const int w = m_nWrite;
    if (w >= 0 && w < m_nCapacity) {
        if (m_bScroll && m_nStart == w && w != 0) {
            // The write position caught up with the oldest sample: drop it.
            if (++m_nStart >= m_nCapacity) m_nStart = 0;
        }
        m_wData[0][w] = wCh0;
        m_wData[1][w] = wCh1;
        m_wData[2][w] = wCh2;
        m_wAux[w] = wAux;
        m_nWrite = w + 1;
        return false;
    }
    // Full ring (or an index outside it): start over at index 0.
    m_wData[0][0] = wCh0;
    m_wData[1][0] = wCh1;
    m_wData[2][0] = wCh2;
    m_wAux[0] = wAux;
    m_nWrite = 1;
    if (m_bScroll && m_nStart == 0) m_nStart = 1;
    return true;
}

int WaveChartData::stripX() const { return m_nZoomX * m_nWrite / m_sizeLogical.cx; }

int WaveChartData::fitCapacity() {
    // zoomTo and the zoom steps keep the X zoom at 1 % or more; a zero would divide by zero.
    int cap = m_nZoomX > 0 ? m_rcClient.width() * m_sizeLogical.cx / m_nZoomX : 0;
    if (cap > WAVE_MAX_POINTS || cap < 1) cap = WAVE_MAX_POINTS;

    // Index list of the samples that stay. The page-turning display keeps the oldest `cap`
    // of the display sequence, so the page goes on where it was. The scrolling display keeps
    // the newest `cap`, so the trace stays continuous and still ends with the latest sample.
    const int skip = m_bScroll ? std::max(0, displayCount() - cap) : 0;
    std::array<int, WAVE_MAX_POINTS> keep;
    int seen = 0;
    int n = 0;
    forEachDisplayed([&](int i) {
        if (seen++ >= skip && n < cap) keep[n++] = i;
    });

    // Copy trace by trace through one temporary array so that the four stay aligned.
    std::array<std::uint16_t, WAVE_MAX_POINTS> temp;
    auto compact = [&](std::array<std::uint16_t, WAVE_MAX_POINTS>& trace) {
        for (int k = 0; k < n; ++k) temp[k] = trace[keep[k]];
        std::copy_n(temp.begin(), n, trace.begin());
    };
    compact(m_wData[0]);
    compact(m_wData[1]);
    compact(m_wData[2]);
    compact(m_wAux);

    m_nStart = 0;
    m_nWrite = n;
    m_nCapacity = cap;
    return cap;
}

int WaveChartData::averageBaselines() {
    int sum0 = 0;
    int sum1 = 0;
    int count = 0;
    forEachDisplayed([&](int i) {
        sum0 += m_wData[0][i];
        sum1 += m_wData[1][i];
        ++count;
    });
    if (count == 0) {
        // An empty sequence averages the single entry at the start index.
        const int i = std::clamp(m_nStart, 0, WAVE_MAX_POINTS - 1);
        sum0 = m_wData[0][i];
        sum1 = m_wData[1][i];
        count = 1;
    }
    m_nBaseline0 = sum0 / count;
    m_nBaseline1 = sum1 / count;
    return m_nBaseline0;
}

void WaveChartData::clear() {
    for (auto& trace : m_wData) trace.fill(0);
    m_wAux.fill(0);
    m_nStart = 0;
    m_nWrite = 0;
    m_bShowAux = false;
    m_nBaseline0 = -1;
}

void WaveChartData::zoomTo(int zoomX, int zoomY) {
    if (zoomX >= kMinZoom && zoomX <= kMaxZoom) m_nZoomX = zoomX;
    if (zoomY >= kMinZoom && zoomY <= kMaxZoom) m_nZoomY = zoomY;
}

void WaveChartData::stepZoomIn(bool toDefault) {
    const int xMax = std::abs(2 * m_sizeLogical.cx);
    const int yMax = std::abs(2 * m_sizeLogical.cy);
    if (toDefault || (m_nZoomX == xMax && m_nZoomY == yMax)) {
        zoomTo(m_nDefZoomX, m_nDefZoomY);
        return;
    }
    if (m_bZoomX && m_nZoomX < xMax) m_nZoomX += 10;
    if (m_bZoomY && m_nZoomY < yMax) m_nZoomY += 5;
}

void WaveChartData::stepZoomOut(bool toDefault) {
    if (toDefault || (m_nZoomX == 10 && m_nZoomY == 10)) {
        zoomTo(m_nDefZoomX, m_nDefZoomY);
        return;
    }
    if (m_bZoomX && m_nZoomX > 10) m_nZoomX -= 10;
    if (m_bZoomY && m_nZoomY > 10) m_nZoomY -= 5;
}

void WaveChartData::setScrolling(bool scroll) {
    m_bScroll = scroll;
    if (!scroll) m_nStart = 0;
}

int WaveChartData::displayCount() const {
    int count = 0;
    forEachDisplayed([&](int) { ++count; });
    return count;
}

int WaveChartData::traceIndices(int* out) const {
    int count = 0;
    forEachDisplayed([&](int i) { out[count++] = i; });
    if (count == 0) {
        out[0] = std::clamp(m_nStart, 0, WAVE_MAX_POINTS - 1);
        count = 1;
    }
    return count;
}

int WaveChartData::moveDownOffset() const { return m_bMoveDown ? (4 * m_nBaseline0) / 5 : 0; }

PlotGeometry WaveChartData::plotGeometry(int width, int height) const {
    PlotGeometry geo;
    geo.mapping.setMapMode(MapMode::Anisotropic);
    geo.mapping.setWindowExt(m_sizeLogical.cx, m_sizeLogical.cy);
    geo.mapping.setViewportExt(m_nZoomX, m_nZoomY);
    // With both origins at 0: r = {0, 0, right edge, -Hl}.
    const Rect r = geo.mapping.dpToLp(Rect{0, 0, width, height});
    // One device pixel in logical units, vertically.
    const int s = geo.mapping.dpToLp(QSize(1, 1)).height();
    // Puts logical y = 0 on the bottom pixel row.
    geo.mapping.setWindowOrg(r.left, -(s + r.bottom));
    geo.logicalRect = geo.mapping.dpToLp(Rect{0, 0, width, height});
    geo.logicalHeight = r.top - r.bottom;
    geo.bandHeight = geo.logicalHeight / (m_nChannels == 2 || m_nChannels == 3 ? m_nChannels : 1);
    geo.moveDown = moveDownOffset();
    return geo;
}

}  // namespace velmora
