#pragma once

#include <cstdint>
#include <span>

#include "engine/PingRecord.h"

// Expands a raw frame into echo samples (levels 0..7): a pair byte
// 01aaabbb gives a and b, a run 10vvvhhh llllllll gives hhh*256+l samples
// of v. A ping that reaches kSampleMax samples is dropped whole. Keeps the
// state of an expansion, which goes on from one frame to the next as the
// instrument's stream does.
class SampleExpander {
public:
    // Appends the samples of raw to samples[count...] (room for kSampleMax
    // + 3 bytes); count is set to 0 when the ping is dropped.
    void Expand(std::span<const std::uint8_t> raw, std::uint8_t* samples, std::uint32_t& count);
    void Reset() { *this = {}; }

private:
    bool m_active = false;
    bool m_pending = false;
    std::uint8_t m_runValue = 0;
    std::uint32_t m_runLength = 0;
};
