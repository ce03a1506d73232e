#pragma once

#include <cstdint>
#include <string>

#include "tools/sim/GnssReceiver.h"
#include "tools/sim/Survey.h"
#include "tools/sim/Terminal.h"

// The GNSS receiver on a pseudo-terminal of its own: a fix of the boat's
// antenna at every whole multiple of the fix period in UTC, its sentences
// sent latency ms after the fix's time (which they carry, unless tagSent). Like a serial line, the
// terminal keeps nothing for a reader that is not there: what a fix period later is still unread is
// thrown away.
class GnssPort {
public:
    // A stretch of the run, in seconds from the simulator's start.
    struct Stretch {
        double from = -1.0;
        double seconds = 0.0;
        bool Covers(double at) const { return at >= from && at < from + seconds; }
    };
    // Faults of the receiver, for tests.
    struct Faults {
        double garbage = 0.0;      // chance per fix of a burst of line noise before it
        double badChecksum = 0.0;  // chance per sentence of a wrong checksum
        Stretch noFix;             // the receiver reports no fix
        Stretch silent;            // it sends nothing
        Stretch unplugged;         // its terminal is gone (the link too), then a new one
        // The times sent run this many seconds behind: the receiver repeats
        // them, then its time is right again.
        Stretch timeBack;
        // A leap second at the first minute's turn this many seconds or more
        // after the start: the second is sent as hh:mm:60 of the minute
        // before, the next one repeats hh:mm:00 (as gpsd's times repeat a
        // second where the computer's clock steps back), then the times are
        // right again. Negative: none.
        double leapSecond = -1.0;
    };

    struct Config {
        std::string link;
        double rate = 5.0;  // fixes per second, 0.1..50
        int latencyMs = 0;
        // The sentences carry the time they are sent instead of the fix's:
        // a receiver whose positions are latencyMs older than their time.
        bool tagSent = false;
        GnssReceiver::Config receiver;
        Faults faults;
    };

    GnssPort(const Config& config, const Survey& survey, std::uint64_t randomStart,
             std::int64_t startUtcMs);

    bool Open(std::string* error);
    const std::string& Path() const { return m_terminal.Path(); }
    // The terminal's master side, to wait on for what the reader writes.
    int Fd() const { return m_terminal.Master(); }

    // Milliseconds until the next fix is due to be sent.
    int TimeoutMs(std::int64_t nowUtcMs) const;
    // Drops what the reader wrote and sends the fixes that are due.
    void Serve(std::int64_t nowUtcMs);

    // Off: no sentences at all, as with a receiver that lost its antenna.
    void SetSending(bool on) { m_sending = on; }
    void SendGarbage(std::int64_t nowUtcMs);
    void SetQuality(int quality) { m_receiver.SetQuality(quality); }

private:
    GnssReceiver::Fix FixAt(std::int64_t utcMs) const;
    // Seconds since the start.
    double Since(std::int64_t utcMs) const;
    // Unplugs or plugs the receiver in as the faults say for now.
    void Plug(std::int64_t nowUtcMs);
    void Write(const std::string& bytes);

    Config m_config;
    const Survey& m_survey;
    GnssReceiver m_receiver;
    Terminal m_terminal;
    std::int64_t m_startUtcMs;
    std::int64_t m_leapUtcMs = -1;  // the leap second's turn of the minute
    std::int64_t m_periodMs;
    std::int64_t m_nextFixMs;
    bool m_sending = true;
};
