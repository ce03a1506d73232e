#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "survey/LocalGrid.h"
#include "survey/PositionFormat.h"
#include "tests/support/TempDir.h"

// A recording made with positions against marevox-sim's truth, on the
// survey's grid: metres east and north of the first line's start.

constexpr LatLon kOrigin{31.2, 121.5};  // the simulator's first line starts here

// A ping on the survey's grid (metres from the origin), or a truth row.
struct Placed {
    std::int64_t ms = 0;
    EastNorth at;
    double depth = 0.0;
    PositionFlag flag = PositionFlag::kInterpolated;
    FixQuality quality = FixQuality::kNone;
    std::uint32_t record = 0;
    // The place its depth line carries, when it carries one.
    std::optional<EastNorth> depthLineAt = std::nullopt;
    bool Present() const {
        return flag == PositionFlag::kInterpolated || flag == PositionFlag::kExtrapolated;
    }
};

inline std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

inline std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadAll(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// BASE.pos.csv, with each record's depth and place from its line in
// BASE.txt.
inline std::vector<Placed> RecordedPings(const std::string& base) {
    const std::vector<std::string> depthLines = Lines(base + ".txt");
    const std::vector<std::string> pos = Lines(base + ".pos.csv");
    std::vector<Placed> pings;
    for (std::size_t i = 1; i < pos.size(); ++i) {
        const auto ping = PositionFormat::ParsePingLine(pos[i]);
        EXPECT_TRUE(ping && ping->record + 1 < depthLines.size()) << pos[i];
        if (!ping || ping->record + 1 >= depthLines.size()) continue;
        Placed p{ping->timeMs, {}, 0.0, ping->position.flag, ping->position.quality, ping->record};
        if (p.Present())
            p.at = Separation(kOrigin, {ping->position.latitude, ping->position.longitude});
        const std::string& depthLine = depthLines[ping->record + 1];
        std::istringstream(depthLine.substr(20)) >> p.depth;
        // date time depth longitude latitude course speed
        const std::vector<std::string> fields = Words(depthLine);
        if (fields.size() == 7)
            p.depthLineAt =
                Separation(kOrigin, {std::atof(fields[4].c_str()), std::atof(fields[3].c_str())});
        pings.push_back(p);
    }
    return pings;
}

// The simulator's truth file: the transducer at each ping and the depth
// below it.
inline std::vector<Placed> Truth(const std::string& path) {
    std::vector<Placed> rows;
    for (const std::string& line : Lines(path)) {
        Placed r;
        long long ms = 0;
        double lat = 0.0, lon = 0.0;
        if (std::sscanf(line.c_str(), "%*d,%lld,%*[^,],%lf,%lf,%lf", &ms, &lat, &lon, &r.depth) !=
            4)
            continue;
        r.ms = ms;
        r.at = Separation(kOrigin, {lat, lon});
        rows.push_back(r);
    }
    return rows;
}

// The truth row of a ping's frame (sent within 30 ms of the ping's time).
inline const Placed* TruthAt(const std::vector<Placed>& truth, std::int64_t ms) {
    const auto after = std::lower_bound(truth.begin(), truth.end(), ms,
                                        [](const Placed& r, std::int64_t t) { return r.ms < t; });
    const Placed* best = nullptr;
    for (auto it : {after - (after != truth.begin()), after})
        if (it != truth.end() && std::abs(it->ms - ms) <= 30 &&
            (!best || std::abs(it->ms - ms) < std::abs(best->ms - ms)))
            best = &*it;
    return best;
}
