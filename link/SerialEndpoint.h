#pragma once

#include <cstddef>
#include <cstdint>

// What the rest of the program uses of an open serial port: queue bytes for
// sending, and take the bytes received since the last call.
class SerialEndpoint {
public:
    // TakeReceived copies at most this many bytes, plus a terminating zero.
    static constexpr std::uint32_t kReceiveChunk = 1024;

    virtual ~SerialEndpoint() = default;

    // Queues one message (a command frame, a depth sentence); it is sent
    // whole. Returns at once.
    virtual void SendBytes(const std::uint8_t* bytes, std::size_t length) = 0;

    // Copies the unread received bytes in order (at most kReceiveChunk) to
    // destination, which holds at least kReceiveChunk + 1 bytes, appends a
    // zero byte and returns the count (0 when nothing is waiting).
    virtual std::uint32_t TakeReceived(std::uint8_t* destination) = 0;
};
