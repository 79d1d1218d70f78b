// The realistic signal: stays in its band, shows phasic responses, is smooth apart from small
// noise, and is reproducible from its seed.
#include "tools/sim/skinsignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora::sim {
namespace {

std::vector<std::uint16_t> take(SkinSignal& s, std::size_t n) {
    std::vector<std::uint16_t> v(n);
    for (auto& x : v) x = s.next();
    return v;
}

TEST(SkinSignal, TenMinutesStayInAPlausibleBandWithResponses) {
    constexpr double rate = 50;
    SkinSignal s(7, rate);
    const auto v = take(s, static_cast<std::size_t>(600 * rate));
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    // Inside what the chart shows at its start-up zoom, and not a flat line.
    EXPECT_GE(*lo, 500);
    EXPECT_LE(*hi, 2000);
    EXPECT_GT(*hi - *lo, 200);
    EXPECT_NEAR(s.time(), 600.0, 0.01);

    // Responses every few seconds on average; count rises of at least 50 units within 2 s,
    // each counted once (skip past a found rise).
    int rises = 0;
    const std::size_t window = static_cast<std::size_t>(2 * rate);
    for (std::size_t i = 0; i + window < v.size();) {
        const auto peak = *std::max_element(v.begin() + static_cast<long>(i),
                                            v.begin() + static_cast<long>(i + window));
        if (peak > v[i] + 50) {
            ++rises;
            i += window;
        } else {
            ++i;
        }
    }
    EXPECT_GE(s.responsesStarted(), 40);
    EXPECT_LE(s.responsesStarted(), 200);
    EXPECT_GE(rises, 30);
}

TEST(SkinSignal, SmallNoiseAndReproducibleFromTheSeed) {
    SkinSignal s(3, 200);
    const auto v = take(s, 200 * 60);
    double sq = 0;
    int maxStep = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        const int step = int(v[i]) - int(v[i - 1]);
        sq += double(step) * step;
        maxStep = std::max(maxStep, std::abs(step));
    }
    const double rms = std::sqrt(sq / double(v.size() - 1));
    EXPECT_LT(rms, 8.0);
    EXPECT_GT(rms, 1.0);  // there is some noise
    EXPECT_LT(maxStep, 40);

    SkinSignal same(3, 200), other(4, 200);
    EXPECT_EQ(take(same, v.size()), v);
    EXPECT_NE(take(other, v.size()), v);
}

}  // namespace
}  // namespace velmora::sim
