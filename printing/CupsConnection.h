#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _http_s http_t;

// A connection to the CUPS scheduler (the server libcups is pointed at)
// whose every wait ends: connecting, sending and waiting for an answer give
// up when the operation's deadline passes or when the time set by GiveUpAt
// does, whatever state the scheduler is in (stopped, hung, gone).
//
// Used by one thread, except GiveUpAt. Never asks anyone for a password.
class CupsConnection {
public:
    using Clock = std::chrono::steady_clock;

    CupsConnection();
    ~CupsConnection();
    CupsConnection(const CupsConnection&) = delete;
    CupsConnection& operator=(const CupsConnection&) = delete;

    // Every operation stops waiting at `when`, even before its own
    // deadline. Any thread.
    void GiveUpAt(Clock::time_point when);

    // The queue of the printer `printerName`: the one whose name is the
    // printer's name with spaces and "/" made "_" (a queue name cannot hold
    // them), else the first whose description (printer-info) is the name.
    // "" when there is none or CUPS has not answered by `deadline`.
    std::string FindQueue(const std::string& printerName, Clock::time_point deadline);

    // One raw job named "printer" holding `document`. True when CUPS took
    // it whole by `deadline`.
    bool SendJob(const std::string& queue, const std::vector<std::uint8_t>& document,
                 Clock::time_point deadline);

private:
    // The open connection, made anew when there is none; null when CUPS
    // cannot be reached in time.
    http_t* Connection();
    void Close();
    // Milliseconds left until the nearer of the operation's deadline and
    // the give-up time; 0 when it has passed.
    long long MillisecondsLeft() const;
    static int KeepWaiting(http_t* http, void* self);

    http_t* m_http = nullptr;
    Clock::time_point m_deadline;
    std::atomic<Clock::rep> m_giveUpAt;
};
