// The plot's own rasteriser. The waveform's traces are polylines whose x never decreases,
// so each covers one unbroken run of pixels in every device column it crosses: a trace of
// thousands of samples is at most one run per column, however many samples share a column
// and however far each one jumps. The plot is composed row by row into a small band image
// (field colour, horizontal lines, then the traces in order; a row of a trace is one pass
// over the columns' runs, which the compiler turns into vector code) and each band is drawn
// with one image copy (or composed in place in the painter's image), so a paint costs a few
// operations per pixel, whatever the signal.
#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>

#include <vector>

class QPainter;

namespace velmora {

// The pixels of one x-monotonic polyline, one pixel wide, inside a clip rectangle.
class ColumnSpans {
public:
    struct Run {
        int top;  // rows top..bottom are covered; none where top > bottom
        int bottom;
    };

    // Starts a polyline drawn inside `clip` (device pixels); forgets the previous one.
    void begin(const QRect& clip);
    // Adds the segment from (x0, y0) to (x1, y1), both end pixels included; x0 <= x1, and
    // (x0, y0) is the previous segment's end. In each column a steep segment covers the rows
    // whose line position rounds (half up) to that column, a shallow one the row nearest the
    // line.
    void addSegment(int x0, int y0, int x1, int y1);
    // The covered rows of a column inside the clip.
    Run run(int column) const {
        const auto i = static_cast<std::size_t>(column - m_clip.left());
        return {m_top[i], m_bottom[i]};
    }

private:
    friend class PlotRaster;
    QRect m_clip;
    std::vector<int> m_top;  // per clip column, from the clip's left: top > bottom where none
    std::vector<int> m_bottom;
    int m_firstRow = 0;  // the rows holding any covered pixel; none where first > last
    int m_lastRow = -1;
};

// One paint of a rectangle of the plot: the field, then horizontal lines, then traces, each
// over what came before.
class PlotRaster {
public:
    // Starts a paint of `area` (device pixels) filled with `field`.
    void begin(const QRect& area, QRgb field);
    // A horizontal line from column x0 to x1 on row y.
    void addLine(int y, int x0, int x1, QRgb color);
    // A trace in `color`: add its segments to the spans returned, which are clipped to the area.
    ColumnSpans& addTrace(QRgb color);
    // Draws the area with `dc` at the area's own position.
    void paint(QPainter* dc);

private:
    static constexpr int kBandRows = 32;  // a band of a wide plot stays within the L2 cache
    struct Line {
        int y, x0, x1;
        QRgb color;
    };
    struct Trace {
        ColumnSpans spans;
        QRgb color;
    };
    // The painter's image pixel of the area's top-left corner, where the area can be composed
    // in place; null where the bands must be drawn as images.
    QRgb* inPlaceTarget(QPainter* dc, qsizetype* stride) const;
    // Rows y0 .. y0 + rows - 1 of the area into `bits` (the band's top-left pixel).
    void composeBand(QRgb* bits, qsizetype stride, int y0, int rows) const;

    QRect m_area;
    QRgb m_field = 0;
    std::vector<Line> m_lines;
    std::vector<Trace> m_traces;  // kept with their spans' storage from paint to paint
    int m_nTraces = 0;
    QImage m_band;
};

}  // namespace velmora
