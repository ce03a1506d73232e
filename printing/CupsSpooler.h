#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "printing/ChartSpooler.h"
#include "printing/CupsConnection.h"

// The chart printer through CUPS: each document becomes one raw job named
// "printer" on the queue of the printer "EPSON LQ-300K+II ESC/P2".
//
// Only the spooler's own thread talks to CUPS, over a connection whose
// every wait ends (CupsConnection): nobody else ever waits for CUPS,
// whatever state it is in. The printer is looked up there, and documents
// are queued and sent there in order, so whoever opens the printer (the UI
// thread) or submits (the worker drawing the pings) never waits. A lookup
// that gets no answer within kLookupTime finds no printer. A document that
// CUPS refuses, or does not take within kSendTime, is reported through the
// failure call and dropped; the documents after it follow in order. The
// failure call comes from the spooler's thread or from the submitting one.
class CupsSpooler : public ChartSpooler {
public:
    static constexpr const char* kPrinterName = "EPSON LQ-300K+II ESC/P2";
    // About 12 MB of bands waiting; more means CUPS has stopped taking jobs.
    static constexpr std::size_t kMaxWaiting = 4096;
    static constexpr std::chrono::milliseconds kLookupTime{5000};
    static constexpr std::chrono::milliseconds kSendTime{10000};

    explicit CupsSpooler(std::function<void()> failed);
    // Finish(kFinishTime), unless finished before.
    ~CupsSpooler() override;
    CupsSpooler(const CupsSpooler&) = delete;
    CupsSpooler& operator=(const CupsSpooler&) = delete;

    // The chart printer's queue (see CupsConnection::FindQueue), looked up
    // on the calling thread within kLookupTime. "" when there is none.
    static std::string FindQueue();

    // Queues the lookup; `opened` gets the answer from the spooler's
    // thread, after the document being sent, if any. Returns at once.
    void OpenPrinterAsync(std::function<void(bool found)> opened) override;
    // The same, waiting for the answer: never on the UI thread.
    bool OpenPrinter() override;
    void Submit(std::vector<std::uint8_t> document) override;
    void DocumentFailed() override;

    // Waits until every document submitted so far has been sent or dropped.
    void Drain();
    // Also ends the thread. The documents not printed are those still
    // queued or cut off while being sent.
    std::size_t Finish(std::chrono::milliseconds wait) override;
    std::size_t SentCount() const { return m_sent.load(std::memory_order_acquire); }
    std::size_t FailedCount() const { return m_failedCount.load(std::memory_order_acquire); }

private:
    struct Job {
        std::string queue;
        std::vector<std::uint8_t> document;
    };

    void Run();
    void Failed();

    std::function<void()> m_failed;
    CupsConnection m_cups;  // the spooler's thread's, but for GiveUpAt
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    std::vector<std::function<void(bool)>> m_lookups;  // waiting for an answer
    std::string m_queue;                               // "" until the printer is found
    bool m_sending = false;
    bool m_finishing = false;
    CupsConnection::Clock::time_point m_finishBy = CupsConnection::Clock::time_point::max();
    std::atomic<std::size_t> m_sent{0};
    std::atomic<std::size_t> m_failedCount{0};
    std::thread m_thread;
};
