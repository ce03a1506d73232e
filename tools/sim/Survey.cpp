#include "tools/sim/Survey.h"

Survey::Survey(const Config& config, std::uint64_t randomStart, std::int64_t startUtcMs)
    : m_boat(config.boat),
      m_seabed(config.seabed, randomStart),
      m_grid(config.latitude, config.longitude),
      m_startUtcMs(startUtcMs) {}

Survey::Point Survey::At(std::int64_t utcMs) const {
    Point p;
    p.boat = m_boat.At(static_cast<double>(utcMs - m_startUtcMs) / 1000.0);
    p.transducer = m_grid.ToLatLon(p.boat.east, p.boat.north);
    p.antenna = m_grid.ToLatLon(p.boat.antennaEast, p.boat.antennaNorth);
    p.depth = m_heldDepth ? *m_heldDepth : m_seabed.Depth(p.boat.east, p.boat.north);
    return p;
}
