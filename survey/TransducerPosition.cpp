#include "survey/TransducerPosition.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "survey/LocalGrid.h"

namespace {

constexpr std::string_view kFlagNames[] = {"interpolated", "extrapolated", "stale", "none"};
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

double Lerp(double a, double b, double w) {
    if (!std::isfinite(a)) return b;
    if (!std::isfinite(b)) return a;
    return a + w * (b - a);
}

// Angles in degrees, the short way round, 0..360.
double LerpAngle(double a, double b, double w) {
    if (!std::isfinite(a) || !std::isfinite(b)) return Lerp(a, b, w);
    const double turn = std::remainder(b - a, 360.0);
    const double angle = std::fmod(a + w * turn + 360.0, 360.0);
    return angle;
}

double Larger(double a, double b) {
    if (!std::isfinite(a)) return b;
    if (!std::isfinite(b)) return a;
    return std::max(a, b);
}

// The antenna's fix between two: what the antenna did at the moment a
// fraction w of the way from a to b.
Fix Between(const Fix& a, const Fix& b, double w) {
    Fix fix = a;
    const EastNorth step = Separation({a.latitude, a.longitude}, {b.latitude, b.longitude});
    const LatLon at = Displaced({a.latitude, a.longitude}, {step.east * w, step.north * w});
    fix.latitude = at.latitude;
    fix.longitude = at.longitude;
    fix.course = LerpAngle(a.course, b.course, w);
    fix.speed = Lerp(a.speed, b.speed, w);
    fix.heading = LerpAngle(a.heading, b.heading, w);
    fix.eph = Larger(a.eph, b.eph);
    return fix;
}

// The antenna's fix carried for ms (either way) by its course and speed, or,
// where it reports none, by its motion from the fix before it (earlier, of
// its quality and at most 2 s older). Nothing when its motion is unknown.
std::optional<Fix> Carried(const Fix& from, std::int64_t ms, const Fix* earlier) {
    Fix fix = from;
    EastNorth step{0.0, 0.0};
    if (std::isfinite(from.course) && std::isfinite(from.speed)) {
        const double metres = from.speed * static_cast<double>(ms) / 1000.0;
        const double c = from.course * kRadiansPerDegree;
        step = {metres * std::sin(c), metres * std::cos(c)};
    } else if (earlier && earlier->Usable() && earlier->quality == from.quality &&
               from.timeMs > earlier->timeMs && from.timeMs - earlier->timeMs <= kFixGapMaxMs) {
        const EastNorth moved =
            Separation({earlier->latitude, earlier->longitude}, {from.latitude, from.longitude});
        const double w =
            static_cast<double>(ms) / static_cast<double>(from.timeMs - earlier->timeMs);
        step = {moved.east * w, moved.north * w};
    } else if (ms != 0) {
        return std::nullopt;
    }
    const LatLon at = Displaced({from.latitude, from.longitude}, step);
    fix.latitude = at.latitude;
    fix.longitude = at.longitude;
    return fix;
}

// The transducer below the antenna's fix.
PingPosition AtTransducer(const Fix& antenna, PositionFlag flag, const PositionSettings& s) {
    PingPosition p;
    p.flag = flag;
    p.quality = antenna.quality;
    p.course = antenna.course;
    p.speed = antenna.speed;
    p.error = antenna.eph;
    p.latitude = antenna.latitude;
    p.longitude = antenna.longitude;
    const double offset = std::hypot(s.antennaForward, s.antennaStarboard);
    if (offset == 0.0) return p;
    double direction = antenna.heading;
    if (!std::isfinite(direction) && std::isfinite(antenna.speed) &&
        antenna.speed > kCourseSpeedMin)
        direction = antenna.course;
    if (!std::isfinite(direction)) {
        // The offset cannot be turned: the antenna's place, with the error
        // grown by the offset.
        p.error = std::isfinite(p.error) ? p.error + offset : offset;
        return p;
    }
    const double h = direction * kRadiansPerDegree;
    const EastNorth toAntenna{s.antennaForward * std::sin(h) + s.antennaStarboard * std::cos(h),
                              s.antennaForward * std::cos(h) - s.antennaStarboard * std::sin(h)};
    const LatLon at =
        Displaced({antenna.latitude, antenna.longitude}, {-toAntenna.east, -toAntenna.north});
    p.latitude = at.latitude;
    p.longitude = at.longitude;
    return p;
}

}  // namespace

std::string_view FlagName(PositionFlag flag) {
    const auto index = static_cast<std::size_t>(flag);
    return index < std::size(kFlagNames) ? kFlagNames[index] : kFlagNames[3];
}

std::optional<PositionFlag> FlagNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kFlagNames); ++i)
        if (kFlagNames[i] == name) return static_cast<PositionFlag>(i);
    return std::nullopt;
}

PingPosition TransducerAt(const FixHistory::Around& around, std::int64_t pingTimeMs,
                          const PositionSettings& settings) {
    // On the fixes' clock the ping lies the latency later.
    const std::int64_t target = pingTimeMs + settings.latencyMs;
    // Fixes that repeat a time already given place nothing: either they or
    // the ones before them name the wrong moment.
    if (around.repeatedTime) return {};
    const Fix* before = around.before && around.before->Usable() ? &*around.before : nullptr;
    const Fix* after = around.after && around.after->Usable() ? &*around.after : nullptr;
    if (before && after && after->timeMs - before->timeMs <= kFixGapMaxMs &&
        before->quality == after->quality) {
        const double w = static_cast<double>(target - before->timeMs) /
                         static_cast<double>(after->timeMs - before->timeMs);
        return AtTransducer(Between(*before, *after, w), PositionFlag::kInterpolated, settings);
    }
    // Otherwise the nearest fix within reach is carried to the moment; a
    // report of no fix nearer than any fix after it leaves the ping unplaced.
    constexpr std::int64_t kFar = std::numeric_limits<std::int64_t>::max();
    const std::int64_t sinceBefore = around.before ? target - around.before->timeMs : kFar;
    const std::int64_t untilAfter = after ? after->timeMs - target : kFar;
    // A fix whose motion is unknown cannot be carried: the ping is not placed
    // from it.
    const Fix* earlier = around.earlier ? &*around.earlier : nullptr;
    if (before && sinceBefore <= kFixGapMaxMs && sinceBefore <= untilAfter) {
        if (const auto carried = Carried(*before, sinceBefore, earlier))
            return AtTransducer(*carried, PositionFlag::kExtrapolated, settings);
    }
    if (after && untilAfter <= kFixGapMaxMs && untilAfter < sinceBefore) {
        if (const auto carried = Carried(*after, -untilAfter, nullptr))
            return AtTransducer(*carried, PositionFlag::kExtrapolated, settings);
    }
    if (before && sinceBefore > kFixGapMaxMs)
        return AtTransducer(*before, PositionFlag::kStale, settings);
    return {};
}

PingPosition TransducerAt(const FixHistory& history, std::int64_t pingTimeMs,
                          const PositionSettings& settings) {
    return TransducerAt(history.Bracket(pingTimeMs + settings.latencyMs), pingTimeMs, settings);
}
