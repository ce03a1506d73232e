#include "display/TrackModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/RegularFile.h"
#include "survey/PositionFormat.h"
#include "survey/TransducerPosition.h"

bool TrackModel::Add(const Point& point) {
    if (!m_points.empty()) {
        const std::int64_t last = m_points.back().timeMs;
        if (point.timeMs < last) {
            Clear();
        } else if (point.timeMs - last < kPointGapMs) {
            return false;
        }
    }
    EnsureOrigin(point.place);
    Point taken = point;
    taken.at = Project(point.place);
    m_points.push_back(taken);
    const auto old = std::find_if(m_points.begin(), m_points.end(), [&](const Point& p) {
        return point.timeMs - p.timeMs <= kKeepMs;
    });
    m_points.erase(m_points.begin(), old);
    return true;
}

void TrackModel::Assign(std::vector<Point> points) {
    Clear();
    m_points = std::move(points);
    if (m_points.empty()) return;
    SetOrigin(m_points.front().place);
    for (Point& p : m_points) p.at = Project(p.place);
}

void TrackModel::Clear() {
    m_points.clear();
    m_cut.reset();
    m_hasOrigin = false;
}

void TrackModel::SetOrigin(const LatLon& place) {
    m_origin = place;
    m_hasOrigin = true;
}

std::optional<std::vector<TrackModel::Point>> TrackModel::ReadPingFile(const std::string& path) {
    // Never a FIFO or a device: opening one would hold up the window.
    const RegularFile::Opened opened = RegularFile::Open(path, RegularFile::Mode::kRead);
    if (opened.file == nullptr) return std::nullopt;
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, opened.file)) > 0;)
        text.append(buffer, n);
    const bool failed = std::ferror(opened.file) != 0;
    std::fclose(opened.file);
    if (failed) return std::nullopt;

    std::vector<Point> points;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line cut short by a crash
        const auto line =
            PositionFormat::ParsePingLine(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (!line || !line->position.Present()) continue;
        Point p;
        p.record = line->record;
        p.timeMs = line->timeMs;
        p.place = {line->position.latitude, line->position.longitude};
        // Slower, the course over ground says little of the boat's heading.
        if (line->position.speed >= kCourseSpeedMin) p.course = line->position.course;
        points.push_back(p);
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const Point& a, const Point& b) { return a.record < b.record; });
    return points;
}

void TrackModel::SetDepth(std::uint32_t first, std::uint32_t last, double depth) {
    auto it =
        std::lower_bound(m_points.begin(), m_points.end(), first,
                         [](const Point& p, std::uint32_t wanted) { return p.record < wanted; });
    for (; it != m_points.end() && it->record <= last; ++it) it->depth = depth;
}

void TrackModel::Cut(std::uint32_t record) {
    m_cut = record;
}

std::span<const TrackModel::Point> TrackModel::Shown() const {
    if (!m_cut) return m_points;
    const auto end =
        std::lower_bound(m_points.begin(), m_points.end(), *m_cut,
                         [](const Point& p, std::uint32_t wanted) { return p.record < wanted; });
    return {m_points.data(), static_cast<std::size_t>(end - m_points.begin())};
}

EastNorth TrackModel::Project(const LatLon& place) const {
    return Separation(m_origin, place);
}

std::optional<TrackModel::Bounds> TrackModel::ShownBounds() const {
    const std::span<const Point> shown = Shown();
    if (shown.empty()) return std::nullopt;
    Bounds b{shown.front().at, shown.front().at};
    for (const Point& p : shown) {
        b.low.east = std::min(b.low.east, p.at.east);
        b.low.north = std::min(b.low.north, p.at.north);
        b.high.east = std::max(b.high.east, p.at.east);
        b.high.north = std::max(b.high.north, p.at.north);
    }
    return b;
}

std::optional<TrackModel::DepthRange> TrackModel::ShownDepths() const {
    std::optional<DepthRange> range;
    for (const Point& p : Shown()) {
        if (!Known(p.depth)) continue;
        if (!range) {
            range = DepthRange{p.depth, p.depth};
        } else {
            range->shallowest = std::min(range->shallowest, p.depth);
            range->deepest = std::max(range->deepest, p.depth);
        }
    }
    return range;
}

int TrackModel::LevelFor(double depth, const DepthRange& range) {
    if (!Known(depth)) return 0;
    const double span = range.deepest - range.shallowest;
    if (!(span > 0.0)) return (kLevels + 1) / 2;
    const double t = std::clamp((depth - range.shallowest) / span, 0.0, 1.0);
    return std::min(kLevels, 1 + static_cast<int>(t * kLevels));
}
