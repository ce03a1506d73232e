#include "tools/sim/Sea.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kWindowTop[5][3] = {{0, 3, 6}, {0, 6, 12}, {0, 15, 30}, {0, 30, 60}, {0, 60, 120}};
constexpr int kWindowSpan[5] = {5, 10, 25, 50, 100};
constexpr int kPulseCode[5] = {1, 2, 3, 4, 8};

struct BottomEcho {
    double strength;  // peak level at gain 0
    double stretch;   // echo length relative to the pulse
};

BottomEcho EchoOf(Sea::Bottom bottom) {
    switch (bottom) {
        case Sea::Bottom::kRock:
            return {6.5, 1.0};
        case Sea::Bottom::kMud:
            return {3.0, 2.5};
        default:
            return {4.5, 1.5};
    }
}

}  // namespace

Sea::Sea(const Config& config, std::uint64_t randomStart)
    : m_config(config), m_random(randomStart) {
    m_config.depthMin = std::clamp(m_config.depthMin, 1.0, 200.0);
    m_config.depthMax = std::clamp(m_config.depthMax, m_config.depthMin, 200.0);
    m_config.period = std::max(m_config.period, 2.0);
    m_phase = std::uniform_real_distribution<double>(0.0, 2.0 * std::numbers::pi)(m_random);
    m_bottomDepth = (m_config.depthMin + m_config.depthMax) / 2.0;
}

double Sea::WindowBottom(int rangeIndex, int rangeOffset) {
    const int r = std::clamp(rangeIndex, 0, 4);
    const int o = std::clamp(rangeOffset, 0, 2);
    return kWindowTop[r][o] + kWindowSpan[r];
}

int Sea::PulseCode(int rangeIndex) {
    return kPulseCode[std::clamp(rangeIndex, 0, 4)];
}

void Sea::HoldDepth(double metres) {
    m_hold = true;
    m_bottomDepth = std::clamp(metres, 1.0, 200.0);
}

std::uint32_t Sea::Bins(double metres) const {
    return static_cast<std::uint32_t>(std::max(0.0, metres) * 150000.0 / m_config.soundSpeed);
}

double Sea::NextBottomDepth() {
    if (m_hold) return m_bottomDepth;
    const double mid = (m_config.depthMin + m_config.depthMax) / 2.0;
    const double half = (m_config.depthMax - m_config.depthMin) / 2.0;
    const double t = static_cast<double>(m_ping) / m_config.period * 2.0 * std::numbers::pi;
    // A long swell of the bottom, a shorter ripple on it and a slow wander.
    m_wander += std::normal_distribution<double>(0.0, 0.01)(m_random);
    m_wander = std::clamp(m_wander, -0.15, 0.15);
    const double shape = 0.75 * std::sin(t + m_phase) + 0.15 * std::sin(2.7 * t) + m_wander;
    return std::clamp(mid + half * shape, m_config.depthMin, m_config.depthMax);
}

void Sea::AddEcho(std::vector<std::uint8_t>& s, std::size_t start, double strength, double rise,
                  double decay, double gainFactor) {
    std::uniform_real_distribution<double> jitter(-0.4, 0.4);
    const double peak = strength * gainFactor;
    for (std::size_t i = start; i < s.size(); ++i) {
        const double x = static_cast<double>(i - start);
        const double envelope = x < rise ? (x + 1.0) / (rise + 1.0) : std::exp(-(x - rise) / decay);
        const double level = peak * envelope + jitter(m_random);
        if (level < 1.0 && x >= rise) break;
        const auto value = static_cast<std::uint8_t>(std::clamp(level, 0.0, 7.0));
        s[i] = std::max(s[i], value);
    }
}

