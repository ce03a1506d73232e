// The chart printer's paper from a byte stream: where text, underline and
// bit-image dots land, and what is counted as not understood.
#include <gtest/gtest.h>

#include "printing/EscpPage.h"
#include "tests/printing/EscpStream.h"

namespace {

TEST(EscpPageTest, HandBuiltStreamLandsDotForDot) {
    EscpPage page;
    const auto stream = HandBuiltStream();
    // In two pieces, cut inside the first bit image.
    page.Feed(stream.data(), 40);
    page.Feed(stream.data() + 40, stream.size() - 40);

    ASSERT_EQ(page.Text().size(), 1u);
    const EscpPage::TextRun& run = page.Text()[0];
    EXPECT_EQ(run.y, 0);
    EXPECT_TRUE(run.underline);
    ASSERT_EQ(run.characters.size(), 3u);
    EXPECT_EQ(run.characters[0].bytes, "A");
    EXPECT_EQ(run.characters[1].bytes, "\xC1\xBF");
    EXPECT_EQ(run.characters[1].x, 9);
    EXPECT_EQ(run.characters[1].width, 18);
    EXPECT_EQ(run.characters[2].x, 27);

    EXPECT_EQ(page.Width(), 960);
    EXPECT_EQ(page.Height(), 53 + 24);
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x)
            ASSERT_EQ(page.Dot(x, y), ExpectedDot(x, y)) << x << "," << y;
    EXPECT_EQ(page.UnknownBytes(), 3u);  // BEL, ESC @
}

TEST(EscpPageTest, OtherBitImageModesAndCutStreamsAreCounted) {
    EscpPage page;
    const std::uint8_t stream[] = {0x1B, '*', 39,  2, 0, 1, 2, 3, 4, 5, 6,  // 180 dpi: not drawn
                                   0x1B, '*', 99,  1, 0,                    // no such mode
                                   0x1C, '&', 0xC1};                        // half a character
    page.Feed(stream, sizeof stream);
    EXPECT_EQ(page.UnknownBytes(), 11u + 5u + 1u);
    EXPECT_EQ(page.Height(), 0);
}

}  // namespace
