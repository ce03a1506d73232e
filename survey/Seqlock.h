#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

// A value one thread publishes and others read without a lock: neither side
// ever waits for the other. A read that overlaps a write sees the sequence
// move and fails; the caller then uses another value (FixHistory keeps
// many), it never spins on the writer. The value is held word by word in
// atomics (released by the writer, acquired by the reader, no fences: plain
// moves on x86, and ThreadSanitizer follows them), so a torn read is
// detected, never used.
//
// One writer at a time (the caller guarantees it); any number of readers.
template <class T>
class Seqlock {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    void Store(const T& value) {
        std::uint64_t words[kWords] = {};
        std::memcpy(words, &value, sizeof(T));
        const std::uint64_t sequence = m_sequence.load(std::memory_order_relaxed);
        m_sequence.store(sequence + 1, std::memory_order_relaxed);  // odd: writing
        // Each word is released: a reader that sees it sees the odd sequence.
        for (std::size_t i = 0; i < kWords; ++i)
            m_words[i].store(words[i], std::memory_order_release);
        m_sequence.store(sequence + 2, std::memory_order_release);
    }

    // One attempt: false when a write was in progress or happened meanwhile.
    bool TryLoad(T* out) const {
        const std::uint64_t before = m_sequence.load(std::memory_order_acquire);
        if (before & 1u) return false;
        std::uint64_t words[kWords];
        // Acquired: the sequence read after them is at least the one their
        // writer stored before them.
        for (std::size_t i = 0; i < kWords; ++i)
            words[i] = m_words[i].load(std::memory_order_acquire);
        if (m_sequence.load(std::memory_order_relaxed) != before) return false;
        std::memcpy(out, words, sizeof(T));
        return true;
    }

private:
    static constexpr std::size_t kWords = (sizeof(T) + 7) / 8;
    std::atomic<std::uint64_t> m_sequence{0};
    std::array<std::atomic<std::uint64_t>, kWords> m_words{};
};
