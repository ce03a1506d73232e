#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "edit/EditedDepths.h"
#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "tools/sim/Instrument.h"

// A recording of a survey line over the simulated sea with the truth of
// every ping, for the editing tests and the filter figures: a transducer
// 0.5 m down, ten pings a second.
namespace SimulatedLine {

inline constexpr double kDraft = 0.5;
// A detected depth further than this from the truth is a false bottom.
inline constexpr double kTolerance = 0.3;

struct Truth {
    std::vector<double> depth;  // m below the surface
    std::vector<bool> wake;     // the ping went through a wake
};

// Answers the engine's command frames from the simulated instrument.
class LineHost : public EngineHost {
public:
    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        std::copy_n(frame, std::min(length, m_command.size()), m_command.begin());
    }
    std::int64_t Now() override { return 1796630400 + m_ping / 10; }
    const Instrument::CommandFrame& Command() const { return m_command; }
    void Next() { ++m_ping; }

private:
    Instrument::CommandFrame m_command{};
    std::int64_t m_ping = 0;
};

// Records a line as the program does live, automatic gain and range on,
// into BASE.sd and BASE.idx; false when the recording cannot be made.
inline bool Make(const std::string& base, const Sea::Config& config, std::uint64_t seed,
                 std::uint32_t pings, Truth& truth) {
    LineHost host;
    XSound engine(&host);
    SoundingSettings settings;
    settings.m_draft = kDraft;
    settings.m_gainAuto = 1;
    settings.m_rangeAuto = 1;
    settings.m_gain = 10;
    settings.m_rangeIndex = settings.m_rangeIndexSet = 2;
    engine.ApplySettings(settings);
    if (!engine.StartRecording(base + ".sd").Ok()) return false;
    Instrument::Config instrumentConfig;
    instrumentConfig.sea = config;
    Instrument instrument(instrumentConfig, seed);
    engine.SendCommandFrame();
    for (std::uint32_t n = 0; n < pings; ++n) {
        const std::string reply = *instrument.Answer(host.Command());
        engine.DecodeBytes(reinterpret_cast<const std::uint8_t*>(reply.data()),
                           static_cast<std::uint32_t>(reply.size()));
        if (engine.StepLive() != 1) return false;
        truth.depth.push_back(instrument.Water().BottomDepth() + kDraft);
        truth.wake.push_back(instrument.Water().Wake());
        host.Next();
    }
    engine.CloseRecording();
    return engine.RecordIndex() == pings;
}

// How a filter's rejections compare with the truth.
struct Score {
    std::uint32_t falseBottoms = 0;  // pings detected away from the truth
    std::uint32_t falseRejected = 0;
    std::uint32_t trueBottoms = 0;
    std::uint32_t trueRejected = 0;
    std::uint32_t wakePings = 0;

    double FalseShare() const { return falseBottoms ? double(falseRejected) / falseBottoms : 1.0; }
    double TrueShare() const { return trueBottoms ? double(trueRejected) / trueBottoms : 0.0; }
};

inline Score Compare(const EditedDepths& depths, const Truth& truth) {
    Score score;
    for (std::uint32_t i = 0; i < depths.Count() && i < truth.depth.size(); ++i) {
        const bool rejected = depths.For(i).Rejected();
        if (truth.wake[i]) ++score.wakePings;
        if (std::abs(depths.Detected(i).depth - truth.depth[i]) > kTolerance) {
            ++score.falseBottoms;
            if (rejected) ++score.falseRejected;
        } else {
            ++score.trueBottoms;
            if (rejected) ++score.trueRejected;
        }
    }
    return score;
}

}  // namespace SimulatedLine
