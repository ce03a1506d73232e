#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

// What leaves the program on its depth-output sinks, for the output
// monitor: each message with its time, sink, bytes and result, and counters
// per sink.
//
// Record may be called from any thread (the worker, the UI thread, the
// companion link's thread). While nobody watches it only counts; while the
// monitor watches it also copies the message into a preallocated buffer
// under a lock that the monitor holds only to swap two buffers, so a sender
// never waits for the monitor's own work.
class OutputLog {
public:
    enum class Sink : std::uint8_t { kSerial, kNetwork, kCompanion };
    enum class Result : std::uint8_t { kSent, kFailed, kDropped };
    static constexpr int kSinkCount = 3;
    static constexpr int kResultCount = 3;
    static constexpr std::size_t kMaxBytes = 96;   // longer messages are cut
    static constexpr std::size_t kPending = 2048;  // messages between two takes

    struct Entry {
        std::uint64_t sequence = 0;  // order of recording, from 1
        std::int64_t timeMs = 0;     // milliseconds since 1970-01-01 UTC
        Sink sink = Sink::kSerial;
        Result result = Result::kSent;
        std::uint8_t length = 0;  // bytes kept
        bool cut = false;         // the message was longer than kMaxBytes
        std::array<char, kMaxBytes> bytes{};

        std::string_view Bytes() const { return {bytes.data(), length}; }
    };

    using Counters = std::array<std::array<std::uint64_t, kResultCount>, kSinkCount>;

    OutputLog();

    // The monitor opens (true) or closes (false). Messages are kept only
    // while it watches.
    void SetWatching(bool watching);
    bool Watching() const { return m_watching.load(std::memory_order_acquire); }

    // One message handed to a sink, and what became of it. Any thread.
    void Record(Sink sink, std::string_view bytes, Result result);

    // The messages recorded since the last call, oldest first, appended to
    // out. Messages that did not fit between two calls are counted in
    // Overflowed. The watcher's thread.
    void Take(std::vector<Entry>& out);
    std::uint64_t Overflowed() const { return m_overflowed.load(std::memory_order_relaxed); }

    // Messages per sink and result since the program started.
    Counters Count() const;

private:
    std::atomic<bool> m_watching{false};
    std::array<std::array<std::atomic<std::uint64_t>, kResultCount>, kSinkCount> m_counts{};
    std::atomic<std::uint64_t> m_overflowed{0};

    std::mutex m_mutex;
    std::vector<Entry> m_filling;  // guarded by m_mutex; capacity kPending
    std::vector<Entry> m_spare;    // the watcher's; swapped with m_filling
    std::uint64_t m_sequence = 0;  // guarded by m_mutex
};
