#pragma once

#include <cstdint>

// The limits every dialog keeps the sounding settings in. Outside them every
// depth would be wrong: a sound speed of 0 makes every depth 0, a negative
// draft or one of 10,000 m shifts every depth by as much.
namespace SettingLimits {

inline constexpr double kMinDraft = 0.0;  // m (EatWater)
inline constexpr double kMaxDraft = 100.0;
// m/s (Speed). Sea and fresh water lie between about 1400 and 1600 m/s.
inline constexpr double kMinSoundSpeed = 1300.0;
inline constexpr double kMaxSoundSpeed = 1700.0;
inline constexpr double kMinFixedDepth = 0.0;  // m (FixDep)
inline constexpr double kMaxFixedDepth = 500.0;
inline constexpr std::int32_t kMinGain = -40;  // Plus
inline constexpr std::int32_t kMaxGain = 40;
// The GNSS position source (section GNSS).
inline constexpr std::int32_t kMinLatencyMs = -1000;  // LatencyMs
inline constexpr std::int32_t kMaxLatencyMs = 10000;
inline constexpr double kMaxAntennaOffset = 100.0;  // m, forward or starboard, either sign
inline constexpr std::int32_t kMinPortNumber = 1;   // GpsdPort
inline constexpr std::int32_t kMaxPortNumber = 65535;
inline constexpr std::int32_t kMaxSerialPort = 255;  // SerialCom: COM1..COM255
inline constexpr std::int32_t kMinBaud = 50;         // SerialBaud
inline constexpr std::int32_t kMaxBaud = 4000000;

inline bool DraftValid(double metres) {
    return metres >= kMinDraft && metres <= kMaxDraft;
}
inline bool SoundSpeedValid(double speed) {
    return speed >= kMinSoundSpeed && speed <= kMaxSoundSpeed;
}
inline bool FixedDepthValid(double metres) {
    return metres >= kMinFixedDepth && metres <= kMaxFixedDepth;
}

}  // namespace SettingLimits
