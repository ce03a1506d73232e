#include "display/AlarmTone.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace AlarmTone {

namespace {

void Put(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void PutLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> Wav() {
    const auto count = static_cast<std::uint32_t>(kSampleRate * kPeriodSeconds);
    const auto toneCount = static_cast<std::uint32_t>(kSampleRate * kToneSeconds);
    const double ramp = kSampleRate * kRampSeconds;
    const std::uint32_t dataBytes = count * 2;

    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    Put(out, "RIFF");
    PutLittle(out, 36 + dataBytes, 4);
    Put(out, "WAVEfmt ");
    PutLittle(out, 16, 4);  // format chunk size
    PutLittle(out, 1, 2);   // PCM
    PutLittle(out, 1, 2);   // mono
    PutLittle(out, kSampleRate, 4);
    PutLittle(out, kSampleRate * 2, 4);  // bytes per second
    PutLittle(out, 2, 2);                // bytes per frame
    PutLittle(out, 16, 2);               // bits per sample
    Put(out, "data");
    PutLittle(out, dataBytes, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        double sample = 0.0;
        if (i < toneCount) {
            const double edge = std::min({1.0, i / ramp, (toneCount - i) / ramp});
            sample =
                kAmplitude * edge * std::sin(2.0 * std::numbers::pi * kFrequency * i / kSampleRate);
        }
        const auto value = static_cast<std::int16_t>(std::lround(sample * 32767.0));
        PutLittle(out, static_cast<std::uint16_t>(value), 2);
    }
    return out;
}

}  // namespace AlarmTone
