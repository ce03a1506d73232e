#include "printing/CupsSpooler.h"

#include <future>
#include <memory>

using Clock = CupsConnection::Clock;

CupsSpooler::CupsSpooler(std::function<void()> failed) : m_failed(std::move(failed)) {
    m_thread = std::thread([this] { Run(); });
}

CupsSpooler::~CupsSpooler() {
    Finish(kFinishTime);
}

std::string CupsSpooler::FindQueue() {
    CupsConnection cups;
    return cups.FindQueue(kPrinterName, Clock::now() + kLookupTime);
}

void CupsSpooler::OpenPrinterAsync(std::function<void(bool found)> opened) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_finishing) {
            m_lookups.push_back(std::move(opened));
            m_wake.notify_one();
            return;
        }
    }
    opened(false);
}

bool CupsSpooler::OpenPrinter() {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> found = answer->get_future();
    OpenPrinterAsync([answer](bool printer) { answer->set_value(printer); });
    return found.get();
}

void CupsSpooler::Submit(std::vector<std::uint8_t> document) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_finishing && !m_queue.empty() && m_jobs.size() < kMaxWaiting) {
            m_jobs.push_back(Job{m_queue, std::move(document)});
            m_wake.notify_one();
            return;
        }
    }
    Failed();
}

void CupsSpooler::DocumentFailed() {
    Failed();
}

void CupsSpooler::Drain() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_sending; });
}

std::size_t CupsSpooler::Finish(std::chrono::milliseconds wait) {
    std::size_t waiting = 0;
    std::size_t sentBefore = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finishing) return 0;
        m_finishing = true;
        m_finishBy = Clock::now() + wait;
        m_cups.GiveUpAt(m_finishBy);
        waiting = m_jobs.size() + (m_sending ? 1 : 0);
        sentBefore = SentCount();
    }
    m_wake.notify_all();
    m_thread.join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.clear();
    }
    m_idle.notify_all();
    return waiting - (SentCount() - sentBefore);
}

void CupsSpooler::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_finishing || !m_lookups.empty() || !m_jobs.empty(); });
        if (m_finishing) {
            // Nobody prints any more: lookups find nothing, and the queued
            // documents are sent only while the time lasts.
            auto answers = std::move(m_lookups);
            m_lookups.clear();
            lock.unlock();
            for (auto& answer : answers) answer(false);
            lock.lock();
            if (m_jobs.empty() || Clock::now() >= m_finishBy) return;
        }
        if (!m_lookups.empty()) {
            auto answers = std::move(m_lookups);
            m_lookups.clear();
            lock.unlock();
            const std::string queue = m_cups.FindQueue(kPrinterName, Clock::now() + kLookupTime);
            lock.lock();
            if (!queue.empty()) m_queue = queue;
            lock.unlock();
            for (auto& answer : answers) answer(!queue.empty());
            lock.lock();
            continue;
        }
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_sending = true;
        lock.unlock();
        if (m_cups.SendJob(job.queue, job.document, Clock::now() + kSendTime)) {
            m_sent.fetch_add(1, std::memory_order_acq_rel);
        } else {
            Failed();
        }
        lock.lock();
        m_sending = false;
        if (m_jobs.empty()) m_idle.notify_all();
    }
}

void CupsSpooler::Failed() {
    m_failedCount.fetch_add(1, std::memory_order_acq_rel);
    if (m_failed) m_failed();
}
