#pragma once

#include <cstddef>
#include <cstdint>

#include "link/PortSlot.h"

// Carries the engine's command frames to the instrument.
//
// The instrument answers each command frame with one ping frame over its
// serial port, so command frames always go to the instrument's serial port
// when it is open, in network mode (UseNet = 1) as well: the network link
// carries depth messages only. Without an open port the frame is dropped
// silently; the watchdog sends the next one.
class CommandTransport {
public:
    explicit CommandTransport(PortSlot& instrumentPort) : m_instrumentPort(instrumentPort) {}

    // True when the frame was queued on the port.
    bool Send(const std::uint8_t* frame, std::size_t length) {
        return m_instrumentPort.Send(frame, length);
    }

private:
    PortSlot& m_instrumentPort;
};
