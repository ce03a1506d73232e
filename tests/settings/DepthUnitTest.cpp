#include "settings/DepthUnit.h"

#include <gtest/gtest.h>

namespace {

using DepthUnits::FromMetres;
using DepthUnits::MonitorText;
using DepthUnits::ScaleLabel;
using DepthUnits::ToMetres;

struct Row {
    DepthUnit unit;
    double metres;
    double value;         // in the unit
    const char* monitor;  // the depth monitor's digits
};

const Row kRows[] = {
    {DepthUnit::kMetres, 0.0, 0.0, "0.00"},        {DepthUnit::kMetres, 12.345, 12.345, "12.35"},
    {DepthUnit::kMetres, 99.994, 99.994, "99.99"}, {DepthUnit::kMetres, 100.0, 100.0, "100.0"},
    {DepthUnit::kFeet, 0.3048, 1.0, "1.0"},        {DepthUnit::kFeet, 10.0, 32.8084, "32.8"},
    {DepthUnit::kFeet, 304.8, 1000.0, "1000"},     {DepthUnit::kFathoms, 1.8288, 1.0, "1.00"},
    {DepthUnit::kFathoms, 30.0, 16.4042, "16.40"}, {DepthUnit::kFathoms, 200.0, 109.361, "109.4"},
};

TEST(DepthUnit, ConvertsAndFormatsEachUnit) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.monitor);
        EXPECT_NEAR(FromMetres(row.metres, row.unit), row.value, 1e-3);
        EXPECT_NEAR(ToMetres(row.value, row.unit), row.metres, 1e-3);
        EXPECT_EQ(MonitorText(row.metres, row.unit), row.monitor);
    }
}

TEST(DepthUnit, ScaleLabelsFitTheStrip) {
    struct Label {
        DepthUnit unit;
        std::int32_t metres;
        const char* text;
    };
    const Label labels[] = {
        {DepthUnit::kMetres, 0, "0"},    {DepthUnit::kMetres, 45, "45"},
        {DepthUnit::kFeet, 0, "0"},      {DepthUnit::kFeet, 1, "3.3"},
        {DepthUnit::kFeet, 30, "98.4"},  {DepthUnit::kFeet, 100, "328"},
        {DepthUnit::kFathoms, 2, "1.1"}, {DepthUnit::kFathoms, 200, "109"},
        {DepthUnit::kFeet, -3, "-9.8"},
    };
    for (const Label& label : labels) EXPECT_EQ(ScaleLabel(label.metres, label.unit), label.text);
}

TEST(DepthUnit, UnknownIndexIsMetres) {
    EXPECT_EQ(DepthUnits::FromIndex(2), DepthUnit::kFathoms);
    EXPECT_EQ(DepthUnits::FromIndex(3), DepthUnit::kMetres);
    EXPECT_EQ(DepthUnits::FromIndex(-1), DepthUnit::kMetres);
}

}  // namespace
