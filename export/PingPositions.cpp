#include "export/PingPositions.h"

#include <cerrno>
#include <cmath>
#include <string_view>

#include "survey/PositionRecording.h"

namespace {

// Checks a file's first line against its header; false with the status
// set when the file cannot be read or is not that file.
bool OpenWithHeader(LineReader& reader, const std::string& path, std::string_view header,
                    ExportProblem missing, ExportStatus* status) {
    if (!reader.Open(path)) {
        *status = Failure(missing, path, 0, errno);
        return false;
    }
    std::string_view line;
    header.remove_suffix(1);  // its "\n"
    if (!reader.Next(&line) || line != header) {
        *status = Failure(ExportProblem::kDamagedPositions, path, 1, 0, "header");
        return false;
    }
    return true;
}

}  // namespace

ExportStatus PingPositions::Open(const std::string& recordingPath,
                                 const std::optional<PositionSettings>& recompute) {
    const PositionRecording::Paths paths = PositionRecording::PathsFor(recordingPath);
    m_pingPath = paths.pings;
    m_fixPath = paths.fixes;
    m_recompute = recompute;
    m_pending.reset();
    m_pingsDone = m_fixesDone = false;
    m_lastFixTime = Fix::kNoTime;
    ExportStatus status;
    if (!OpenWithHeader(m_pings, m_pingPath, PositionFormat::kPingHeader,
                        ExportProblem::kNoPositionFiles, &status))
        return status;
    if (recompute) {
        if (!OpenWithHeader(m_fixes, m_fixPath, PositionFormat::kFixHeader,
                            ExportProblem::kNoRawLog, &status))
            return status;
        m_history = std::make_unique<FixHistory>();
    }
    return status;
}

bool PingPositions::ReadPingLine(ExportStatus* status) {
    std::string_view text;
    if (m_pingsDone || !m_pings.Next(&text)) {
        m_pingsDone = true;
        if (m_pings.ReadFailed())
            *status = Failure(ExportProblem::kDamagedPositions, m_pingPath,
                              m_pings.LineNumber() + 1, EIO, "read");
        return false;
    }
    m_pending = PositionFormat::ParsePingLine(text);
    if (m_pending &&
        (!m_pending->position.Present() || (std::isfinite(m_pending->position.latitude) &&
                                            std::isfinite(m_pending->position.longitude))))
        return true;
    m_pending.reset();
    m_pingsDone = true;
    // The line in flight when the program was killed: the file ends there.
    if (m_pings.CutShort()) return false;
    *status = Failure(ExportProblem::kDamagedPositions, m_pingPath, m_pings.LineNumber());
    return false;
}

bool PingPositions::FeedFixesUntil(std::int64_t timeMs, ExportStatus* status) {
    std::string_view text;
    while (!m_fixesDone && (m_lastFixTime == Fix::kNoTime || m_lastFixTime <= timeMs)) {
        if (!m_fixes.Next(&text)) {
            m_fixesDone = true;
            if (m_fixes.ReadFailed()) {
                *status = Failure(ExportProblem::kDamagedPositions, m_fixPath,
                                  m_fixes.LineNumber() + 1, EIO, "read");
                return false;
            }
            break;
        }
        const std::optional<Fix> fix = PositionFormat::ParseFixLine(text);
        if (!fix) {
            m_fixesDone = true;
            if (m_fixes.CutShort()) break;
            *status = Failure(ExportProblem::kDamagedPositions, m_fixPath, m_fixes.LineNumber());
            return false;
        }
        m_history->Publish(*fix);
        if (fix->timeMs != Fix::kNoTime) m_lastFixTime = fix->timeMs;
    }
    return true;
}

bool PingPositions::Next(std::uint32_t record, PositionFormat::PingLine* ping,
                         ExportStatus* status) {
    while (!m_pending || m_pending->record < record) {
        m_pending.reset();
        if (!ReadPingLine(status)) return false;
    }
    if (m_pending->record != record) return false;
    *ping = *m_pending;
    m_pending.reset();
    if (m_recompute) {
        if (!FeedFixesUntil(ping->timeMs + m_recompute->latencyMs, status)) return false;
        ping->position = TransducerAt(*m_history, ping->timeMs, *m_recompute);
    }
    return true;
}

std::optional<std::pair<double, double>> PingPositions::FirstPlace(
    const std::string& recordingPath) {
    const PositionRecording::Paths paths = PositionRecording::PathsFor(recordingPath);
    LineReader reader;
    std::string_view line;
    if (reader.Open(paths.pings))
        while (reader.Next(&line))
            if (const auto ping = PositionFormat::ParsePingLine(line);
                ping && ping->position.Present())
                return std::pair{ping->position.latitude, ping->position.longitude};
    if (reader.Open(paths.fixes))
        while (reader.Next(&line))
            if (const auto fix = PositionFormat::ParseFixLine(line); fix && fix->Usable())
                return std::pair{fix->latitude, fix->longitude};
    return std::nullopt;
}
