#pragma once

#include <QRgb>
#include <array>
#include <cstdint>

#include "display/ColourScheme.h"

class XSound;

// A colour word as the settings file stores it, 0x00BBGGRR (red in the low
// byte), as a Qt pixel value.
inline QRgb ColourWordToRgb(std::uint32_t word) {
    return qRgb(static_cast<int>(word & 0xFFu), static_cast<int>((word >> 8) & 0xFFu),
                static_cast<int>((word >> 16) & 0xFFu));
}

// The colour of echo level 1..7: each component c of the echo colour
// becomes c * (8 - level) / 7, so level 1 is the full colour and level 7 one
// seventh of it.
QRgb EchoLevelColour(std::uint32_t echoWord, int level);

// The pixel value of each echo level 0..7 for one ping: level 0 is the
// background, 1..7 the scaled echo colour. Built from the engine's colours
// at each ping so that a colour change shows from the next ping on.
class EchoColourTable {
public:
    EchoColourTable() = default;
    EchoColourTable(std::uint32_t backWord, std::uint32_t echoWord);
    // The engine's colours as `scheme` shows them.
    static EchoColourTable FromEngine(const XSound& engine, ColourScheme scheme);

    // Levels outside 0..7 cannot come from the decoder; they are shown as
    // the strongest echo rather than read past the table.
    QRgb operator[](std::uint8_t level) const { return m_rgb[level > 7 ? 7 : level]; }
    QRgb Back() const { return m_rgb[0]; }

private:
    std::array<QRgb, 8> m_rgb{};
};
