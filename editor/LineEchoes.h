#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edit/EditedDepths.h"
#include "engine/EngineStatus.h"

// The echoes of every ping of a recording, kept small enough for a line of
// 100,000 pings: per ping its echo levels in kBins bins from the surface to
// the deepest sample it has, each bin the strongest level in it. Depths in
// metres below the surface, so pings taken with different ranges line up
// on one depth scale.
class LineEchoes {
public:
    static constexpr std::uint32_t kBins = 400;

    // Plays the recording once, as forward playback does: the echoes of
    // every record and its detected depth (ReadRecordedDepths gives the
    // same depths). The colour words are the recording's at its last ping.
    EngineStatus Load(const std::string& recordingPath, std::vector<PingDepth>& detected);

    std::uint32_t Count() const { return static_cast<std::uint32_t>(m_span.size()); }
    // The depth the ping's bins reach, m (0 for a record that could not be
    // read).
    double Span(std::uint32_t ping) const { return m_span[ping]; }
    // The deepest span of the line.
    double MaxSpan() const { return m_maxSpan; }
    // The level at a depth, 0 outside the ping's samples.
    std::uint8_t LevelAt(std::uint32_t ping, double metres) const;
    // The middle of the strongest bin within [from, to] m (the shallowest of
    // equals), when its level is at least minLevel; none otherwise.
    std::optional<double> StrongestWithin(std::uint32_t ping, double from, double to,
                                          std::uint8_t minLevel = 1) const;
    // The ping's strongest level anywhere.
    std::uint8_t StrongestLevel(std::uint32_t ping) const;

    std::uint32_t BackColour() const { return m_backWord; }
    std::uint32_t EchoColour() const { return m_echoWord; }

    // Appends one ping's echoes (levels of consecutive samples, the first at
    // the surface, each metresPerSample deep): the loader's step, and tests'.
    void AddPing(const std::uint8_t* samples, std::uint32_t count, double metresPerSample);
    void SetColours(std::uint32_t backWord, std::uint32_t echoWord);

private:
    std::vector<std::uint8_t> m_levels;  // Count() * kBins
    std::vector<float> m_span;
    double m_maxSpan = 0.0;
    std::uint32_t m_backWord = 0;
    std::uint32_t m_echoWord = 0xFFFFFF;
};
