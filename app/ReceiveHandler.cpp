#include "app/ReceiveHandler.h"

#include <cstdint>

#include "engine/XSound.h"
#include "link/PortSlot.h"

int HandleReceiveNotification(int portNumber, PortSlot& instrumentPort, XSound& engine) {
    if (portNumber < 1 || portNumber > 9) return -1;
    std::uint8_t buffer[2048];
    const std::uint32_t count = instrumentPort.TakeReceived(buffer);
    if (count > 0 && engine.IsLive()) engine.DecodeBytes(buffer, count);
    return 0;
}
