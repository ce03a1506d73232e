#include "display/EchoColourTable.h"

#include "engine/XSound.h"

QRgb EchoLevelColour(std::uint32_t echoWord, int level) {
    const auto scale = [level](std::uint32_t c) { return static_cast<int>(c * (8 - level) / 7); };
    return qRgb(scale(echoWord & 0xFFu), scale((echoWord >> 8) & 0xFFu),
                scale((echoWord >> 16) & 0xFFu));
}

EchoColourTable::EchoColourTable(std::uint32_t backWord, std::uint32_t echoWord) {
    m_rgb[0] = ColourWordToRgb(backWord);
    for (int level = 1; level <= 7; ++level) m_rgb[level] = EchoLevelColour(echoWord, level);
}

EchoColourTable EchoColourTable::FromEngine(const XSound& engine, ColourScheme scheme) {
    return EchoColourTable(
        ColourSchemes::Word(scheme, XSound::kBack, engine.Sounding().Colour(XSound::kBack)),
        ColourSchemes::Word(scheme, XSound::kWaveL1, engine.Sounding().Colour(XSound::kWaveL1)));
}
