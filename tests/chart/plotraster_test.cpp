// The rasteriser: its column runs against a plain definition of a polyline's pixels, and its
// paint into an image.
#include "chart/plotraster.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>

TEST(ColumnSpans, EachColumnHoldsExactlyThePolylinesPixelsAsOneRun) {
    std::mt19937 random(7);
    const int heights[] = {3, 60, 2000, 5'000'000};  // far beyond the clip, as at high Y zoom
    for (int trial = 0; trial < 300; ++trial) {
        const QRect clip(10 + trial % 7, 5, 40 + trial % 30, 50);
        std::map<int, std::set<int>> expected;  // the rows of each column inside the clip
        const auto add = [&](long long x, long long y) {
            if (clip.contains(int(x), int(y))) expected[int(x)].insert(int(y));
        };
        velmora::ColumnSpans spans;
        spans.begin(clip);
        int x = int(random() % 20), y = int(random() % 60);
        for (int s = 0, nx, ny; s < 40; ++s, x = nx, y = ny) {
            nx = x + int(random() % 6);
            ny = int(random() % (2 * heights[trial % 4])) - heights[trial % 4] / 2;
            spans.addSegment(x, y, nx, ny);
            // The plain definition: a steep segment row by row, a shallow one column by column,
            // the other coordinate rounded half up.
            const long long dx = nx - x, ady = std::llabs(ny - y), sign = ny < y ? -1 : 1;
            if (dx == 0 || ady > dx) {
                for (int r = clip.top(); r <= clip.bottom(); ++r)  // k: rows from the start
                    if (const long long k = (r - y) * sign; k >= 0 && k <= ady)
                        add(x + (dx == 0 ? 0 : (2 * dx * k + ady) / (2 * ady)), r);
            } else {
                for (long long m = 0; m <= dx; ++m)
                    add(x + m, y + sign * ((2 * ady * m + dx) / (2 * dx)));
            }
        }
        for (int c = clip.left(); c <= clip.right(); ++c) {
            std::set<int> covered;
            for (int row = spans.run(c).top; row <= spans.run(c).bottom; ++row) covered.insert(row);
            EXPECT_EQ(covered, expected[c]) << "trial " << trial << " column " << c;
        }
    }
}

// Composed in place (a 32-bit image) or as drawn bands (any other format): the same pixels, at
// the painter's offset, and none outside a painter clip.
TEST(PlotRaster, ComposedInPlaceOrDrawnTheSamePixelsInsideTheClipOnly) {
    const auto paint = [](QImage::Format format, const QRect& clip) {
        QImage image(64, 90, format);
        image.fill(Qt::blue);
        QPainter painter(&image);
        painter.translate(5, 7);
        if (!clip.isNull()) painter.setClipRect(clip);
        velmora::PlotRaster raster;
        raster.begin(QRect(3, 2, 50, 70), qRgb(0, 0, 0));  // more than two bands of rows
        raster.addLine(40, 0, 100, qRgb(255, 0, 0));
        velmora::ColumnSpans& trace = raster.addTrace(qRgb(255, 255, 255));
        for (int x = 0; x < 60; x += 3) trace.addSegment(x, (x * 37) % 80, x + 3, (x * 53) % 80);
        raster.paint(&painter);
        painter.end();
        return image.convertToFormat(QImage::Format_RGB32);
    };
    const QImage drawn = paint(QImage::Format_RGB888, {});
    EXPECT_EQ(paint(QImage::Format_RGB32, {}), drawn);
    QImage inside = drawn.copy(15, 17, 20, 20), expected = drawn;
    expected.fill(Qt::blue);
    QPainter(&expected).drawImage(15, 17, inside);
    EXPECT_EQ(paint(QImage::Format_RGB32, {10, 10, 20, 20}), expected);
}
