#pragma once

#include <cstdint>
#include <string>

#include "survey/Fix.h"
#include "survey/TransducerPosition.h"

// One exported ping: what the recording, the engine's processing and the
// ping's position say about it. A value not known is NaN (Fix::kNone).
struct ExportRow {
    std::uint32_t recording = 0;  // which of the exported recordings, from 0
    std::uint32_t record = 0;     // the ping's record in its recording, from 0
    std::int64_t timeMs = 0;      // UTC
    PingPosition position;        // the transducer; flag kNone: no position
    double easting = Fix::kNone;  // in the chosen coordinate system
    double northing = Fix::kNone;
    double depth = Fix::kNone;     // detected, m below the surface (draft included)
    double smoothed = Fix::kNone;  // the smoothed depth, m below the surface
    double draft = 0.0;            // m, as the ping was processed
    double soundSpeed = 0.0;       // m/s, as the ping was processed
    std::int32_t mark = -1;        // the mark's number where the ping is a mark

    // Placed well enough to be charted.
    bool HasPosition() const { return position.Present(); }
};

// Changes a ping before it is exported: edits and corrections apply here,
// one ping at a time, in record order. Returning false leaves the ping out.
class RowHook {
public:
    virtual ~RowHook() = default;
    virtual bool Apply(ExportRow& row) = 0;
};
