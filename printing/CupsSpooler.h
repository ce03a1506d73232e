#pragma once

#include <atomic>
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

// The chart printer through CUPS: each document becomes one raw job named
// "printer" on the queue of the printer "EPSON LQ-300K+II ESC/P2".
//
// Documents are queued and sent in order by a thread of the spooler's own,
// so whoever submits (the worker drawing the pings) never waits for CUPS. A
// document that CUPS refuses or that cannot be finished is reported through
// the failure call and dropped; the documents after it follow in order. The
// failure call comes from the spooler's thread or from the submitting one.
class CupsSpooler : public ChartSpooler {
public:
    static constexpr const char* kPrinterName = "EPSON LQ-300K+II ESC/P2";
    // About 12 MB of bands waiting; more means CUPS has stopped taking jobs.
    static constexpr std::size_t kMaxWaiting = 4096;

    explicit CupsSpooler(std::function<void()> failed);
    // Sends what is still queued, then ends the thread.
    ~CupsSpooler() override;
    CupsSpooler(const CupsSpooler&) = delete;
    CupsSpooler& operator=(const CupsSpooler&) = delete;

    // The CUPS queue of the chart printer: the destination whose name is the
    // printer's name with spaces and "/" made "_" (a queue name cannot hold
    // them), else the one whose description (printer-info) is the name. ""
    // when there is none.
    static std::string FindQueue();

    bool OpenPrinter() override;
    void Submit(std::vector<std::uint8_t> document) override;
    void DocumentFailed() override;

    // Waits until every document submitted so far has been sent or dropped.
    void Drain();
    std::size_t SentCount() const { return m_sent.load(std::memory_order_acquire); }
    std::size_t FailedCount() const { return m_failedCount.load(std::memory_order_acquire); }

private:
    struct Job {
        std::string queue;
        std::vector<std::uint8_t> document;
    };

    void Run();
    static bool Send(const Job& job);
    void Failed();

    std::function<void()> m_failed;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    std::string m_queue;  // "" until the printer is opened
    bool m_sending = false;
    bool m_stop = false;
    std::atomic<std::size_t> m_sent{0};
    std::atomic<std::size_t> m_failedCount{0};
    std::thread m_thread;
};
