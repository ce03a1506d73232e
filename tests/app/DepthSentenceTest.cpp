#include <gtest/gtest.h>

#include <string>

#include "app/DepthSentence.h"

using namespace std::string_literals;

TEST(DepthSentence, FixedWidthFormatsTruncateToWholeCentimetres) {
    EXPECT_EQ(BuildDepthSentence(0, 12.345, 0.0), "DT 001234\r\n");
    EXPECT_EQ(BuildDepthSentence(1, 12.345, 0.0), "DT 001234\r\n");
    EXPECT_EQ(BuildDepthSentence(2, 12.345, 0.0), " et  01234\r\n");
    EXPECT_EQ(BuildDepthSentence(0, 1.234, 0.0), "DT 000123\r\n");
    EXPECT_EQ(BuildDepthSentence(0, 0.0, 0.0), "DT 000000\r\n");
    // The draft plays no part in the fixed-width formats.
    EXPECT_EQ(BuildDepthSentence(2, 12.345, 3.0), " et  01234\r\n");
}

TEST(DepthSentence, FixedWidthFormatsSendOnlyTheirWidthForHugeDepths) {
    // 10 000 m: "DT 1000000\r\n" is 12 characters; the line feed is lost.
    EXPECT_EQ(BuildDepthSentence(0, 10000.0, 0.0), "DT 1000000\r");
    EXPECT_EQ(BuildDepthSentence(0, 100000.0, 0.0), "DT 10000000");
    EXPECT_EQ(BuildDepthSentence(2, 1000.0, 0.0), " et  100000\r");
    EXPECT_EQ(BuildDepthSentence(1, 1e12, 0.0).size(), 11u);
}

TEST(DepthSentence, DepthBelowTransducerSubtractsTheDraft) {
    EXPECT_EQ(BuildDepthSentence(3, 12.345, 0.5), "$SDDBT,38.85,f,11.84,M,6.47,F\r\n");
    EXPECT_EQ(BuildDepthSentence(3, 12.345, 0.0), "$SDDBT,40.49,f,12.34,M,6.75,F\r\n");
    // Draft deeper than the water: everything is 0.
    EXPECT_EQ(BuildDepthSentence(3, 0.4, 0.5), "$SDDBT,0.00,f,0.00,M,0.00,F\r\n");
}

TEST(DepthSentence, DepthSentenceHasNoDraftCorrection) {
    EXPECT_EQ(BuildDepthSentence(4, 12.345, 0.5), "$SDDPT,12.34,0.0,100\r\n");
    EXPECT_EQ(BuildDepthSentence(4, 199.999, 0.0), "$SDDPT,199.99,0.0,100\r\n");
}

TEST(DepthSentence, UnknownTypeSendsNothing) {
    EXPECT_EQ(BuildDepthSentence(-1, 12.345, 0.0), "");
    EXPECT_EQ(BuildDepthSentence(5, 12.345, 0.0), "");
}

TEST(DepthSentence, NegativeDepthIsNeverReportedAsAHugeOne) {
    // Centimetres go through a signed value: the NMEA sentences report 0
    // instead of the 42 949 672 m an unsigned reading would give.
    EXPECT_EQ(BuildDepthSentence(4, -0.5, 0.0), "$SDDPT,0.00,0.0,100\r\n");
    EXPECT_EQ(BuildDepthSentence(3, -0.5, 0.0), "$SDDBT,0.00,f,0.00,M,0.00,F\r\n");
    // The fixed-width formats keep their length and line end, sign included.
    EXPECT_EQ(BuildDepthSentence(0, -0.5, 0.0), "DT -00050\r\n");
    EXPECT_EQ(BuildDepthSentence(2, -0.5, 0.0), " et  -0050\r\n");
    EXPECT_EQ(BuildDepthSentence(1, -1e9, 0.0), "DT -99999\r\n");
    EXPECT_EQ(BuildDepthSentence(2, -1e9, 0.0), " et  -9999\r\n");
}

TEST(DepthSentence, NmeaChecksumEndsOnlyTheNmeaSentences) {
    // gpsd accepts exactly these bytes (tests/app/GpsdDepthTest.cpp).
    EXPECT_EQ(BuildDepthSentence(3, 12.345, 0.5, true), "$SDDBT,38.85,f,11.84,M,6.47,F*39\r\n");
    EXPECT_EQ(BuildDepthSentence(4, 12.345, 0.5, true), "$SDDPT,12.34,0.0,100*4E\r\n");
    // Always two digits: a sum of 0 and one below 0x10.
    EXPECT_EQ(BuildDepthSentence(3, 3.05, 0.0, true), "$SDDBT,10.01,f,3.05,M,1.67,F*00\r\n");
    EXPECT_EQ(BuildDepthSentence(3, 3.07, 0.0, true), "$SDDBT,10.07,f,3.07,M,1.68,F*0B\r\n");
    // DT and et are not NMEA: the same bytes with or without the option.
    for (int type : {0, 1, 2})
        for (double depth : {12.345, -0.5, 10000.0})
            EXPECT_EQ(BuildDepthSentence(type, depth, 0.5, true),
                      BuildDepthSentence(type, depth, 0.5, false));
    EXPECT_EQ(BuildDepthSentence(5, 12.345, 0.0, true), "");
}
