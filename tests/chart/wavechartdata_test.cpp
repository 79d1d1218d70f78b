// The chart's ring, capacity, compaction, baseline and plot geometry, without a window.
#include "chart/wavechartdata.h"

#include <gtest/gtest.h>

#include <vector>

using velmora::Rect;
using velmora::WAVE_MAX_POINTS;
using velmora::WaveChartData;

namespace {

// A chart state sized like a plot `width` pixels wide at X zoom `zoomX`.
WaveChartData sized(int width, int zoomX = 100, bool scroll = false) {
    WaveChartData data;
    data.m_nZoomX = zoomX;
    data.m_bScroll = scroll;
    data.m_rcClient = Rect{0, 0, width, 100};
    data.recalcCapacity();
    return data;
}

// Stores samples first..last-1, each value on channel 0, value+1 on channel 1,
// value+2 on channel 2 and value+3 on the auxiliary trace.
void feed(WaveChartData& data, int first, int last) {
    for (int v = first; v < last; ++v)
        data.storeSample(static_cast<std::uint16_t>(v), static_cast<std::uint16_t>(v + 1),
                         static_cast<std::uint16_t>(v + 2), static_cast<std::uint16_t>(v + 3));
}

// Channel-0 values of the display sequence, oldest first.
std::vector<int> displayed(const WaveChartData& data) {
    std::vector<int> index(WAVE_MAX_POINTS);
    const int n = data.displayCount();
    data.traceIndices(index.data());
    std::vector<int> values;
    for (int i = 0; i < n; ++i) values.push_back(data.m_wData[0][index[i]]);
    return values;
}

std::vector<int> range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i < last; ++i) v.push_back(i);
    return v;
}

}  // namespace

TEST(WaveChartCapacity, FollowsWidthAndZoomAndFallsBackTo2048) {
    EXPECT_EQ(sized(774).m_nCapacity, 774);
    EXPECT_EQ(sized(774, 200).m_nCapacity, 387);
    EXPECT_EQ(sized(775, 200).m_nCapacity, 387);  // truncated
    EXPECT_EQ(sized(774, 10).m_nCapacity, 2048);  // 7740 does not fit
    EXPECT_EQ(sized(0).m_nCapacity, 2048);        // nothing fits
    EXPECT_EQ(sized(1, 200).m_nCapacity, 2048);   // 0.5 truncates to 0
    EXPECT_EQ(sized(2048).m_nCapacity, 2048);
    EXPECT_EQ(sized(2049).m_nCapacity, 2048);
}

TEST(WaveChartRing, PageTurningFillsAPageAndStartsANewOne) {
    WaveChartData data = sized(774);
    EXPECT_FALSE(data.storeSample(0, 8, 9, 10));
    EXPECT_EQ(data.m_nWrite, 1);
    EXPECT_EQ(data.m_wData[0][0], 0);
    EXPECT_EQ(data.m_wData[1][0], 8);
    EXPECT_EQ(data.m_wData[2][0], 9);
    EXPECT_EQ(data.m_wAux[0], 10);
    EXPECT_EQ(data.stripX(), 1);

    feed(data, 1, 774);
    EXPECT_EQ(data.m_nWrite, 774);
    EXPECT_EQ(data.m_nStart, 0);
    EXPECT_EQ(displayed(data), range(0, 774));

    // Sample 775 opens a new page that holds only itself.
    EXPECT_TRUE(data.storeSample(774, 0, 0, 0));
    EXPECT_EQ(data.m_nWrite, 1);
    EXPECT_EQ(data.m_nStart, 0);
    EXPECT_EQ(displayed(data), std::vector<int>{774});
    EXPECT_EQ(data.m_wData[0][1], 1);  // the old page's entries remain, undisplayed
}

TEST(WaveChartRing, ScrollingOverwritesTheOldestSample) {
    WaveChartData data = sized(774, 100, true);
    feed(data, 0, 774);
    EXPECT_EQ(displayed(data), range(0, 774));

    EXPECT_TRUE(data.storeSample(774, 0, 0, 0));  // sample 775
    EXPECT_EQ(data.m_nStart, 1);
    EXPECT_EQ(data.m_nWrite, 1);
    EXPECT_EQ(displayed(data), range(1, 775));

    // From here each sample drops the oldest: start follows write, and the write index
    // wraps once per 774 samples.
    int wraps = 0;
    for (int v = 775; v < 775 + 1000; ++v) {
        wraps += data.storeSample(static_cast<std::uint16_t>(v), 0, 0, 0) ? 1 : 0;
        ASSERT_EQ(data.m_nStart, data.m_nWrite % data.m_nCapacity) << "after sample " << v;
    }
    EXPECT_EQ(wraps, 1);
    EXPECT_EQ(displayed(data), range(1775 - 774, 1775));
}

