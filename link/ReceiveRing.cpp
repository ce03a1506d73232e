#include "link/ReceiveRing.h"

#include <algorithm>
#include <cstring>

std::uint32_t ReceiveRing::WritableSize() const {
    const std::uint32_t written = m_written.load(std::memory_order_relaxed);
    const std::uint32_t free = kSize - (written - m_read.load(std::memory_order_acquire));
    return std::min(free, kSize - (written & kMask));
}

void ReceiveRing::CommitWrite(std::uint32_t count) {
    m_written.fetch_add(count, std::memory_order_release);
}

std::uint32_t ReceiveRing::TakeReceived(std::uint8_t* destination) {
    const std::uint32_t read = m_read.load(std::memory_order_relaxed);
    const std::uint32_t count = m_written.load(std::memory_order_acquire) - read;
    const std::uint32_t start = read & kMask;
    const std::uint32_t first = std::min(count, kSize - start);
    std::memcpy(destination, m_bytes + start, first);
    std::memcpy(destination + first, m_bytes, count - first);
    destination[count] = 0;
    m_read.store(read + count, std::memory_order_release);
    return count;
}
