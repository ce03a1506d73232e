#include "editor/LineEchoes.h"

#include <algorithm>
#include <cmath>

#include "engine/Replay.h"
#include "engine/XSound.h"

EngineStatus LineEchoes::Load(const std::string& recordingPath, std::vector<PingDepth>& detected) {
    XSound engine;
    detected.clear();
    m_levels.clear();
    m_span.clear();
    m_maxSpan = 0.0;
    const EngineStatus status =
        ReplayRecording(engine, recordingPath, [&](std::uint32_t, bool processed) {
            if (detected.empty()) {
                detected.reserve(engine.RecordTotal());
                m_span.reserve(engine.RecordTotal());
                m_levels.reserve(static_cast<std::size_t>(engine.RecordTotal()) * kBins);
            }
            PingDepth ping;
            ping.time = processed || detected.empty() ? engine.PingTime() : detected.back().time;
            ping.depth = engine.Depth();
            ping.found = processed && engine.BottomFound();
            detected.push_back(ping);
            const auto samples = engine.Samples();
            const double perSample = engine.SamplesToDepth(1000) / 1000.0;
            AddPing(samples.data(), processed ? static_cast<std::uint32_t>(samples.size()) : 0,
                    perSample);
            SetColours(engine.Sounding().Colour(XSound::kBack),
                       engine.Sounding().Colour(XSound::kWaveL1));
        });
    return status;
}

void LineEchoes::AddPing(const std::uint8_t* samples, std::uint32_t count, double metresPerSample) {
    const std::size_t at = m_levels.size();
    m_levels.resize(at + kBins, 0);
    const double span = count * metresPerSample;
    m_span.push_back(static_cast<float>(span));
    m_maxSpan = std::max(m_maxSpan, span);
    if (count == 0) return;
    // Bin b holds samples [b * count / kBins, (b + 1) * count / kBins).
    std::uint32_t begin = 0;
    for (std::uint32_t bin = 0; bin < kBins; ++bin) {
        const auto end = static_cast<std::uint32_t>(std::uint64_t{bin + 1} * count / kBins);
        if (end > begin) m_levels[at + bin] = *std::max_element(samples + begin, samples + end);
        begin = std::max(begin, end);
    }
}

void LineEchoes::SetColours(std::uint32_t backWord, std::uint32_t echoWord) {
    m_backWord = backWord;
    m_echoWord = echoWord;
}

std::uint8_t LineEchoes::LevelAt(std::uint32_t ping, double metres) const {
    const double span = m_span[ping];
    if (!(metres >= 0.0 && metres < span)) return 0;
    const auto bin = static_cast<std::uint32_t>(metres / span * kBins);
    return m_levels[static_cast<std::size_t>(ping) * kBins + std::min(bin, kBins - 1)];
}

std::uint8_t LineEchoes::StrongestLevel(std::uint32_t ping) const {
    const auto first = m_levels.begin() + static_cast<std::ptrdiff_t>(ping) * kBins;
    return *std::max_element(first, first + kBins);
}

std::optional<double> LineEchoes::StrongestWithin(std::uint32_t ping, double from, double to,
                                                  std::uint8_t minLevel) const {
    const double span = m_span[ping];
    if (!(span > 0.0)) return std::nullopt;
    const double binDepth = span / kBins;
    const auto first = static_cast<std::int64_t>(std::floor(std::max(0.0, from) / binDepth));
    const auto last = std::min<std::int64_t>(kBins - 1, static_cast<std::int64_t>(to / binDepth));
    std::optional<double> best;
    std::uint8_t bestLevel = static_cast<std::uint8_t>(minLevel - 1);
    const std::uint8_t* levels = &m_levels[static_cast<std::size_t>(ping) * kBins];
    for (std::int64_t bin = first; bin <= last; ++bin) {
        if (levels[bin] > bestLevel) {
            bestLevel = levels[bin];
            best = (static_cast<double>(bin) + 0.5) * binDepth;
        }
    }
    return best;
}
