#pragma once

#include <cstdint>
#include <vector>

// The alarm's sound: one second of 16-bit mono PCM in a WAV file, a tone
// for the first half and silence for the second, so that played in a loop
// it beeps once a second. The tone rises and falls over a few milliseconds
// at its ends so that it does not click.
namespace AlarmTone {

inline constexpr int kSampleRate = 44100;
inline constexpr double kFrequency = 880.0;  // Hz
inline constexpr double kToneSeconds = 0.5;
inline constexpr double kPeriodSeconds = 1.0;
inline constexpr double kAmplitude = 0.5;  // of full scale
inline constexpr double kRampSeconds = 0.005;

// The whole WAV file.
std::vector<std::uint8_t> Wav();

}  // namespace AlarmTone
