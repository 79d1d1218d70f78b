#include "skinsignal.h"

#include <algorithm>
#include <cmath>

namespace velmora::sim {

namespace {

// Tonic level: mean-reverting random walk around the middle of its band.
constexpr double kTonicMean = (SkinSignal::kTonicLow + SkinSignal::kTonicHigh) / 2;
constexpr double kTonicTau = 120.0;   // seconds to drift back towards the mean
constexpr double kTonicSpread = 8.0;  // random-walk step per sqrt(second)

// Phasic response: difference of two exponentials, peak normalised to the amplitude.
constexpr double kRiseTau = 0.7;
constexpr double kDecayTau = 2.5;
constexpr double kResponseLife = 8 * kDecayTau;
constexpr double kMeanInterval = 7.0;  // seconds between response onsets, on average
constexpr double kMinInterval = 1.5;

constexpr double kNoise = 3.0;  // raw units, one standard deviation

double responseShape(double t) {
    // Peak of exp(-t/d) - exp(-t/r) is at t* = ln(d/r) * r * d / (d - r).
    static const double peakTime =
        std::log(kDecayTau / kRiseTau) * kRiseTau * kDecayTau / (kDecayTau - kRiseTau);
    static const double peak = std::exp(-peakTime / kDecayTau) - std::exp(-peakTime / kRiseTau);
    if (t <= 0) return 0;
    return (std::exp(-t / kDecayTau) - std::exp(-t / kRiseTau)) / peak;
}

}  // namespace

SkinSignal::SkinSignal(std::uint32_t seed, double sampleRate)
    : m_rng(seed), m_dt(1.0 / (sampleRate > 0 ? sampleRate : 200.0)) {
    std::uniform_real_distribution<double> start(kTonicMean - 120, kTonicMean + 120);
    m_tonic = start(m_rng);
    // The first response comes soon, so a short demo shows one.
    std::uniform_real_distribution<double> first(0.5, 3.0);
    m_nextOnset = first(m_rng);
}

void SkinSignal::scheduleNextResponse() {
    std::exponential_distribution<double> gap(1.0 / (kMeanInterval - kMinInterval));
    m_nextOnset = m_t + kMinInterval + gap(m_rng);
}

std::uint16_t SkinSignal::next() {
    m_tonic +=
        (kTonicMean - m_tonic) * m_dt / kTonicTau + kTonicSpread * std::sqrt(m_dt) * m_gauss(m_rng);
    // Reflect at the band edges so the drift never leaves it.
    if (m_tonic < kTonicLow) m_tonic = 2 * kTonicLow - m_tonic;
    if (m_tonic > kTonicHigh) m_tonic = 2 * kTonicHigh - m_tonic;

    if (m_t >= m_nextOnset) {
        std::uniform_real_distribution<double> amp(60.0, 400.0);
        m_active.push_back({m_t, amp(m_rng)});
        ++m_responseCount;
        scheduleNextResponse();
    }
    double phasic = 0;
    for (const Response& r : m_active) phasic += r.amplitude * responseShape(m_t - r.onset);
    std::erase_if(m_active, [this](const Response& r) { return m_t - r.onset > kResponseLife; });

    const double value = m_tonic + phasic + kNoise * m_gauss(m_rng);
    m_t += m_dt;
    return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 65535L));
}

}  // namespace velmora::sim