TEST(WaveChartRing, IndexOutsideTheRingRestartsAtZero) {
    WaveChartData data = sized(100);
    data.m_nWrite = 5000;
    EXPECT_TRUE(data.storeSample(1, 2, 3, 4));
    EXPECT_EQ(data.m_nWrite, 1);
    data.m_nWrite = -3;
    EXPECT_TRUE(data.storeSample(5, 6, 7, 8));
    EXPECT_EQ(data.m_nWrite, 1);
    EXPECT_EQ(data.m_wData[0][0], 5);
}

TEST(WaveChartCompaction, KeepsTheOldestWhenTheCapacityShrinks) {
    WaveChartData data = sized(1000);
    feed(data, 0, 500);
    data.m_rcClient = Rect{0, 0, 450, 100};
    EXPECT_EQ(data.recalcCapacity(), 450);
    EXPECT_EQ(data.m_nWrite, 450);
    EXPECT_EQ(data.m_nStart, 0);
    EXPECT_EQ(displayed(data), range(0, 450));
    // All four traces moved alike.
    EXPECT_EQ(data.m_wData[1][449], 450);
    EXPECT_EQ(data.m_wData[2][449], 451);
    EXPECT_EQ(data.m_wAux[449], 452);
    // The next sample starts a new page.
    EXPECT_TRUE(data.storeSample(9, 9, 9, 9));
    EXPECT_EQ(data.m_nWrite, 1);
}

TEST(WaveChartCompaction, WrappedScrollingRingComesBackInDisplayOrder) {
    WaveChartData data = sized(300, 100, true);
    feed(data, 0, 300 + 120);  // wrapped: start 120, write 120
    ASSERT_EQ(data.m_nStart, 120);
    ASSERT_EQ(data.m_nWrite, 120);

    // Growing keeps all of them, oldest at index 0.
    data.m_rcClient = Rect{0, 0, 400, 100};
    EXPECT_EQ(data.recalcCapacity(), 400);
    EXPECT_EQ(data.m_nStart, 0);
    EXPECT_EQ(data.m_nWrite, 300);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(data.m_wData[0][i], 120 + i) << i;
    for (int i = 0; i < 300; ++i) ASSERT_EQ(data.m_wAux[i], 123 + i) << i;

    // Later samples continue the ring normally.
    feed(data, 420, 520);
    EXPECT_EQ(displayed(data), range(120, 520));
    feed(data, 520, 521);
    EXPECT_EQ(data.m_nStart, 1);
    EXPECT_EQ(displayed(data), range(121, 521));

    // Shrinking a wrapped ring keeps the oldest part of the display sequence.
    data.m_rcClient = Rect{0, 0, 50, 100};
    EXPECT_EQ(data.recalcCapacity(), 50);
    EXPECT_EQ(displayed(data), range(121, 171));
}

TEST(WaveChartCompaction, EmptyRingStaysEmpty) {
    WaveChartData data = sized(774);
    data.m_rcClient = Rect{0, 0, 100, 100};
    EXPECT_EQ(data.recalcCapacity(), 100);
    EXPECT_EQ(data.m_nWrite, 0);
    EXPECT_EQ(data.displayCount(), 0);
}

TEST(WaveChartBaseline, AveragesTheDisplayedSamplesOfChannelsZeroAndOne) {
    WaveChartData data = sized(774);
    data.storeSample(10, 100, 0, 0);
    data.storeSample(11, 200, 0, 0);
    data.storeSample(13, 301, 0, 0);
    EXPECT_EQ(data.calcBaseline(), 11);  // 34 / 3 truncated
    EXPECT_EQ(data.m_nBaseline0, 11);
    EXPECT_EQ(data.m_nBaseline1, 200);   // 601 / 3 truncated

    // Large values over a full ring do not overflow.
    WaveChartData full = sized(10, 10);
    for (int i = 0; i < WAVE_MAX_POINTS; ++i) full.storeSample(65535, 65534, 0, 0);
    EXPECT_EQ(full.calcBaseline(), 65535);
    EXPECT_EQ(full.m_nBaseline1, 65534);

    // A wrapped scrolling ring averages only what is shown.
    WaveChartData scroll = sized(4, 100, true);
    for (int v : {1000, 1000, 8, 8, 8, 8}) scroll.storeSample(static_cast<std::uint16_t>(v), 0, 0, 0);
    EXPECT_EQ(scroll.calcBaseline(), 8);
}

