#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Encodes one ping's echo samples (levels 0..7) as a frame body the way the
// instrument sends it: 0x0A, pair and run tokens, 0xCA (no tail bytes).
//
// The frame never exceeds maxFrame bytes: when the samples need more, the
// encoder first leaves out isolated weak samples (noise) and then coarsens
// the profile in blocks (each block takes its strongest level) until the
// frame fits. The sample count stays the same.
std::string EncodePingFrame(const std::vector<std::uint8_t>& samples, std::size_t maxFrame = 500);

// Tokens only, without simplification (used by EncodePingFrame and tests).
std::string EncodeTokens(const std::vector<std::uint8_t>& samples);
