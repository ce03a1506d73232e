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
    struct Config {
        std::string link;
        double rate = 5.0;  // fixes per second, 0.1..50
        int latencyMs = 0;
        // The sentences carry the time they are sent instead of the fix's:
        // a receiver whose positions are latencyMs older than their time.
        bool tagSent = false;
        GnssReceiver::Config receiver;
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
    void Write(const std::string& bytes);

    Config m_config;
    const Survey& m_survey;
    GnssReceiver m_receiver;
    Terminal m_terminal;
    std::int64_t m_periodMs;
    std::int64_t m_nextFixMs;
    bool m_sending = true;
};
