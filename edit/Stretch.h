#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// The records a filter looks at, first to last inclusive.
struct Stretch {
    std::uint32_t first = 0;
    std::uint32_t last = std::numeric_limits<std::uint32_t>::max();

    // The last record within a recording of count records.
    std::uint32_t LastOf(std::uint32_t count) const {
        return count == 0 ? 0 : std::min(last, count - 1);
    }
};
