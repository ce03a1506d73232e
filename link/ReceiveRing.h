#pragma once

#include <atomic>
#include <cstdint>

// The 1024-byte receive ring of a serial port: one writer (the port's
// thread) and one reader (the UI thread).
//
// Each read from the device goes to one contiguous piece of the ring (a read
// never wraps; the next one continues at the start) and never covers bytes
// the reader has not taken yet: when the ring is full the writer leaves the
// rest in the device's queue until the reader has made room.
class ReceiveRing {
public:
    static constexpr std::uint32_t kSize = 1024;

    // Writer: where the next read goes and how many bytes it may take.
    std::uint8_t* WritePointer() { return m_bytes + (m_written.load() & kMask); }
    std::uint32_t WritableSize() const;
    // Writer: count bytes were stored at WritePointer().
    void CommitWrite(std::uint32_t count);

    // Reader: copies the unread bytes in order (at most kSize) to destination
    // (at least kSize + 1 bytes), appends a zero byte, returns the count.
    std::uint32_t TakeReceived(std::uint8_t* destination);

    std::uint32_t Unread() const { return m_written.load() - m_read.load(); }

private:
    static constexpr std::uint32_t kMask = kSize - 1;
    std::uint8_t m_bytes[kSize] = {};
    // Free-running counts of bytes written and read; positions are the
    // counts modulo kSize, so a full ring differs from an empty one.
    std::atomic<std::uint32_t> m_written{0};
    std::atomic<std::uint32_t> m_read{0};
};
