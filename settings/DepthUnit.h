#pragma once

#include <cstdint>
#include <string>

// The unit the window shows depths in (key DepthUnit of section Display).
// Only what the window shows changes: the files, the recordings and the
// depth sentences keep metres.
enum class DepthUnit : std::int32_t {
    kMetres = 0,
    kFeet = 1,
    kFathoms = 2,
};

namespace DepthUnits {

inline constexpr std::int32_t kCount = 3;
inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMetresPerFathom = 1.8288;  // six feet

// An index from the settings file; anything else is metres.
DepthUnit FromIndex(std::int32_t index);

double FromMetres(double metres, DepthUnit unit);
double ToMetres(double value, DepthUnit unit);

// The depth monitor's digits: in metres "%.2f" below 100 and "%.1f" from
// 100; in feet "%.1f" below 1000 and "%.0f" from there; in fathoms as in
// metres.
std::string MonitorText(double metres, DepthUnit unit);
// A depth scale's label for a whole number of metres: in metres "%d"; in
// the other units one decimal below 100 (none when it is whole) and whole
// numbers from 100, so that a label fits the ruler strip.
std::string ScaleLabel(std::int32_t metres, DepthUnit unit);
// A value in the unit with a fixed number of decimals ("%.Nf").
std::string Fixed(double metres, DepthUnit unit, int decimals);

}  // namespace DepthUnits
