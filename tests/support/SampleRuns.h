#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// A ping's samples built from runs of one level each.
using Samples = std::vector<std::uint8_t>;

// n bins of one level.
inline Samples Bins(std::size_t n, std::uint8_t level) {
    return Samples(n, level);
}

inline Samples Join(std::initializer_list<Samples> parts) {
    Samples all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
