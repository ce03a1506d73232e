#include "XSound.h"

void XSound::BuildCommandFrame(std::uint8_t frame[kCommandFrameLength]) const {
    for (std::uint32_t i = 0; i < kCommandFrameLength; ++i) frame[i] = 0;
}
void XSound::SendCommandFrame() {}
bool XSound::WatchdogTick() {
    return false;
}
