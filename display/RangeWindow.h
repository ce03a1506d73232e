#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/XSound.h"

// The depth window of the normal echogram, [top, top + span] metres: top
// from the scale table for the range index and range offset, span the
// range step's depth. Indices past the tables (a hand-edited settings file)
// use the last row instead of reading beyond it.
struct RangeWindow {
    std::int32_t top = 0;
    std::int32_t span = 5;

    static RangeWindow Of(std::uint8_t rangeIndex, std::uint8_t rangeOffset) {
        const std::uint8_t i = std::min<std::uint8_t>(rangeIndex, 4);
        const std::uint8_t o = std::min<std::uint8_t>(rangeOffset, 2);
        return {XSound::m_scaleTable[i][o], XSound::m_rangeTable[i].metres};
    }
};
