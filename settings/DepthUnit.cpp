#include "settings/DepthUnit.h"

#include <cmath>
#include <cstdio>

namespace DepthUnits {

namespace {

std::string Format(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

DepthUnit FromIndex(std::int32_t index) {
    return index >= 0 && index < kCount ? static_cast<DepthUnit>(index) : DepthUnit::kMetres;
}

double FromMetres(double metres, DepthUnit unit) {
    switch (unit) {
        case DepthUnit::kFeet:
            return metres / kMetresPerFoot;
        case DepthUnit::kFathoms:
            return metres / kMetresPerFathom;
        case DepthUnit::kMetres:
            break;
    }
    return metres;
}

double ToMetres(double value, DepthUnit unit) {
    switch (unit) {
        case DepthUnit::kFeet:
            return value * kMetresPerFoot;
        case DepthUnit::kFathoms:
            return value * kMetresPerFathom;
        case DepthUnit::kMetres:
            break;
    }
    return value;
}

std::string MonitorText(double metres, DepthUnit unit) {
    const double value = FromMetres(metres, unit);
    if (unit == DepthUnit::kFeet) return Format(value < 1000.0 ? "%.1f" : "%.0f", value);
    return Format(value < 100.0 ? "%.2f" : "%.1f", value);
}

std::string ScaleLabel(std::int32_t metres, DepthUnit unit) {
    if (unit == DepthUnit::kMetres) return std::to_string(metres);
    const double value = FromMetres(metres, unit);
    const double tenths = std::round(value * 10.0) / 10.0;
    if (std::abs(value) >= 100.0 || tenths == std::round(tenths)) return Format("%.0f", value);
    return Format("%.1f", value);
}

std::string Fixed(double metres, DepthUnit unit, int decimals) {
    char format[8];
    std::snprintf(format, sizeof format, "%%.%df", decimals);
    return Format(format, FromMetres(metres, unit));
}

}  // namespace DepthUnits
