#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "export/ExportStatus.h"
#include "export/LineReader.h"
#include "survey/FixHistory.h"
#include "survey/PositionFormat.h"
#include "survey/TransducerPosition.h"

// The positions of a recording's pings, record by record in order, read as
// they go (the files are never held whole): as recorded in BASE.pos.csv, or
// placed again from the raw log BASE.gnss.csv with another latency and
// antenna offset (the pings' times still come from BASE.pos.csv).
class PingPositions {
public:
    // recompute: place again with these settings; none: as recorded.
    ExportStatus Open(const std::string& recordingPath,
                      const std::optional<PositionSettings>& recompute);
    // The ping of record, asked for in increasing order; false when the
    // per-ping file has no line for it. A damaged line fails the status.
    bool Next(std::uint32_t record, PositionFormat::PingLine* ping, ExportStatus* status);

    // The first usable place of a recording, for choosing a UTM zone: the
    // first charted ping in BASE.pos.csv, else the first usable fix.
    static std::optional<std::pair<double, double>> FirstPlace(const std::string& recordingPath);

private:
    bool ReadPingLine(ExportStatus* status);
    // Publishes fixes until one is past timeMs on the fixes' clock.
    bool FeedFixesUntil(std::int64_t timeMs, ExportStatus* status);

    std::string m_pingPath, m_fixPath;
    LineReader m_pings, m_fixes;
    std::optional<PositionFormat::PingLine> m_pending;  // read, not yet asked for
    bool m_pingsDone = false;
    std::optional<PositionSettings> m_recompute;
    std::unique_ptr<FixHistory> m_history;
    std::int64_t m_lastFixTime = Fix::kNoTime;
    bool m_fixesDone = false;
};
