#include "tools/sim/Seabed.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

Seabed::Seabed(const Config& config, std::uint64_t randomStart) : m_config(config) {
    m_config.depthMin = std::clamp(m_config.depthMin, 1.0, 200.0);
    m_config.depthMax = std::clamp(m_config.depthMax, m_config.depthMin, 200.0);
    std::mt19937_64 random(randomStart ^ 0x5EABEDull);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    // A slope over kilometres, then undulations of a few hundred metres.
    constexpr double kAmplitude[4] = {0.45, 0.25, 0.2, 0.1};
    constexpr double kShortest[4] = {3000.0, 200.0, 300.0, 500.0};
    for (std::size_t i = 0; i < m_waves.size(); ++i) {
        const double direction = unit(random) * kTwoPi;
        const double wavelength = kShortest[i] * (1.0 + unit(random));
        m_waves[i].amplitude = kAmplitude[i];
        m_waves[i].kx = std::cos(direction) * kTwoPi / wavelength;
        m_waves[i].ky = std::sin(direction) * kTwoPi / wavelength;
        m_waves[i].phase = unit(random) * kTwoPi;
    }
}

double Seabed::Depth(double east, double north) const {
    double shape = 0.0;
    for (const Wave& w : m_waves)
        shape += w.amplitude * std::sin(w.kx * east + w.ky * north + w.phase);
    const double mid = (m_config.depthMin + m_config.depthMax) / 2.0;
    const double half = (m_config.depthMax - m_config.depthMin) / 2.0;
    return std::clamp(mid + half * shape, m_config.depthMin, m_config.depthMax);
}
