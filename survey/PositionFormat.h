#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "survey/Fix.h"
#include "survey/TransducerPosition.h"

// The lines of a recording's two position files (docs/positions.md): comma
// separated, one record a line, "\n" at the end; a value not known is an
// empty field. The header line names the columns; its last field names the
// format and its version and heads no column.
namespace PositionFormat {

// The raw position log: every fix as gpsd reported it.
inline constexpr std::string_view kFixHeader =
    "fix_time_utc,received_utc,quality,latitude,longitude,height_m,eph_m,epv_m,satellites,"
    "course_deg,speed_mps,heading_deg,marevox_gnss_v1\n";
// The per-ping position file: the transducer at each recorded ping.
inline constexpr std::string_view kPingHeader =
    "record,time_utc,latitude,longitude,quality,error_m,course_deg,speed_mps,flag,"
    "marevox_pos_v1\n";

// The Append functions add to a string the caller keeps, so that a line
// written at every ping allocates nothing once the string has grown.

// 2026-12-08T14:44:50.236Z; empty for Fix::kNoTime.
void AppendUtc(std::string& out, std::int64_t ms);
std::string UtcText(std::int64_t ms);
std::optional<std::int64_t> ParseUtc(std::string_view text);

void AppendFixLine(std::string& out, const Fix& fix);
std::string FixLine(const Fix& fix);
std::optional<Fix> ParseFixLine(std::string_view line);

struct PingLine {
    std::uint32_t record = 0;  // the record's place in the recording, from 0
    std::int64_t timeMs = 0;   // UTC
    PingPosition position;
};
void AppendPingLine(std::string& out, const PingLine& line);
std::string PingLineText(const PingLine& line);
std::optional<PingLine> ParsePingLine(std::string_view line);

}  // namespace PositionFormat
