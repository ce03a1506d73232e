// Bottom detection on a span of samples, without an engine. At 1500 m/s one
// metre is 100 bins.
#include "engine/BottomDetector.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Samples = std::vector<std::uint8_t>;

// count bins of level 0 with `level` over [from, from + length).
Samples Ping(std::size_t count, std::size_t from, std::size_t length, std::uint8_t level) {
    Samples s(count, 0);
    for (std::size_t i = from; i < from + length && i < count; ++i) s[i] = level;
    return s;
}

// Detection on a ping whose blanked samples are not looked at again.
BottomDetector::Result Detect(BottomDetector& detector, Samples s,
                              const BottomDetector::Params& params) {
    return detector.DetectBottom(s, params);
}

BottomDetector::Params Range(std::uint8_t index) {
    BottomDetector::Params p;
    p.rangeIndex = index;
    return p;
}

TEST(BottomDetector, TheBottomIsTheFirstStrongBinOfARunLongEnoughToBeAnEcho) {
    BottomDetector detector;
    // Range 0 needs runs of 2.6 bins: a run of 2 is noise, even at level 7.
    Samples s = Ping(2000, 300, 2, 7);
    s[600] = 1;  // the echo's first bin does not count for the bottom
    for (std::size_t i = 601; i < 610; ++i) s[i] = 5;
    const auto found = detector.DetectBottom(s, Range(0));
    ASSERT_TRUE(found.bottomFound);
    EXPECT_TRUE(found.echoPresent);
    EXPECT_EQ(found.bottomIndex, 601);
    EXPECT_DOUBLE_EQ(found.depth, 6.01);
    EXPECT_EQ(found.echoStats.runLength, 10u);
    EXPECT_EQ(found.echoStats.binsAbove1, 9u);
    EXPECT_EQ(found.echoStats.sum, 45u);

    // A run that starts strong: the bottom is the bin after its first.
    EXPECT_EQ(Detect(detector, Ping(2000, 40, 5, 5), Range(0)).bottomIndex, 41);

    // A weak echo is an echo without a bottom.
    const auto weak = Detect(detector, Ping(2000, 600, 10, 1), Range(0));
    EXPECT_TRUE(weak.echoPresent);
    EXPECT_FALSE(weak.bottomFound);
}

TEST(BottomDetector, NearFieldAndFixedDepthAreBlanked) {
    BottomDetector detector;
    // Past the 10 m range the first 1.9 m are blanked: the echo at 1 m is
    // gone, from the samples too. A range index past the table is the 100 m one.
    for (const std::uint8_t range : {std::uint8_t{2}, std::uint8_t{9}}) {
        Samples s = Ping(3000, 100, 30, 4);
        const auto found = detector.DetectBottom(s, Range(range));
        EXPECT_FALSE(found.echoPresent) << int(range);
        EXPECT_EQ(s[110], 0) << int(range);
    }
    Samples s = Ping(3000, 100, 30, 4);
    EXPECT_TRUE(detector.DetectBottom(s, Range(1)).bottomFound);

    BottomDetector::Params fixed = Range(0);
    fixed.antiJamMode = 1;
    fixed.antiJamDepth = 5.0;
    Samples jammed = Ping(3000, 300, 30, 4);
    for (std::size_t i = 800; i < 830; ++i) jammed[i] = 4;
    const auto found = detector.DetectBottom(jammed, fixed);
    EXPECT_EQ(found.bottomIndex, 801);
    // Deeper than the ping: nothing is left to find.
    fixed.antiJamDepth = 100.0;
    EXPECT_FALSE(Detect(detector, Ping(3000, 300, 30, 4), fixed).bottomFound);
}

TEST(BottomDetector, TheTrackingGateWidensOnAMissAndOpensAfterThree) {
    BottomDetector detector;
    BottomDetector::Params p = Range(0);
    p.antiJamMode = 2;
    p.previousDepth = 10.0;
    // Found inside the gate: the gate stays at its nominal 2 m.
    EXPECT_TRUE(Detect(detector, Ping(3000, 1050, 30, 4), p).bottomFound);
    EXPECT_DOUBLE_EQ(detector.State().trackingGate, 2.0);

    // Outside it: blanked, and the gate doubles.
    for (int miss = 1; miss <= 3; ++miss) {
        EXPECT_FALSE(Detect(detector, Ping(3000, 2000, 30, 4), p).bottomFound) << miss;
        EXPECT_DOUBLE_EQ(detector.State().trackingGate, 4.0);
        EXPECT_EQ(detector.State().gateMissCount, miss);
    }
    // The fourth ping is searched whole.
    const auto found = Detect(detector, Ping(3000, 2000, 30, 4), p);
    EXPECT_EQ(found.bottomIndex, 2001);
    EXPECT_EQ(detector.State().gateMissCount, 0);

    // Playback leaves the gate as it is.
    p.live = false;
    Detect(detector, Ping(3000, 2500, 30, 4), p);
    EXPECT_EQ(detector.State().gateMissCount, 0);
    EXPECT_DOUBLE_EQ(detector.State().trackingGate, 2.0);
}

}  // namespace
