// The sound speed from temperature, salinity and depth, and the numbers the
// dialogs read from typed text.
#include "settings/WaterSoundSpeed.h"

#include <gtest/gtest.h>

#include <utility>

#include "settings/NumberText.h"

namespace {

using namespace WaterSoundSpeed;

TEST(WaterSoundSpeed, PublishedCheckValuesAndPureWater) {
    // UNESCO technical paper 44's check value.
    EXPECT_NEAR(Unesco(40.0, 40.0, 10000.0), 1731.995, 0.0005);
    // Fresh water at the surface: the pure-water polynomial alone.
    EXPECT_NEAR(Unesco(0.0, 0.0, 0.0), 1402.388, 1e-9);
    // Well-known sea water values: 35 PSU, 0 dbar.
    EXPECT_NEAR(Unesco(35.0, 10.0, 0.0), 1489.8, 0.1);
    EXPECT_NEAR(Unesco(35.0, 25.0, 0.0), 1534.4, 0.1);
}

TEST(WaterSoundSpeed, DepthBecomesPressureBySaunders) {
    EXPECT_DOUBLE_EQ(PressureAtDepth(0.0), 0.0);
    // About 1.01 dbar per metre near the surface, a little more with depth
    // and towards the poles.
    EXPECT_NEAR(PressureAtDepth(10.0, 45.0), 10.08, 0.01);
    EXPECT_GT(PressureAtDepth(1000.0, 90.0), PressureAtDepth(1000.0, 0.0));
    // Fofonoff and Millard's depth for 10,000 dbar at 30 degrees, within
    // the approximation's 0.1 %.
    EXPECT_NEAR(PressureAtDepth(9712.653, 30.0), 10000.0, 10.0);
    // A survey's sound speed at 5 m in 15 degree fresh water.
    EXPECT_NEAR(FromWater(15.0, 0.0, 5.0), Unesco(0.0, 15.0, PressureAtDepth(5.0)), 1e-12);
    EXPECT_NEAR(FromWater(15.0, 0.0, 5.0), 1466.0, 0.2);
}

TEST(NumberText, LeadingNumbersAndTextWithoutOne) {
    using NumberText::LeadingDecimal;
    using NumberText::LeadingInteger;
    EXPECT_EQ(LeadingInteger("5000x"), 5000);
    EXPECT_EQ(LeadingInteger("  -12"), -12);
    EXPECT_EQ(LeadingInteger("+7"), 7);
    EXPECT_EQ(LeadingInteger("99999999999"), 2147483647);
    EXPECT_EQ(LeadingInteger("0"), 0);
    for (const char* none : {"abc", "", "-", " x1"}) EXPECT_FALSE(LeadingInteger(none)) << none;

    EXPECT_EQ(LeadingDecimal("1.25"), 1.25);
    EXPECT_EQ(LeadingDecimal(" -12.5e1m"), -125.0);
    EXPECT_EQ(LeadingDecimal(".5"), 0.5);
    EXPECT_EQ(LeadingDecimal("1500,5"), 1500.0);
    for (const char* none : {"abc", "", "-", ".", "nan", "inf", "1e999"})
        EXPECT_FALSE(LeadingDecimal(none)) << none;
}

TEST(NumberText, TypedNumbersAreTheWholeText) {
    using NumberText::TypedDecimal;
    using NumberText::TypedInteger;
    const std::pair<const char*, double> decimals[] = {
        {"1,5", 1.5}, {" 1.5 ", 1.5}, {"-0,25", -0.25}, {"+3", 3.0}, {",5", 0.5}, {"2.", 2.0}};
    for (const auto& [text, value] : decimals) EXPECT_EQ(TypedDecimal(text), value) << text;
    for (const char* none : {"1,5,3", "1.5x", "1.5.", "abc", "", " ", "-", ",", "1e3", "1 5"})
        EXPECT_FALSE(TypedDecimal(none)) << none;
    EXPECT_EQ(TypedInteger(" -20 "), -20);
    EXPECT_EQ(TypedInteger("99999999999"), 2147483647);
    for (const char* none : {"1,5", "1.5", "20x", "abc", "", "+", "2 0"})
        EXPECT_FALSE(TypedInteger(none)) << none;
}

}  // namespace
