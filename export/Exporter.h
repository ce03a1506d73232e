#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "export/ExportFormat.h"
#include "export/ExportRow.h"
#include "export/ExportStatus.h"
#include "survey/TransducerPosition.h"

// What to export, and how.
struct ExportRequest {
    std::vector<std::string> recordings;  // BASE.sd, one or several into one file
    ExportFormat format = ExportFormat::kCsv;
    std::string crs = "utm";  // "utm" or "EPSG:n"
    // Place the pings again from the raw position log with these settings;
    // none: the positions as recorded.
    std::optional<PositionSettings> recompute;
    std::uint32_t every = 1;  // every Nth record of each recording
    bool track = true;        // the track as lines, where the format holds layers
    std::string output;
    bool overwrite = false;
};

// What an export did, for its summary.
struct ExportSummary {
    std::uint64_t pings = 0;            // records processed
    std::uint64_t exported = 0;         // features or lines written
    std::uint64_t placed = 0;           // exported with a position
    std::uint64_t withoutPosition = 0;  // of the pings taken, those not placed
    std::uint64_t jumped = 0;           // of those, places left out for a jump
    std::uint64_t unreadable = 0;       // records that could not be read
    std::uint64_t leftOut = 0;          // pings the hook left out (edits)
    std::int64_t firstMs = 0, lastMs = 0;
    double south = 0, north = 0, west = 0, east = 0;  // degrees, of the placed pings
    double minEasting = 0, maxEasting = 0, minNorthing = 0, maxNorthing = 0;
    int epsg = 0;
    std::vector<std::string> files;  // written
};

// Follows an export: records processed of all, asked now and then; a cancel
// asked for ends the export with nothing left behind.
struct ExportProgress {
    std::function<void(std::uint64_t done, std::uint64_t total)> report;
    const std::atomic<bool>* cancel = nullptr;
};

// Exports the recordings' pings, streamed: one recording at a time, ping by
// ping through the engine's playback (the depths as playback gives them),
// with their positions, into one file of the format. The file appears only
// when complete; on any failure nothing is left. hook, when given, may
// change or drop each ping before it is written.
ExportStatus ExportRecordings(const ExportRequest& request, ExportSummary* summary,
                              const ExportProgress& progress = {}, RowHook* hook = nullptr);
