// The chart printer's paper as a picture, pixel for pixel.
#include <gtest/gtest.h>

#include "printing/EscpPage.h"
#include "printing/EscpPicture.h"
#include "tests/printing/EscpStream.h"

namespace {

bool Black(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

// Whether any pixel of the rectangle is black.
bool Ink(const QImage& image, int left, int top, int width, int height) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            if (Black(image, x, y)) return true;
    return false;
}

TEST(EscpPictureTest, HandBuiltStreamPixelForPixel) {
    EscpPage page;
    const auto stream = HandBuiltStream();
    page.Feed(stream.data(), stream.size());
    const EscpPicture picture = DrawEscpPage(page);
    const QImage& image = picture.image;

    EXPECT_EQ(picture.unknownBytes, 3u);
    ASSERT_EQ(image.width(), 960);
    ASSERT_EQ(image.height(), 77 + 30);  // the paper and the line with the count

    // Below the text line: exactly the bit images' dots.
    for (int y = 24; y < 77; ++y)
        for (int x = 0; x < 960; ++x)
            ASSERT_EQ(Black(image, x, y), ExpectedDot(x, y)) << x << "," << y;
    // The text line: glyphs in the cells of "A" and "量", none in the
    // space's, the underline under all three and nothing past them.
    EXPECT_TRUE(Ink(image, 0, 0, 9, 23));
    EXPECT_TRUE(Ink(image, 9, 0, 18, 23));
    EXPECT_FALSE(Ink(image, 27, 0, 9, 23));
    for (int x = 0; x < 960; ++x) EXPECT_EQ(Black(image, x, 23), x < 36) << x;
    EXPECT_FALSE(Ink(image, 36, 0, 960 - 36, 24));
    // The CJK glyph is a real one: another character looks different (a
    // face without Chinese would draw the same box for both).
    auto other = stream;
    other[7] = 0xCC;  // 程 (B3CC) in place of 量 (C1BF)
    other[6] = 0xB3;
    EscpPage otherPage;
    otherPage.Feed(other.data(), other.size());
    const QImage otherImage = DrawEscpPage(otherPage).image;
    EXPECT_NE(image.copy(9, 0, 18, 23), otherImage.copy(9, 0, 18, 23));
    // The count line is grey with text on it.
    EXPECT_EQ(qGray(image.pixel(2, 80)), 200);
    EXPECT_TRUE(Ink(image, 0, 77, 300, 30));
}

TEST(EscpPictureTest, AStreamFullyUnderstoodHasNoCountLine) {
    EscpPage page;
    const std::uint8_t band[] = {0x1B, '*', 33, 1, 0, 0xFF, 0xFF, 0xFF, '\r', '\n'};
    page.Feed(band, sizeof band);
    const EscpPicture picture = DrawEscpPage(page);
    EXPECT_EQ(picture.unknownBytes, 0u);
    EXPECT_EQ(picture.image.height(), 24);
    EXPECT_TRUE(Black(picture.image, 0, 23));
    EXPECT_FALSE(Black(picture.image, 1, 0));
}

}  // namespace
