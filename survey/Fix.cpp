#include "survey/Fix.h"

namespace {

constexpr std::string_view kNames[] = {"none", "2d", "3d", "dgps", "rtk_float", "rtk_fixed"};

}  // namespace

std::string_view QualityName(FixQuality quality) {
    const auto index = static_cast<std::size_t>(quality);
    return index < std::size(kNames) ? kNames[index] : kNames[0];
}

std::optional<FixQuality> QualityNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (kNames[i] == name) return static_cast<FixQuality>(i);
    return std::nullopt;
}