std::vector<std::uint8_t> Sea::Ping(int rangeIndex, int rangeOffset, int gain) {
    m_bottomDepth = NextBottomDepth();
    ++m_ping;
    const int pulse = PulseCode(rangeIndex);
    const double gainFactor = std::pow(10.0, std::clamp(gain, -40, 40) / 40.0);
    const std::uint32_t count =
        std::min(Bins(WindowBottom(rangeIndex, rangeOffset)), m_config.maxSamples);
    std::vector<std::uint8_t> s(count, 0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    // Water-column noise: scattered weak samples, more at high gain.
    const double speckle = 0.002 * m_config.noise * std::sqrt(gainFactor);
    if (speckle > 0.0) {
        for (auto& v : s) {
            const double u = unit(m_random);
            if (u < speckle) v = u < speckle * 0.2 ? 2 : 1;
        }
    }

    // Near-field ringing: the transducer rings on after the pulse it sent, so
    // the ringing lasts longer the longer the range's pulse: 15 samples per
    // pulse code on the long ranges (up to 1.2 m below the transducer), too
    // short to look like an echo on the two short ones.
    const double ringLength = pulse >= 3 ? 15.0 * pulse : 2.0;
    for (std::size_t i = 0; i < count && static_cast<double>(i) < ringLength; ++i)
        s[i] = static_cast<std::uint8_t>(std::clamp(
            6.0 * std::sqrt(gainFactor) * (1.0 - static_cast<double>(i) / ringLength), 1.0, 7.0));

    // Fish: schools at a depth in the water column for a few dozen pings.
    if (unit(m_random) < m_config.fishRate && m_bottomDepth > 2.5) {
        School school;
        school.depth = 1.0 + unit(m_random) * (m_bottomDepth - 2.0);
        school.pingsLeft = 10 + static_cast<int>(unit(m_random) * 40.0);
        school.length = 2 + static_cast<int>(unit(m_random) * 2.0 * pulse);
        m_schools.push_back(school);
    }
    for (auto& school : m_schools) {
        school.depth += std::normal_distribution<double>(0.0, 0.03)(m_random);
        const std::uint32_t at = Bins(school.depth);
        if (at < count && unit(m_random) < 0.8)
            AddEcho(s, at, 3.0 + 2.0 * unit(m_random), 1.0, school.length / 2.0, gainFactor);
        --school.pingsLeft;
    }
    std::erase_if(m_schools, [](const School& f) { return f.pingsLeft <= 0; });

    // A wake: a cloud of bubbles a few metres down for one to three pings,
    // loud and long, that swallows much of the sound. Drawn only when wakes
    // are asked for, so the sea of a seed stays the same without them.
    if (m_config.wakeRate > 0.0 && m_wakeLeft == 0 && unit(m_random) < m_config.wakeRate) {
        m_wakeLeft = 1 + static_cast<int>(unit(m_random) * 3.0);
        const double deepest = std::max(1.5, std::min(4.0, m_bottomDepth - 1.5));
        m_wakeDepth = 1.5 + unit(m_random) * (deepest - 1.5);
    }
    m_wake = m_wakeLeft > 0;
    if (m_wake) {
        --m_wakeLeft;
        const std::uint32_t at = Bins(m_wakeDepth);
        if (at < count) AddEcho(s, at, 6.0, 3.0, 8.0 * pulse, gainFactor);
    }

    // The bottom echo: its length follows the pulse and the bottom type, its
    // strength the bottom type and the gain (halved under a wake).
    BottomEcho echo = EchoOf(m_config.bottom);
    if (m_wake) echo.strength /= 2.0;
    const double pulseBins = 12.0 * pulse;
    const double decay = pulseBins * echo.stretch / 2.5;
    const std::uint32_t bottom = Bins(m_bottomDepth);
    if (bottom < count) AddEcho(s, bottom, echo.strength, pulseBins / 4.0, decay, gainFactor);
    // The sound's second trip: bottom, surface, bottom again.
    const double multipleRate =
        m_config.multipleRate * (m_config.bottom == Bottom::kRock ? 1.5 : 1.0);
    if (2 * bottom < count && unit(m_random) < multipleRate)
        AddEcho(s, 2 * bottom, echo.strength * 0.35, pulseBins / 4.0, decay, gainFactor);
    return s;
}
