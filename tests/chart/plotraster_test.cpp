#include "chart/plotraster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

namespace {

using velmora::ColumnSpans;

// The pixels of a segment found row by row (steep) or column by column (shallow), each
// step's other coordinate rounded half up: the plain definition the spans must match. Rows
// outside `rows` are skipped.
void referencePixels(int x0, int y0, int x1, int y1, const QRect& rows,
                     std::map<int, std::set<long long>>& out) {
    const long long dx = x1 - x0, dy = y1 - y0, ady = std::llabs(dy), sign = dy < 0 ? -1 : 1;
    if (dx == 0 || ady > dx) {
        const long long lo = sign > 0 ? rows.top() - y0 : y0 - rows.bottom();
        const long long hi = sign > 0 ? rows.bottom() - y0 : y0 - rows.top();
        for (long long k = std::max(0LL, lo); k <= std::min(ady, hi); ++k)
            out[static_cast<int>(x0 + (dx == 0 ? 0 : (2 * dx * k + ady) / (2 * ady)))].insert(
                y0 + sign * k);
    } else {
        for (long long m = 0; m <= dx; ++m)
            out[static_cast<int>(x0 + m)].insert(y0 + sign * ((2 * ady * m + dx) / (2 * dx)));
    }
}

TEST(ColumnSpans, EachColumnHoldsExactlyThePolylinesPixelsAsOneRun) {
    std::mt19937 random(7);
    const int heights[] = {3, 60, 2000, 5'000'000};  // far beyond the clip, as at high Y zoom
    for (int trial = 0; trial < 300; ++trial) {
        const int spread = heights[trial % 4];
        const QRect clip(10 + trial % 7, 5, 40 + trial % 30, 50);
        ColumnSpans spans;
        spans.begin(clip);
        std::map<int, std::set<long long>> expected;
        int x = static_cast<int>(random() % 20), y = static_cast<int>(random() % 60);
        for (int s = 0; s < 40; ++s) {
            const int nx = x + static_cast<int>(random() % 6);
            const int ny = static_cast<int>(random() % (2 * spread)) - spread / 2;
            spans.addSegment(x, y, nx, ny);
            referencePixels(x, y, nx, ny, clip, expected);
            x = nx;
            y = ny;
        }
        for (int c = clip.left(); c <= clip.right(); ++c) {
            std::set<long long> inClip;
            for (long long row : expected[c])
                if (row >= clip.top() && row <= clip.bottom()) inClip.insert(row);
            const ColumnSpans::Run run = spans.run(c);
            std::set<long long> covered;
            for (long long row = run.top; row <= run.bottom; ++row) covered.insert(row);
            EXPECT_EQ(covered, inClip) << "trial " << trial << " column " << c;
        }
    }
}

}  // namespace
