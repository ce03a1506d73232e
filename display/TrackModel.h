#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "survey/LocalGrid.h"

// The boat's track as the track window draws it: the transducer's places
// with the depth sounded there, in metres east and north of the track's
// first place (the plane that touches the earth there, north up), the
// bounds of what is shown and the colour band of each depth.
//
// Live, points are added as depths come and the last kKeepMs are kept.
// In playback the whole recording's track is read at once from its
// per-ping position file and shown up to the record being played; a
// record's depth is known once it has been played.
//
// No Qt: the window paints it, the tests check it without a display.
class TrackModel {
public:
    static constexpr double kNoDepth = std::numeric_limits<double>::quiet_NaN();
    // Live, the minutes of track kept.
    static constexpr std::int64_t kKeepMs = 10 * 60 * 1000;
    // Live, points closer in time than this to the one before are not
    // taken: a few a second are enough for a track, whatever the ping rate.
    static constexpr std::int64_t kPointGapMs = 250;
    // Depths are shown in the echogram's seven echo levels.
    static constexpr int kLevels = 7;

    struct Point {
        std::uint32_t record = 0;  // playback: the record in the recording
        std::int64_t timeMs = 0;   // UTC
        LatLon place;              // the transducer, degrees
        double depth = kNoDepth;   // smoothed depth, metres; NaN or 0: not known
        // Over ground, degrees true; NaN when not known or too slow to tell.
        double course = std::numeric_limits<double>::quiet_NaN();
        EastNorth at;  // metres from the track's origin (set by the model)
    };

    struct Bounds {
        EastNorth low;  // west and south
        EastNorth high;
    };
    struct DepthRange {
        double shallowest = 0.0;
        double deepest = 0.0;
    };

    // Live: takes the point unless it comes within kPointGapMs of the last
    // one; drops the points more than kKeepMs older than it. A time going
    // backwards (a clock set back) starts the track afresh.
    bool Add(const Point& point);
    // Playback: the recording's track, in record order; all of it is shown
    // until Cut.
    void Assign(std::vector<Point> points);
    void Clear();

    // The places of a per-ping position file that may be charted
    // (interpolated or extrapolated), in record order. Nothing when the
    // file cannot be read; lines that cannot be read are left out.
    static std::optional<std::vector<Point>> ReadPingFile(const std::string& path);

    // Playback: the depth played at the records first to last.
    void SetDepth(std::uint32_t first, std::uint32_t last, double depth);
    // Playback: shows the records before `record` only.
    void Cut(std::uint32_t record);

    std::span<const Point> Shown() const;
    std::size_t Size() const { return m_points.size(); }
    // The place the track's metres count from: its first point, or, before
    // there is one, a place given here (the boat's, for the window).
    bool HasOrigin() const { return m_hasOrigin; }
    void EnsureOrigin(const LatLon& place) {
        if (!m_hasOrigin) SetOrigin(place);
    }
    // Metres east and north of the track's origin.
    EastNorth Project(const LatLon& place) const;
    // The box around the points shown; nothing when none is shown.
    std::optional<Bounds> ShownBounds() const;
    // The shallowest and deepest depth among the points shown.
    std::optional<DepthRange> ShownDepths() const;
    // The echo level 1..7 a depth is drawn in: 1 (the full echo colour) at
    // the shallowest, 7 (the darkest) at the deepest; 0 for a depth not
    // known (0 m is no bottom found). A range of one depth gives the middle
    // level.
    static bool Known(double depth) { return depth > 0.0 && std::isfinite(depth); }
    static int LevelFor(double depth, const DepthRange& range);

private:
    void SetOrigin(const LatLon& place);

    std::vector<Point> m_points;  // in order of time (live) or record (playback)
    std::optional<std::uint32_t> m_cut;
    LatLon m_origin;
    bool m_hasOrigin = false;
};
