#pragma once

// "宋体" (SimSun) is the face the interface asks for. On systems without it
// Chinese must still render with Simplified Chinese glyph forms: the face is
// substituted by a CJK serif, and the interface font prefers the Simplified
// Chinese cut of the CJK sans.
void InstallChineseFonts();
