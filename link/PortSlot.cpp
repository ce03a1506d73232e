#include "link/PortSlot.h"

void PortSlot::Set(SerialEndpoint* port) {
    std::lock_guard lock(m_mutex);
    m_port = port;
}

bool PortSlot::Present() const {
    std::lock_guard lock(m_mutex);
    return m_port != nullptr;
}

bool PortSlot::Send(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard lock(m_mutex);
    if (m_port == nullptr) return false;
    m_port->SendBytes(bytes, length);
    return true;
}

std::uint32_t PortSlot::TakeReceived(std::uint8_t* destination) {
    std::lock_guard lock(m_mutex);
    if (m_port == nullptr) return 0;
    return m_port->TakeReceived(destination);
}
