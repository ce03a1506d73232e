#pragma once

#include <QFont>

// The height of the event-mark label's character cell, in pixels.
inline constexpr int kMarkLabelCell = 20;

// The font of the event-mark label: the face "宋体" with a character cell
// (ascent plus descent) 20 pixels high, weight 600, drawn without smoothing. Debian's fontconfig
// knows no "宋体"/"SimSun", so the first call teaches Qt to take a CJK serif face in its place
// (Noto Serif CJK SC, then WenQuanYi Zen Hei). Needs a QGuiApplication.
QFont MarkLabelFont();

// Teaches Qt to take a CJK serif face for "宋体" and "SimSun" (once per
// process; later calls do nothing).
void InstallChineseFontSubstitutions();
