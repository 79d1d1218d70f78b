// The chart's ring, capacity, compaction and baseline without a window, and mulDiv.
#include "chart/wavechartdata.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using velmora::WaveChartData;

namespace {

WaveChartData sized(int width, int zoomX = 100, bool scroll = false) {
    WaveChartData data;
    data.m_nZoomX = zoomX;
    data.m_bScroll = scroll;
    data.m_rcClient = {0, 0, width, 100};
    data.fitCapacity();
    return data;
}

// Stores v, v+1, v+2 on channels 0..2 and v+3 on the aux trace for v in first..last-1;
// returns how many times the ring started over.
int feed(WaveChartData& data, int first, int last) {
    int restarts = 0;
    for (int v = first; v < last; ++v) restarts += data.storeSample(v, v + 1, v + 2, v + 3);
    return restarts;
}

// The displayed values of channel k (3: the aux trace) less k, oldest first.
std::vector<int> displayed(const WaveChartData& data, int k = 0) {
    std::vector<int> index(velmora::WAVE_MAX_POINTS), values;
    data.traceIndices(index.data());
    for (int i = 0; i < data.displayCount(); ++i)
        values.push_back((k < 3 ? data.m_wData[k] : data.m_wAux)[index[i]] - k);
    return values;
}

std::vector<int> range(int first, int last) {
    std::vector<int> v(last - first);
    std::iota(v.begin(), v.end(), first);
    return v;
}

}  // namespace

TEST(WaveChartData, CapacityFollowsWidthAndZoomAndFallsBackTo2048) {
    // {width, X zoom, capacity}: 387.5 truncates; 7740, 0 and 0.5 do not fit.
    const int cases[][3] = {
        {774, 100, 774}, {775, 200, 387}, {774, 10, 2048}, {0, 100, 2048}, {1, 200, 2048}};
    for (const auto& [w, zoom, cap] : cases)
        EXPECT_EQ(sized(w, zoom).m_nCapacity, cap) << w << " " << zoom;
}

TEST(WaveChartData, FullRingStartsANewPageOrDropsTheOldestWhenScrolling) {
    WaveChartData page = sized(774), scroll = sized(774, 100, true);
    EXPECT_EQ(feed(page, 0, 774) + feed(scroll, 0, 774), 0);
    EXPECT_EQ(feed(page, 774, 775), 1);
    EXPECT_EQ(displayed(page), std::vector<int>{774});  // a page holding only the new sample
    EXPECT_EQ(feed(scroll, 774, 775), 1);
    EXPECT_EQ(displayed(scroll), range(1, 775));
    feed(scroll, 775, 1775);
    EXPECT_EQ(displayed(scroll), range(1775 - 774, 1775));
}

TEST(WaveChartData, CompactionKeepsThePageStartOrTheScrollingEnd) {
    // Samples 0..stored-1 on a plot `before` pixels wide, refitted to `after`: the values
    // displayed then (kept), and the first displayed after one more sample (next).
    const int cases[][7] = {
        // scroll, before, stored, after, kept first, kept last + 1, next first
        {0, 1000, 500, 450, 0, 450, 500},   // the page keeps its start; then a new page
        {1, 1000, 500, 450, 50, 500, 51},   // the trace keeps its end and goes on
        {1, 300, 420, 200, 220, 420, 221},  // wrapped before (start 120, write 120)
        {1, 300, 420, 400, 120, 420, 120},  // wider: nothing dropped
    };
    for (const auto& [scroll, before, stored, after, keptFirst, keptEnd, nextFirst] : cases) {
        SCOPED_TRACE(testing::Message() << scroll << " " << before << " -> " << after);
        WaveChartData data = sized(before, 100, scroll);
        feed(data, 0, stored);
        data.m_rcClient = {0, 0, after, 100};
        data.fitCapacity();
        EXPECT_EQ(displayed(data), range(keptFirst, keptEnd));
        for (int k = 1; k < 4; ++k) EXPECT_EQ(displayed(data, k), displayed(data)) << k;
        feed(data, stored, stored + 1);
        EXPECT_EQ(displayed(data), range(nextFirst, stored + 1));
    }
}

TEST(WaveChartData, BaselineAveragesWhatIsDisplayedAndClearForgetsOnlyBaselineZero) {
    WaveChartData data = sized(774);
    for (int v : {10, 11, 13}) data.storeSample(v, 100 * v, 0, 0);
    EXPECT_EQ(data.averageBaselines(), 11);  // 34 / 3 truncated
    EXPECT_EQ(data.moveDownOffset(), 8);     // 4/5 of 11, truncated
    data.clear();
    EXPECT_EQ(data.displayCount(), 0);
    EXPECT_EQ(data.m_nBaseline0, -1);
    EXPECT_EQ(data.m_nBaseline1, 1133);
    EXPECT_EQ(data.averageBaselines(), 0);  // an empty ring averages its zeroed start entry

    WaveChartData scroll = sized(4, 100, true);  // a wrapped ring: only what is shown
    for (int v : {1000, 1000, 8, 8, 8, 8}) scroll.storeSample(v, 0, 0, 0);
    EXPECT_EQ(scroll.averageBaselines(), 8);
}

TEST(Mapping, MulDivRoundsHalfAwayFromZeroAndFailsWithMinusOne) {
    // {number, numerator, denominator, result}: the product may exceed 32 bits, the result
    // not; a zero divisor fails too.
    const int cases[][4] = {{1, 100, 200, 1},      {-1, 100, 200, -1},
                            {5, 1, -2, -3},        {65536, 65536, 65536, 65536},
                            {65536, 65536, 1, -1}, {7, 3, 0, -1}};
    for (const auto& [n, a, b, r] : cases)
        EXPECT_EQ(velmora::mulDiv(n, a, b), r) << n << " " << a << " " << b;
}
