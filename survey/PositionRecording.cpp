#include "survey/PositionRecording.h"

#include "engine/RecordFile.h"
#include "survey/PositionFormat.h"

PositionRecording::Paths PositionRecording::PathsFor(const std::string& chosenPath) {
    std::string base = RecordFile::PathsFor(chosenPath).data;
    base.resize(base.size() - 3);  // ".sd"
    return {base + ".gnss.csv", base + ".pos.csv"};
}

PositionLog::Status PositionRecording::Open(const std::string& chosenPath, bool continuing) {
    Close(true);
    const Paths paths = PathsFor(chosenPath);
    std::scoped_lock lock(m_fixMutex, m_pingMutex);
    PositionLog::Status status = m_fixes.Open(paths.fixes, PositionFormat::kFixHeader, continuing);
    if (!status.Ok()) return status;
    status = m_pings.Open(paths.pings, PositionFormat::kPingHeader, continuing);
    if (!status.Ok()) {
        m_fixes.Close(true);
        return status;
    }
    m_firstWaiting = 0;
    m_waitingCount = 0;
    m_open.store(true, std::memory_order_release);
    return status;
}

void PositionRecording::Close(bool recordingKept) {
    std::scoped_lock lock(m_fixMutex, m_pingMutex);
    if (!m_open.load(std::memory_order_relaxed)) return;
    WriteWaiting(0, m_waitingCount);
    m_fixes.Close(!recordingKept);
    m_pings.Close(!recordingKept);
    m_open.store(false, std::memory_order_release);
}

void PositionRecording::Append(PositionLog& log, const std::string& line) {
    if (!log.Append(line)) m_lostLines.fetch_add(1, std::memory_order_relaxed);
}

void PositionRecording::LogFix(const Fix& fix) {
    std::lock_guard<std::mutex> lock(m_fixMutex);
    if (!m_fixes.IsOpen()) return;
    m_fixLine.clear();
    PositionFormat::AppendFixLine(m_fixLine, fix);
    Append(m_fixes, m_fixLine);
}

PingPosition PositionRecording::PlacePing(std::uint32_t record, std::int64_t pingTimeMs,
                                          std::int64_t nowMs) {
    const PingPosition now = TransducerAt(m_history, pingTimeMs, m_settings);
    std::lock_guard<std::mutex> lock(m_pingMutex);
    if (!m_pings.IsOpen()) return now;
    // A full ring: the oldest line is written with what is known.
    if (m_waitingCount == m_waiting.size()) WriteWaiting(nowMs, 1);
    m_waiting[(m_firstWaiting + m_waitingCount++) % m_waiting.size()] = {record, pingTimeMs};
    WriteWaiting(nowMs, 0);
    return now;
}

void PositionRecording::WriteDue(std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    WriteWaiting(nowMs, 0);
}

std::size_t PositionRecording::WaitingLines() {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    return m_waitingCount;
}

void PositionRecording::WriteWaiting(std::int64_t nowMs, std::size_t forced) {
    while (m_waitingCount > 0) {
        const Waiting& ping = m_waiting[m_firstWaiting];
        const FixHistory::Around around = m_history.Bracket(ping.timeMs + m_settings.latencyMs);
        const bool due =
            forced > 0 || around.after || nowMs - ping.timeMs >= m_settings.latencyMs + kWaitMs;
        if (!due) return;
        if (forced > 0) --forced;
        const PingPosition position = TransducerAt(around, ping.timeMs, m_settings);
        m_pingLine.clear();
        PositionFormat::AppendPingLine(m_pingLine, {ping.record, ping.timeMs, position});
        Append(m_pings, m_pingLine);
        m_firstWaiting = (m_firstWaiting + 1) % m_waiting.size();
        --m_waitingCount;
    }
}
