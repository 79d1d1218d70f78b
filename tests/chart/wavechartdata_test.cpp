// The chart's ring, capacity, compaction, baseline and plot geometry, without a window.
#include "chart/wavechartdata.h"

#include <gtest/gtest.h>

#include <vector>

using velmora::Rect;
using velmora::WAVE_MAX_POINTS;
using velmora::WaveChartData;

namespace {

WaveChartData sized(int width, int zoomX = 100, bool scroll = false) {
    WaveChartData data;
    data.m_nZoomX = zoomX;
    data.m_bScroll = scroll;
    data.m_rcClient = Rect{0, 0, width, 100};
    data.recalcCapacity();
    return data;
}

// Stores samples first..last-1: value v on channel 0, v+1, v+2 on channels 1, 2 and v+3 on
// the auxiliary trace. Returns how many times the ring started over.
int feed(WaveChartData& data, int first, int last) {
    int restarts = 0;
    for (int v = first; v < last; ++v) restarts += data.storeSample(v, v + 1, v + 2, v + 3) ? 1 : 0;
    return restarts;
}

// Channel-0 values of the display sequence, oldest first.
std::vector<int> displayed(const WaveChartData& data) {
    std::vector<int> index(WAVE_MAX_POINTS);
    data.traceIndices(index.data());
    std::vector<int> values;
    for (int i = 0; i < data.displayCount(); ++i) values.push_back(data.m_wData[0][index[i]]);
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
    EXPECT_EQ(sized(775, 200).m_nCapacity, 387);  // truncated
    EXPECT_EQ(sized(774, 10).m_nCapacity, 2048);  // 7740 does not fit
    EXPECT_EQ(sized(0).m_nCapacity, 2048);        // nothing fits
    EXPECT_EQ(sized(1, 200).m_nCapacity, 2048);   // 0.5 truncates to 0
    EXPECT_EQ(sized(2048).m_nCapacity, 2048);
}

TEST(WaveChartRing, PageTurningFillsAPageThenStartsANewOne) {
    WaveChartData data = sized(774);
    EXPECT_EQ(feed(data, 0, 1), 0);
    EXPECT_EQ(data.m_nWrite, 1);
    EXPECT_EQ(data.m_wAux[0], 3);
    EXPECT_EQ(data.stripX(), 1);

    EXPECT_EQ(feed(data, 1, 774), 0);
    EXPECT_EQ(displayed(data), range(0, 774));
    EXPECT_EQ(feed(data, 774, 775), 1);  // sample 775: a page holding only itself
    EXPECT_EQ(data.m_nStart, 0);
    EXPECT_EQ(displayed(data), std::vector<int>{774});

    data.m_nWrite = 5000;  // an index outside the ring also starts over
    EXPECT_EQ(feed(data, 9, 10), 1);
    EXPECT_EQ(data.m_nWrite, 1);
}

TEST(WaveChartRing, ScrollingOverwritesTheOldestSample) {
    WaveChartData data = sized(774, 100, true);
    feed(data, 0, 774);
    EXPECT_EQ(feed(data, 774, 775), 1);
    EXPECT_EQ(data.m_nStart, 1);
    EXPECT_EQ(data.m_nWrite, 1);
    EXPECT_EQ(displayed(data), range(1, 775));

    for (int v = 775; v < 1775; ++v) {
        feed(data, v, v + 1);
        ASSERT_EQ(data.m_nStart, data.m_nWrite % data.m_nCapacity) << "after sample " << v;
    }
    EXPECT_EQ(displayed(data), range(1775 - 774, 1775));
}

TEST(WaveChartCompaction, KeepsTheOldestWhenTheCapacityShrinks) {
    WaveChartData data = sized(1000);
    feed(data, 0, 500);
    data.m_rcClient = Rect{0, 0, 450, 100};
    EXPECT_EQ(data.recalcCapacity(), 450);
    EXPECT_EQ(data.m_nWrite, 450);
    EXPECT_EQ(displayed(data), range(0, 450));
    EXPECT_EQ(feed(data, 9, 10), 1);  // the next sample starts a new page
}

TEST(WaveChartCompaction, WrappedScrollingRingComesBackInDisplayOrder) {
    WaveChartData data = sized(300, 100, true);
    feed(data, 0, 420);  // wrapped: start 120, write 120
    ASSERT_EQ(data.m_nStart, 120);

    data.m_rcClient = Rect{0, 0, 400, 100};
    EXPECT_EQ(data.recalcCapacity(), 400);
    EXPECT_EQ(data.m_nStart, 0);
    EXPECT_EQ(data.m_nWrite, 300);
    for (int i = 0; i < 300; ++i) {  // all four traces moved alike
        ASSERT_EQ(data.m_wData[0][i], 120 + i) << i;
        ASSERT_EQ(data.m_wData[2][i], 122 + i) << i;
        ASSERT_EQ(data.m_wAux[i], 123 + i) << i;
    }

    // Later samples continue the ring normally.
    feed(data, 420, 521);
    EXPECT_EQ(data.m_nStart, 1);
    EXPECT_EQ(displayed(data), range(121, 521));

    // Shrinking a wrapped ring keeps the oldest part of the display sequence.
    data.m_rcClient = Rect{0, 0, 50, 100};
    data.recalcCapacity();
    EXPECT_EQ(displayed(data), range(121, 171));
}

TEST(WaveChartBaseline, AveragesWhatIsDisplayedOrTheEntryAtTheStart) {
    WaveChartData data = sized(774);
    data.storeSample(10, 100, 0, 0);
    data.storeSample(11, 200, 0, 0);
    data.storeSample(13, 301, 0, 0);
    EXPECT_EQ(data.calcBaseline(), 11);  // 34 / 3 truncated
    EXPECT_EQ(data.m_nBaseline1, 200);   // 601 / 3 truncated

    // A full ring of large values does not overflow.
    WaveChartData full = sized(10, 10);
    for (int i = 0; i < WAVE_MAX_POINTS; ++i) full.storeSample(65535, 65534, 0, 0);
    EXPECT_EQ(full.calcBaseline(), 65535);
    EXPECT_EQ(full.m_nBaseline1, 65534);

    // A wrapped scrolling ring averages only what is shown.
    WaveChartData scroll = sized(4, 100, true);
    for (int v : {1000, 1000, 8, 8, 8, 8}) scroll.storeSample(v, 0, 0, 0);
    EXPECT_EQ(scroll.calcBaseline(), 8);

    // An empty sequence takes the (stale) entry at the start index.
    WaveChartData stale = sized(774);
    stale.m_wData[0][0] = 40;
    stale.m_wData[1][0] = 41;
    EXPECT_EQ(stale.calcBaseline(), 40);
    EXPECT_EQ(stale.m_nBaseline1, 41);
}

TEST(WaveChartClear, EmptiesTheRingAndForgetsBaselineZeroAndTheAuxTraceOnly) {
    WaveChartData data = sized(774, 100, true);
    feed(data, 1, 900);
    data.calcBaseline();
    data.m_bShowAux = true;
    const int baseline1 = data.m_nBaseline1;
    data.clearData();
    EXPECT_EQ(data.m_nStart + data.m_nWrite, 0);
    EXPECT_EQ(data.m_nBaseline0, -1);
    EXPECT_EQ(data.m_nBaseline1, baseline1);
    EXPECT_FALSE(data.m_bShowAux);
    EXPECT_EQ(data.m_nCapacity, 774);
    for (int i = 0; i < WAVE_MAX_POINTS; ++i)
        ASSERT_EQ(data.m_wData[0][i] | data.m_wData[1][i] | data.m_wData[2][i] | data.m_wAux[i], 0);
}

TEST(WaveChartGeometry, MapsSampleUnitsOntoPixelRows) {
    // (20 % is checked on rendered pixels.) At 200 % a pixel is half a unit, which rounds
    // up to s = 1: the origin lies two rows above the bottom edge, so 0 lands on row 98.
    WaveChartData data;
    data.m_nZoomX = 200;
    data.m_nZoomY = 200;
    const velmora::PlotGeometry zoomed = data.plotGeometry(100, 100);
    EXPECT_EQ(zoomed.logicalHeight, 50);
    EXPECT_EQ(zoomed.mapping.lpToDpY(0), 98);
    EXPECT_EQ(zoomed.mapping.lpToDpY(49), 0);
    EXPECT_EQ(zoomed.mapping.lpToDpX(3), 6);

    // The move-down offset truncates toward zero; no baseline (-1) means no offset.
    EXPECT_EQ(data.moveDownOffset(), 0);
    data.m_nBaseline0 = 9;
    EXPECT_EQ(data.moveDownOffset(), 7);
}
