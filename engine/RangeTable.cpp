#include "engine/RangeTable.h"

#include <limits>

std::uint32_t DepthToSamples(double metres, double soundSpeed) {
    const double count = metres * 2000000.0 * 75.0 / soundSpeed / 1000.0;
    if (!(count > 0.0)) return 0;
    if (count >= 4294967296.0) return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(count);
}

double SamplesToDepth(std::uint32_t count, double soundSpeed) {
    return static_cast<double>(count) * soundSpeed * 1000.0 * 0.5 / 1000000.0 / 75.0;
}
