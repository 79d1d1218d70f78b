// State and pure logic of the waveform chart: the sample ring shared by four traces, its
// capacity and compaction, the baseline, the zoom rules and the plot geometry of the current
// zoom. No widget code here, so that the rules can be exercised directly.
#pragma once

#include "platform/mapping.h"

#include <array>
#include <cstdint>

namespace velmora {

inline constexpr int WAVE_MAX_POINTS = 2048;

// The zoom percentages accepted from the owner. They divide the capacity and the mapping
// extents and multiply sample positions and values, so they stay positive and small enough
// for none of those products to overflow.
inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 10000;

struct LogicalSize {
    int cx;
    int cy;
};

// Where the plot's logical coordinate system lies for a client area and zoom: logical x is
// the sample position, logical y is in sample units, 0 on the bottom pixel row, growing up.
// One paint pass computes it once and hands it to every drawing step.
struct PlotGeometry {
    Mapping mapping;    // ready for lpToDp of (position, value) pairs
    Rect logicalRect;   // the client rectangle in logical units (top > bottom)
    int logicalHeight;  // Lh: logicalRect.top - logicalRect.bottom
    int bandHeight;     // one stacked band: Lh / 2 or Lh / 3 with two or three bands, else Lh
    int moveDown;       // d: traces and baselines are drawn this many sample units lower
};

class WaveChartData {
public:
    // Members, in the chart's declaration order.
    int m_nChannels = 1;      // stacked bands drawn: 1, 2 or 3
    bool m_bShowAux = false;  // one-band layout: also draw the auxiliary trace
    int m_nBaseline0 = -1;    // baseline of channel 0 in sample units; -1: none
    int m_nBaseline1 = -1;    // baseline of channel 1 in sample units; -1: none
    bool m_bMoveDown = true;  // shift traces and baselines down by 4/5 of m_nBaseline0
    bool m_bZoomX = true;     // zoom steps act on X
    bool m_bZoomY = true;     // zoom steps act on Y
    bool m_bScroll = false;   // false: page-turning display; true: scrolling display
    int m_nStart = 0;         // ring index of the oldest displayed sample
    int m_nWrite = 0;         // ring index at which the next sample is stored
    const LogicalSize m_sizeLogical{100, -100};  // window extent of the plot mapping
    int m_nZoomX = 100;                          // X zoom in percent (viewport extent x)
    int m_nZoomY = 50;                           // Y zoom in percent (viewport extent y)
    const int m_nDefZoomX = 100;
    const int m_nDefZoomY = 50;
    Rect m_rcClient{};  // client rectangle in pixels, stored on every resize
    std::array<std::array<std::uint16_t, WAVE_MAX_POINTS>, 3> m_wData{};  // channels 0..2
    int m_nCapacity = 0;  // samples that fit across the plot; 1..2048 once sized
    std::array<std::uint16_t, WAVE_MAX_POINTS> m_wAux{};  // auxiliary trace

    // Stores one sample at the write position and advances the ring; in scrolling display
    // the oldest sample is overwritten once the ring is full. Returns true when the ring
    // started over at index 0 (a new page, or a wrap): the whole plot must be redrawn.
    bool storeSample(std::uint16_t wCh0, std::uint16_t wCh1, std::uint16_t wCh2,
                     std::uint16_t wAux);

    // Device x of the position after the newest sample, where the page-turning display
    // repaints a strip from x - 4 to x + 4.
    int stripX() const;

    // Recomputes the capacity from the client width and X zoom and moves the displayed
    // samples, oldest first, to indices 0..n-1. When fewer fit, the page-turning display
    // drops the newest and the scrolling display the oldest. Returns the capacity.
    int fitCapacity();

    // Sets both baselines to the means of the displayed channel-0 and channel-1 samples and
    // returns baseline 0.
    int averageBaselines();

    // Empties the ring and forgets baseline 0 and the auxiliary trace.
    void clear();

    // Sets the zoom of each axis whose value lies within kMinZoom..kMaxZoom; an axis given
    // any other value keeps its zoom.
    void zoomTo(int zoomX, int zoomY);
    // One zoom-in step on the axes switched on: X by 10 %, Y by 5 %, each while below twice
    // its window extent. Returns to the default zoom instead when `toDefault` is set or both
    // axes are at that limit.
    void stepZoomIn(bool toDefault);
    // One zoom-out step on the axes switched on: X by 10 %, Y by 5 %, each while above 10 %.
    // Returns to the default zoom instead when `toDefault` is set or both axes are at 10 %.
    void stepZoomOut(bool toDefault);

    // Switches between the scrolling and the page-turning display; the page-turning display
    // shows the entries from index 0 on.
    void setScrolling(bool scroll);

    // The number of entries in the display sequence.
    int displayCount() const;
    // Ring indices of the display sequence, oldest first, into `out` (room for 2048).
    // Returns the count; an empty sequence still yields m_nStart as the single pen start.
    int traceIndices(int* out) const;

    // The move-down offset d in sample units.
    int moveDownOffset() const;

    // The logical coordinate system over a client area of the given size.
    PlotGeometry plotGeometry(int width, int height) const;

private:
    template <typename Fn>
    void forEachDisplayed(Fn&& fn) const;
};

}  // namespace velmora
