#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "survey/Fix.h"
#include "survey/FixHistory.h"
#include "survey/PositionLog.h"
#include "survey/TransducerPosition.h"

// The two position files beside a recording, named after its base as its
// other files are: BASE.gnss.csv, every fix as it came (so positions can be
// computed again with another latency or offset), and BASE.pos.csv, the
// transducer at every recorded ping.
//
// A ping's line waits for the fix that follows the ping, so that its place
// is interpolated between the fixes around it; it is written when that fix
// is in, or once the ping is 2.5 s past the latency with none (then its
// flag says how it was placed), at the latest when the files close.
//
// Threads: Open and Close on the thread that starts and ends recording;
// LogFix on the thread that receives the fixes; PlacePing and WriteDue on
// the thread that processes the pings. Each file has its own mutex, which
// only Open and Close share with its writer.
class PositionRecording {
public:
    struct Paths {
        std::string fixes;  // BASE.gnss.csv
        std::string pings;  // BASE.pos.csv
    };
    static Paths PathsFor(const std::string& chosenPath);

    // How long a ping's line waits past its latency for the fix after it.
    static constexpr std::int64_t kWaitMs = kFixGapMaxMs + 500;

    PositionRecording(const FixHistory& history, const PositionSettings& settings)
        : m_history(history), m_settings(settings) {}
    ~PositionRecording() { Close(true); }
    PositionRecording(const PositionRecording&) = delete;
    PositionRecording& operator=(const PositionRecording&) = delete;

    // Opens both files for the recording at chosenPath (continuing: the
    // recording existed and goes on), or neither.
    PositionLog::Status Open(const std::string& chosenPath, bool continuing);
    bool IsOpen() const { return m_open.load(std::memory_order_acquire); }
    const PositionSettings& Settings() const { return m_settings; }
    // Writes the lines still waiting and closes; when the recording was not
    // kept (too short), the files it created go too.
    void Close(bool recordingKept);

    // Every fix received, into the raw log.
    void LogFix(const Fix& fix);
    // A recorded ping: its place now (for its depth line), and its line in
    // the per-ping file, written when due. nowMs is the system clock.
    PingPosition PlacePing(std::uint32_t record, std::int64_t pingTimeMs, std::int64_t nowMs);
    // Writes the waiting lines that are due.
    void WriteDue(std::int64_t nowMs);
    // Lines waiting for the fix after their ping.
    std::size_t WaitingLines();

    // Lines that could not be written (a full disk), both files.
    std::uint64_t LostLines() const { return m_lostLines.load(std::memory_order_relaxed); }

private:
    struct Waiting {
        std::uint32_t record = 0;
        std::int64_t timeMs = 0;
    };
    // Writes the waiting lines that are due, and the oldest `forced` ones
    // whether due or not. The caller holds m_pingMutex.
    void WriteWaiting(std::int64_t nowMs, std::size_t forced);
    void Append(PositionLog& log, const std::string& line);

    const FixHistory& m_history;
    const PositionSettings m_settings;
    std::atomic<bool> m_open{false};
    std::atomic<std::uint64_t> m_lostLines{0};

    std::mutex m_fixMutex;
    PositionLog m_fixes;
    std::string m_fixLine;  // reused: no allocation per line

    std::mutex m_pingMutex;
    PositionLog m_pings;
    std::string m_pingLine;
    std::array<Waiting, 512> m_waiting;  // a ring, oldest first
    std::size_t m_firstWaiting = 0;
    std::size_t m_waitingCount = 0;
};
