#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/EngineStatus.h"

// Why an export failed. The exporter writes no text the user reads: the
// caller words each problem (the command line in English, the window in its
// language), with the path, the line and the detail given here.
enum class ExportProblem {
    kNone,
    kBadFormat,         // detail: the format asked for
    kUnknownCrs,        // detail: the coordinate system asked for, unknown to PROJ
    kCrsNotProjected,   // detail: the coordinate system asked for, not a projected one
    kRecording,         // the recording cannot be opened: engine says why
    kNoPositionFiles,   // path: the per-ping position file that is missing
    kNoRawLog,          // path: the raw position log needed to place pings again
    kDamagedPositions,  // path, line: a line that is not a position line
    kNoPositions,       // no ping of the recordings has a position to choose a UTM zone by
    kOutputExists,      // path: not overwritten without being told to
    kOutputFolder,      // path: the folder cannot be written (systemError)
    kWriteFailed,       // path: writing failed (systemError, or detail from the writer)
    kCancelled,
};

struct ExportStatus {
    ExportProblem problem = ExportProblem::kNone;
    std::string path;
    std::uint64_t line = 0;
    int systemError = 0;
    std::string detail;
    EngineStatus engine;  // kRecording: the engine's failure
    bool Ok() const { return problem == ExportProblem::kNone; }
};

inline ExportStatus Failure(ExportProblem problem, std::string path = {}, std::uint64_t line = 0,
                            int systemError = 0, std::string detail = {},
                            EngineStatus engine = {}) {
    return {problem, std::move(path), line, systemError, std::move(detail), std::move(engine)};
}
