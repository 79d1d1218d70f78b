// The chart's sample ring, its compaction and the baseline, without a window.
#include "chart/wavechartdata.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

// The displayed values of channel k (3: the aux trace) less k, oldest first.
std::vector<int> displayed(const velmora::WaveChartData& data, int k = 0) {
    std::vector<int> index(velmora::WAVE_MAX_POINTS), values;
    data.traceIndices(index.data());
    for (int i = 0; i < data.displayCount(); ++i)
        values.push_back((k < 3 ? data.m_wData[k] : data.m_wAux)[index[i]] - k);
    return values;
}

std::vector<int> range(int first, int end) {
    std::vector<int> v(end - first);
    std::iota(v.begin(), v.end(), first);
    return v;
}

}  // namespace

TEST(WaveChartData, ARefitKeepsThePageStartOrTheScrollingEndAndTheBaselineIsTheirMean) {
    // {scroll, before, stored, after, first, end, next}: samples v = 0..stored-1 (v + k on
    // channel k, the aux trace as channel 3) on a plot `before` pixels wide, refitted to `after`,
    // show first..end-1, their mean the baseline; after one more sample they start at `next`.
    const int cases[][7] = {
        {1, 774, 1775, 774, 1001, 1775, 1002},  // full: the oldest dropped
        {0, 1000, 500, 450, 0, 450, 500},       // the page keeps its start; then a new page
        {1, 1000, 500, 450, 50, 500, 51},       // the trace keeps its end and goes on
        {1, 300, 420, 200, 220, 420, 221},      // wrapped before (start 120, write 120)
        {1, 300, 420, 400, 120, 420, 120},      // wider: nothing dropped
    };
    for (const auto& [scroll, before, stored, after, first, end, next] : cases) {
        SCOPED_TRACE(testing::Message() << scroll << " " << before << " -> " << after);
        velmora::WaveChartData data;
        data.m_bScroll = scroll;
        data.m_rcClient = {0, 0, before, 100};
        data.fitCapacity();
        for (int v = 0; v < stored; ++v) data.storeSample(v, v + 1, v + 2, v + 3);
        data.m_rcClient = {0, 0, after, 100};
        data.fitCapacity();
        for (int k = 0; k < 4; ++k) EXPECT_EQ(displayed(data, k), range(first, end)) << k;
        const int mean = (first + end - 1) / 2;  // truncated, as is the move-down by 4/5
        EXPECT_EQ(data.averageBaselines(), mean);
        EXPECT_EQ(data.moveDownOffset(), mean * 4 / 5);
        data.storeSample(stored, stored + 1, stored + 2, stored + 3);
        EXPECT_EQ(displayed(data), range(next, stored + 1));
    }
}
