#include "survey/LocalGrid.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kSemiMajor = 6378137.0;
constexpr double kFlattening = 1.0 / 298.257223563;
constexpr double kEccentricity2 = kFlattening * (2.0 - kFlattening);
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// Metres per degree of latitude and of longitude at a latitude.
EastNorth MetresPerDegree(double latitude) {
    const double phi = latitude * kRadiansPerDegree;
    const double w = 1.0 - kEccentricity2 * std::sin(phi) * std::sin(phi);
    const double meridian = kSemiMajor * (1.0 - kEccentricity2) / (w * std::sqrt(w));
    const double normal = kSemiMajor / std::sqrt(w);
    return {normal * std::cos(phi) * kRadiansPerDegree, meridian * kRadiansPerDegree};
}

double WrapLongitude(double degrees) {
    if (degrees > 180.0) return degrees - 360.0;
    if (degrees < -180.0) return degrees + 360.0;
    return degrees;
}

}  // namespace

LatLon Displaced(const LatLon& from, const EastNorth& by) {
    const EastNorth scale = MetresPerDegree(from.latitude);
    return {from.latitude + by.north / scale.north,
            WrapLongitude(from.longitude + by.east / scale.east)};
}

EastNorth Separation(const LatLon& from, const LatLon& to) {
    const EastNorth scale = MetresPerDegree((from.latitude + to.latitude) / 2.0);
    return {WrapLongitude(to.longitude - from.longitude) * scale.east,
            (to.latitude - from.latitude) * scale.north};
}