TEST(WaveChartBaseline, EmptyChartAveragesTheEntryAtTheStart) {
    WaveChartData data = sized(774);
    data.clearData();
    EXPECT_EQ(data.calcBaseline(), 0);
    EXPECT_EQ(data.m_nBaseline1, 0);

    // Without a clear, the stale entry at the start index is what counts.
    WaveChartData stale = sized(774);
    stale.m_wData[0][0] = 40;
    stale.m_wData[1][0] = 41;
    EXPECT_EQ(stale.calcBaseline(), 40);
    EXPECT_EQ(stale.m_nBaseline1, 41);
}

TEST(WaveChartClear, EmptiesTheRingAndForgetsBaselineZeroOnly) {
    WaveChartData data = sized(774, 100, true);
    feed(data, 1, 900);
    data.calcBaseline();
    data.m_bShowAux = true;
    data.m_nChannels = 2;
    data.m_bMoveDown = false;
    const int baseline1 = data.m_nBaseline1;
    data.clearData();
    EXPECT_EQ(data.m_nStart, 0);
    EXPECT_EQ(data.m_nWrite, 0);
    EXPECT_EQ(data.m_nBaseline0, -1);
    EXPECT_EQ(data.m_nBaseline1, baseline1);
    EXPECT_FALSE(data.m_bShowAux);
    EXPECT_EQ(data.m_nChannels, 2);
    EXPECT_FALSE(data.m_bMoveDown);
    EXPECT_EQ(data.m_nCapacity, 774);
    for (int i = 0; i < WAVE_MAX_POINTS; ++i) {
        ASSERT_EQ(data.m_wData[0][i] | data.m_wData[1][i] | data.m_wData[2][i] | data.m_wAux[i], 0)
            << i;
    }
}

TEST(WaveChartGeometry, MapsSampleUnitsOntoPixelRows) {
    WaveChartData data;
    data.m_nZoomY = 20;
    const velmora::PlotGeometry geo = data.plotGeometry(774, 100);
    EXPECT_EQ(geo.logicalHeight, 500);
    EXPECT_EQ(geo.mapping.lpToDpY(0), 99);
    EXPECT_EQ(geo.mapping.lpToDpY(495), 0);
    EXPECT_EQ(geo.mapping.lpToDpY(5), 98);
    EXPECT_LT(geo.mapping.lpToDpY(500), 0);   // above the plot
    EXPECT_GT(geo.mapping.lpToDpY(-5), 99);   // below it
    EXPECT_EQ(geo.logicalRect.right, 774);
    EXPECT_EQ(geo.logicalRect.top - geo.logicalRect.bottom, 500);

    // At 200 % one sample unit is half a pixel and one sample takes two columns.
    data.m_nZoomX = 200;
    data.m_nZoomY = 200;
    const velmora::PlotGeometry zoomed = data.plotGeometry(100, 100);
    EXPECT_EQ(zoomed.logicalHeight, 50);
    // One pixel is half a unit, which rounds up to s = 1: the origin lies one unit (two
    // rows) above the bottom edge instead of one row, so value 0 lands on row 98.
    EXPECT_EQ(zoomed.mapping.lpToDpY(0), 98);
    EXPECT_EQ(zoomed.mapping.lpToDpY(49), 0);
    EXPECT_EQ(zoomed.mapping.lpToDpX(3), 6);
    EXPECT_EQ(zoomed.logicalRect.right, 50);

    // The move-down offset truncates toward zero; no baseline means no offset.
    data.m_nBaseline0 = -1;
    EXPECT_EQ(data.moveDownOffset(), 0);
    data.m_nBaseline0 = 9;
    EXPECT_EQ(data.moveDownOffset(), 7);
    data.m_bMoveDown = false;
    EXPECT_EQ(data.moveDownOffset(), 0);
}
