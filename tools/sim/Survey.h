#pragma once

#include <cstdint>
#include <optional>

#include "tools/sim/Boat.h"
#include "tools/sim/GeoOrigin.h"
#include "tools/sim/Seabed.h"

// The boat on its survey lines over the seabed, in UTC: where the transducer
// and the GNSS antenna are at a moment and how deep the water is below the
// transducer there. The boat leaves the start of its first line at the
// survey's start time; the lines' first start is the grid's origin.
class Survey {
public:
    struct Config {
        Boat::Config boat;
        Seabed::Config seabed;
        double latitude = 31.2;  // the grid's origin, degrees
        double longitude = 121.5;
    };

    struct Point {
        Boat::State boat;
        GeoOrigin::LatLon transducer;
        GeoOrigin::LatLon antenna;
        double depth = 0.0;  // metres below the transducer
    };

    Survey(const Config& config, std::uint64_t randomStart, std::int64_t startUtcMs);

    Point At(std::int64_t utcMs) const;
    // Puts the bottom at a fixed depth from now on (nothing: the seabed again).
    void HoldDepth(std::optional<double> metres) { m_heldDepth = metres; }

    const Boat& Vessel() const { return m_boat; }
    const Seabed& Bottom() const { return m_seabed; }
    const GeoOrigin& Grid() const { return m_grid; }

private:
    Boat m_boat;
    Seabed m_seabed;
    GeoOrigin m_grid;
    std::int64_t m_startUtcMs;
    std::optional<double> m_heldDepth;
};
