#pragma once

#include <cstdint>
#include <vector>

// A hand-built printer stream: an underlined text line "A量 " in Chinese
// mode, a four-column bit image 30 dots down, a one-column image 23 dots
// further, and three bytes the printer does not know.
inline std::vector<std::uint8_t> HandBuiltStream() {
    // clang-format off
    return {0x1C, '&', 0x1C, '-', 1,                          // Chinese mode, underline
            'A', 0xC1, 0xBF, ' ', 0x1C, '-', 0, '\r', '\n',     // "A量 ", underline off
            0x1B, '3', 23,                                     // line spacing 23/180
            0x1B, '*', 33, 4, 0,                               // four columns
            0x80, 0, 0,  0, 0, 0x01,  0xFF, 0xFF, 0xFF,  0x01, 0x80, 0,
            '\r', '\n', 0x07, 0x1B, '@',                        // BEL and ESC @: unknown
            0x1B, '*', 33, 1, 0, 0x80, 0, 0};
    // clang-format on
}

// Whether the bit images of HandBuiltStream() put a dot at (x, y).
inline bool ExpectedDot(int x, int y) {
    switch (x) {
        case 0:
            return y == 30 || y == 53;
        case 1:
            return y == 30 + 23;
        case 2:
            return y >= 30 && y < 54;
        case 3:
            return y == 30 + 7 || y == 30 + 8;
        default:
            return false;
    }
}
