#include "display/ColourScheme.h"

#include "engine/SoundingSettings.h"

namespace ColourSchemes {

namespace {

constexpr std::uint32_t Word(int r, int g, int b) {
    return static_cast<std::uint32_t>(r | (g << 8) | (b << 16));
}

// Back, WaveL1, Desk, Line1, Line2, SeeBack, SeeEdit.
constexpr std::uint32_t kDusk[kColourCount] = {
    Word(0, 22, 60),  Word(230, 70, 0), Word(40, 34, 38),  Word(120, 140, 50),
    Word(80, 90, 40), Word(60, 55, 55), Word(230, 130, 70)};
constexpr std::uint32_t kNight[kColourCount] = {Word(0, 0, 0),   Word(200, 0, 0), Word(16, 0, 0),
                                                Word(110, 0, 0), Word(60, 0, 0),  Word(0, 0, 0),
                                                Word(180, 0, 0)};

struct Roles {
    QColor window, base, button, text, dim, highlight;
};

QPalette Dark(const Roles& r) {
    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = group == QPalette::Disabled ? r.dim : r.text;
        p.setColor(group, QPalette::Window, r.window);
        p.setColor(group, QPalette::Base, r.base);
        p.setColor(group, QPalette::AlternateBase, r.window);
        p.setColor(group, QPalette::Button, r.button);
        p.setColor(group, QPalette::ToolTipBase, r.base);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, r.dim);
        p.setColor(group, QPalette::BrightText, text);
        p.setColor(group, QPalette::Highlight, r.highlight);
        p.setColor(group, QPalette::HighlightedText, r.text);
        p.setColor(group, QPalette::Link, r.text);
        p.setColor(group, QPalette::Light, r.button.lighter(130));
        p.setColor(group, QPalette::Midlight, r.button.lighter(115));
        p.setColor(group, QPalette::Mid, r.button.darker(130));
        p.setColor(group, QPalette::Dark, r.window.darker(150));
        p.setColor(group, QPalette::Shadow, Qt::black);
    }
    return p;
}

}  // namespace

ColourScheme FromIndex(std::int32_t index) {
    return index >= 0 && index < kCount ? static_cast<ColourScheme>(index) : ColourScheme::kDay;
}

ColourScheme Next(ColourScheme scheme) {
    return FromIndex((static_cast<std::int32_t>(scheme) + 1) % kCount);
}

std::uint32_t Word(ColourScheme scheme, int key, std::uint32_t setWord) {
    if (key < 0 || key >= kColourCount) return setWord;
    switch (scheme) {
        case ColourScheme::kDusk:
            return kDusk[key];
        case ColourScheme::kNight:
            return kNight[key];
        case ColourScheme::kDay:
            break;
    }
    return setWord;
}

QRgb Fixed(ColourScheme scheme, QRgb colour) {
    switch (scheme) {
        case ColourScheme::kDusk:
            return qRgb(qRed(colour) * 3 / 5, qGreen(colour) * 2 / 5, qBlue(colour) * 2 / 5);
        case ColourScheme::kNight:
            return qRgb(qGray(colour) * 3 / 5, 0, 0);
        case ColourScheme::kDay:
            break;
    }
    return colour;
}

QPalette Palette(ColourScheme scheme, const QPalette& day) {
    switch (scheme) {
        case ColourScheme::kDusk:
            return Dark({QColor(48, 42, 40), QColor(32, 28, 26), QColor(60, 52, 48),
                         QColor(215, 175, 145), QColor(120, 100, 90), QColor(120, 60, 30)});
        case ColourScheme::kNight:
            return Dark({QColor(0, 0, 0), QColor(8, 0, 0), QColor(24, 0, 0), QColor(170, 0, 0),
                         QColor(80, 0, 0), QColor(70, 0, 0)});
        case ColourScheme::kDay:
            break;
    }
    return day;
}

QColor Tint(ColourScheme scheme) {
    switch (scheme) {
        case ColourScheme::kDusk:
            return {170, 130, 100};
        case ColourScheme::kNight:
            return {150, 0, 0};
        case ColourScheme::kDay:
            break;
    }
    return Qt::white;
}

}  // namespace ColourSchemes
