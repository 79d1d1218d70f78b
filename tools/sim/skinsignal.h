// A synthetic skin-conductance trace in the sensor's raw units: a slowly drifting tonic level,
// phasic responses (a rise of about a second and a decay over a few seconds) at random
// intervals, and a little measurement noise. Deterministic for a given seed and rate.
//
// The level sits around 1000 raw units and stays below about 2000: the band the waveform
// chart shows at its start-up zoom (about five units per pixel over the plot's height), so a
// live demonstration shows the trace without touching the zoom.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace velmora::sim {

class SkinSignal {
public:
    // Band the tonic level stays in; responses ride on top of it.
    static constexpr double kTonicLow = 700;
    static constexpr double kTonicHigh = 1300;

    // sampleRate: samples per second of simulated time (values <= 0 mean 200).
    explicit SkinSignal(std::uint32_t seed, double sampleRate);

    // The next raw sample.
    std::uint16_t next();
    // Seconds of simulated time covered so far.
    double time() const { return m_t; }
    // Number of phasic responses started so far.
    int responsesStarted() const { return m_responseCount; }

private:
    struct Response {
        double onset;
        double amplitude;
    };

    void scheduleNextResponse();

    std::mt19937 m_rng;
    std::normal_distribution<double> m_gauss{0.0, 1.0};
    double m_dt;
    double m_t = 0;
    double m_tonic;
    double m_nextOnset = 0;
    std::vector<Response> m_active;
    int m_responseCount = 0;
};

}  // namespace velmora::sim
