#pragma once

#include <cstdint>

// The depth alarms the user sets (section Alarms of the settings file).
// Depths are metres below the surface, as the smoothed depth is.
struct AlarmSettings {
    // A shallow or deep alarm: raised when the smoothed depth passes its
    // depth, cleared only when it is back by more than the hysteresis.
    struct Limit {
        bool on = false;
        double depth = 0.0;       // m
        double hysteresis = 0.0;  // m
        bool operator==(const Limit&) const = default;
    };

    Limit shallow{false, 2.0, 0.3};
    Limit deep{false, 100.0, 1.0};
    // Raised after this many live pings in a row without a bottom.
    bool bottomLostOn = false;
    std::int32_t bottomLostPings = 10;
    // Raised when no ping has come for this many seconds while the
    // instrument is connected.
    bool staleOn = false;
    std::int32_t staleSeconds = 5;

    bool operator==(const AlarmSettings&) const = default;
};

// What the alarm dialog and the settings file allow.
namespace AlarmLimits {

inline constexpr double kMinDepth = 0.0;  // m
inline constexpr double kMaxDepth = 500.0;
inline constexpr double kMinHysteresis = 0.0;  // m
inline constexpr double kMaxHysteresis = 50.0;
inline constexpr std::int32_t kMinPings = 1;
inline constexpr std::int32_t kMaxPings = 1000;
inline constexpr std::int32_t kMinSeconds = 1;
inline constexpr std::int32_t kMaxSeconds = 3600;

}  // namespace AlarmLimits
