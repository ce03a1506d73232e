#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class OutputLog;
class QThread;

// The depth sink to the companion survey program: each depth text goes to
// the local channel "Kelvara" as one copy-data message on a connection of
// its own.
//
// Messages are handed to a thread of the link's own through a short queue,
// so a caller (the worker) never waits on the companion. A message the
// companion does not take within kDeliveryTime of being queued, or that
// finds the queue full, is dropped and counted; a companion that answers
// again gets the next messages at once. Without a companion listening the
// messages go nowhere and are not counted: nothing was there to receive them.
// A listener run by another user is never written to.
//
// With an output log each message is also recorded there with what became
// of it: sent, dropped (queue full or too late) or failed (nobody listens).
class CompanionLink {
public:
    static constexpr std::size_t kQueueLength = 4;
    static constexpr std::chrono::milliseconds kDeliveryTime{500};

    // serverName: an absolute socket path, or a local channel name.
    explicit CompanionLink(QString serverName = QStringLiteral("Kelvara"),
                           OutputLog* log = nullptr);
    ~CompanionLink();
    CompanionLink(const CompanionLink&) = delete;
    CompanionLink& operator=(const CompanionLink&) = delete;

    // Queues the text; false when it was dropped because the queue is full.
    bool SendCopyData(std::string_view text);

    // Messages the companion took, and messages dropped for a companion that
    // did not take them in time.
    std::uint64_t Delivered() const { return m_delivered.load(std::memory_order_acquire); }
    std::uint64_t Dropped() const { return m_dropped.load(std::memory_order_acquire); }

private:
    using Clock = std::chrono::steady_clock;
    struct Message {
        std::string frame;
        Clock::time_point deadline;
    };
    enum class Outcome { kDelivered, kNobodyListens, kTooLate };

    void Run();
    Outcome Deliver(const Message& message) const;
    void Record(std::string_view frame, Outcome outcome) const;

    std::string m_socketPath;
    OutputLog* const m_log;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Message> m_queue;  // guarded by m_mutex
    bool m_stop = false;          // guarded by m_mutex
    bool m_delivering = false;    // guarded by m_mutex: a message is on its way
    std::atomic<std::uint64_t> m_delivered{0};
    std::atomic<std::uint64_t> m_dropped{0};
    std::unique_ptr<QThread> m_thread;
};
