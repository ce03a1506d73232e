#pragma once

#include <QImage>
#include <cstddef>

class EscpPage;

// The chart printer's paper as a picture, one pixel a printer dot (1/120
// inch across, 1/180 inch down): black dots and text on white, text in a
// Chinese serif face at the printer's character pitch. When some bytes were
// not understood, a line under the paper says how many.
struct EscpPicture {
    QImage image;
    std::size_t unknownBytes = 0;  // the page's, plus characters with no glyph
};

// Needs a QGuiApplication (fonts).
EscpPicture DrawEscpPage(const EscpPage& page);
