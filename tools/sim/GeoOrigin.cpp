#include "tools/sim/GeoOrigin.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kSemiMajor = 6378137.0;
constexpr double kFlattening = 1.0 / 298.257223563;
constexpr double kEccentricity2 = kFlattening * (2.0 - kFlattening);

}  // namespace

GeoOrigin::GeoOrigin(double latitude, double longitude)
    : m_latitude(latitude), m_longitude(longitude) {
    const double phi = latitude * std::numbers::pi / 180.0;
    const double w = 1.0 - kEccentricity2 * std::sin(phi) * std::sin(phi);
    // Radii of curvature along the meridian and across it.
    const double meridian = kSemiMajor * (1.0 - kEccentricity2) / (w * std::sqrt(w));
    const double normal = kSemiMajor / std::sqrt(w);
    m_metresPerDegreeNorth = meridian * std::numbers::pi / 180.0;
    m_metresPerDegreeEast = normal * std::cos(phi) * std::numbers::pi / 180.0;
}

GeoOrigin::LatLon GeoOrigin::ToLatLon(double east, double north) const {
    return {m_latitude + north / m_metresPerDegreeNorth,
            m_longitude + east / m_metresPerDegreeEast};
}

GeoOrigin::Local GeoOrigin::ToLocal(double latitude, double longitude) const {
    return {(longitude - m_longitude) * m_metresPerDegreeEast,
            (latitude - m_latitude) * m_metresPerDegreeNorth};
}
