#include "XSound.h"

void XSound::DecodeBytes(const std::uint8_t*, std::uint32_t) {}
void XSound::ExpandSamples() {}
std::uint32_t XSound::DepthToSamples(double) const {
    return 0;
}
double XSound::SamplesToDepth(std::uint32_t) const {
    return 0.0;
}
