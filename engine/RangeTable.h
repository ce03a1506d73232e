#pragma once

#include <cstdint>

// The instrument's five ranges: depth (m) and the pulse code the command
// frame asks for.
struct RangeStep {
    std::uint8_t metres;
    std::uint8_t pulseCode;
};
inline constexpr RangeStep kRangeTable[5] = {{5, 1}, {10, 2}, {25, 3}, {50, 4}, {100, 8}};

// Row of the range tables for a range index that may come from a
// hand-edited settings file: values past the last row use the last row, so
// no table is ever read out of bounds.
constexpr std::uint8_t SafeRangeIndex(std::uint8_t index) {
    return index > 4 ? 4 : index;
}

// Metres and sample bins: the instrument takes 75 samples per millisecond
// of echo time; sound goes down and back. Saturating: a sound speed of 0, a
// negative depth or a NaN give a defined count (negative and NaN 0, too
// large for the type the largest count); callers clip to the samples they
// have.
std::uint32_t DepthToSamples(double metres, double soundSpeed);
double SamplesToDepth(std::uint32_t count, double soundSpeed);
