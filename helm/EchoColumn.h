#pragma once

#include <array>
#include <cstdint>
#include <span>

// One ping of the echogram reduced for the helm page's narrow strip: the
// strongest echo level (0..7) in each of kCells equal depth cells from the
// surface to the bottom of the range.
struct EchoColumn {
    static constexpr std::size_t kCells = 48;

    std::uint64_t serial = 0;  // counts the pings put in; 0: none yet
    double spanMetres = 0.0;   // the depth the cells cover
    std::array<std::uint8_t, kCells> levels{};

    // The column of one ping's samples (one level 0..7 each, surface first)
    // covering spanMetres.
    static EchoColumn Reduce(std::span<const std::uint8_t> samples, double spanMetres);
};
