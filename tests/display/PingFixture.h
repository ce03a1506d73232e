#pragma once

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "display/EchoColourTable.h"
#include "engine/XSound.h"

// Puts a ping with an echo run into the engine as processing would leave
// it: `count` samples, level 0 above bin `fromBin` and `level` from there
// on; the bottom at `depth` metres. At 1500 m/s one metre is 100 bins.
inline void SetPing(XSound& engine, std::uint32_t count, std::uint32_t fromBin, std::uint8_t level,
                    double depth) {
    std::vector<std::uint8_t> samples(count, 0);
    for (std::uint32_t i = fromBin; i < count; ++i) samples[i] = level;
    engine.LoadPing(samples, true, false);
    engine.SetDepth(depth);
}

// The same samples with other detection flags.
inline void SetEcho(XSound& engine, bool echoPresent, bool bottomLost) {
    const std::vector<std::uint8_t> samples(engine.Samples().begin(), engine.Samples().end());
    engine.LoadPing(samples, echoPresent, bottomLost);
}

// A ping whose every sample has one level: its column is one colour.
inline void SetUniformPing(XSound& engine, std::uint8_t level) {
    SetPing(engine, 2000, 0, level, 0.0);
}

inline QRgb BackRgb(const XSound& engine) {
    return ColourWordToRgb(engine.Sounding().Colour(XSound::kBack));
}

inline QRgb LevelRgb(const XSound& engine, int level) {
    return level == 0 ? BackRgb(engine)
                      : EchoLevelColour(engine.Sounding().Colour(XSound::kWaveL1), level);
}

inline QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

// True when column x of `image` has `colour` in every echogram row.
inline bool ColumnIs(const QImage& image, int x, QRgb colour) {
    for (int y = 0; y < 475; ++y)
        if (Pixel(image, x, y) != (colour | 0xFF000000u)) return false;
    return true;
}

inline bool ColumnsEqual(const QImage& a, int xa, const QImage& b, int xb) {
    for (int y = 0; y < 475; ++y)
        if (Pixel(a, xa, y) != Pixel(b, xb, y)) return false;
    return true;
}

// The same for columns of the screen, whose rows 0, 19, 38, ... carry the
// ruler lines over the echoes.
inline bool ScreenColumnIs(const QImage& screen, int x, QRgb colour) {
    for (int y = 0; y < 475; ++y)
        if (y % 19 != 0 && Pixel(screen, x, y) != (colour | 0xFF000000u)) return false;
    return true;
}

inline bool ScreenColumnsEqual(const QImage& a, int xa, const QImage& b, int xb) {
    for (int y = 0; y < 475; ++y)
        if (y % 19 != 0 && Pixel(a, xa, y) != Pixel(b, xb, y)) return false;
    return true;
}
