#pragma once

#include <QPalette>
#include <cstdint>

// The window's colour schemes (key ColourScheme of section Display). Day
// shows the colours as set (colour dialog, section SET_C); dusk and night
// replace them on screen only, dimmer and towards dark red on black so that
// the eyes stay used to the dark. What is stored and printed never changes.
enum class ColourScheme : std::int32_t {
    kDay = 0,
    kDusk = 1,
    kNight = 2,
};

namespace ColourSchemes {

inline constexpr std::int32_t kCount = 3;

// An index from the settings file; anything else is day.
ColourScheme FromIndex(std::int32_t index);
// The one after `scheme`: day, dusk, night, day ...
ColourScheme Next(ColourScheme scheme);

// The colour word (0x00BBGGRR) the screen shows for colour `key` (XSound
// colour keys kBack ... kSeeEdit) whose set value is `setWord`.
std::uint32_t Word(ColourScheme scheme, int key, std::uint32_t setWord);

// A colour of fixed value (the white of a mark, the grey of a range
// change) as the scheme shows it: dimmed at dusk, dark red at night.
QRgb Fixed(ColourScheme scheme, QRgb colour);

// The interface's palette in dusk and night; `day` in day.
QPalette Palette(ColourScheme scheme, const QPalette& day);

// The colour the toolbar's pictures are multiplied by.
QColor Tint(ColourScheme scheme);

}  // namespace ColourSchemes
