#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "link/SerialEndpoint.h"

// The open port of one role (the instrument port or the depth-output port).
// The UI thread opens and closes ports while the worker sends through them:
// the slot makes sure no send is still using a port once Set has replaced
// it, so the caller may destroy the old port right after Set returns.
class PortSlot {
public:
    void Set(SerialEndpoint* port);
    bool Present() const;

    // Queues the bytes on the port; false when no port is open.
    bool Send(const std::uint8_t* bytes, std::size_t length);
    // Drains the port's received bytes (see SerialEndpoint::TakeReceived);
    // 0 when no port is open.
    std::uint32_t TakeReceived(std::uint8_t* destination);

private:
    mutable std::mutex m_mutex;
    SerialEndpoint* m_port = nullptr;
};
