#include "printing/CupsSpooler.h"

#include <cups/cups.h>

#include <algorithm>

CupsSpooler::CupsSpooler(std::function<void()> failed) : m_failed(std::move(failed)) {
    m_thread = std::thread([this] { Run(); });
}

CupsSpooler::~CupsSpooler() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

std::string CupsSpooler::FindQueue() {
    std::string queueName = kPrinterName;
    std::replace(queueName.begin(), queueName.end(), ' ', '_');
    std::replace(queueName.begin(), queueName.end(), '/', '_');

    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::string byName;
    std::string byInfo;
    for (int i = 0; i < count; ++i) {
        const cups_dest_t& dest = dests[i];
        if (dest.instance != nullptr) continue;
        if (queueName == dest.name) byName = dest.name;
        const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
        if (info != nullptr && std::string(info) == kPrinterName && byInfo.empty())
            byInfo = dest.name;
    }
    cupsFreeDests(count, dests);
    return byName.empty() ? byInfo : byName;
}

bool CupsSpooler::OpenPrinter() {
    const std::string queue = FindQueue();
    if (queue.empty()) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue = queue;
    return true;
}

void CupsSpooler::Submit(std::vector<std::uint8_t> document) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_queue.empty() && m_jobs.size() < kMaxWaiting) {
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

void CupsSpooler::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty()) return;  // stopping, and everything is sent
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_sending = true;
        lock.unlock();
        const bool sent = Send(job);
        if (sent) {
            m_sent.fetch_add(1, std::memory_order_acq_rel);
        } else {
            Failed();
        }
        lock.lock();
        m_sending = false;
        if (m_jobs.empty()) m_idle.notify_all();
    }
}

// One raw job: created, its one document started, written and finished.
// Runs on the spooler's thread, which has its own connection to CUPS.
bool CupsSpooler::Send(const Job& job) {
    const char* queue = job.queue.c_str();
    const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, queue, "printer", 0, nullptr);
    if (id == 0) return false;
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue, id, "printer", CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, queue, id, 0);
        return false;
    }
    const auto* bytes = reinterpret_cast<const char*>(job.document.data());
    const bool written =
        cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes, job.document.size()) == HTTP_STATUS_CONTINUE;
    const bool finished =
        cupsFinishDocument(CUPS_HTTP_DEFAULT, queue) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    return written && finished;
}

void CupsSpooler::Failed() {
    m_failedCount.fetch_add(1, std::memory_order_acq_rel);
    if (m_failed) m_failed();
}
