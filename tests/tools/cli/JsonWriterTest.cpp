// The JSON lines keep their bytes: a number is the shortest "%.Ng" text
// that reads back as the same value, exactly as printf writes it.
#include "tools/cli/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

// The form the lines have always had, found with printf and strtod.
std::string PrintfShortest(double value) {
    char text[40];
    for (int precision = 1; precision < 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) return text;
    }
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Written(double value) {
    JsonWriter line;
    line.Double("d", value);
    std::string text = line.Finish();
    return text.substr(5, text.size() - 7);  // {"d":...}\n
}

}  // namespace

TEST(JsonWriter, NumbersAreWrittenAsPrintfsShortestForm) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> depth(0.0, 250.0);
    int checked = 0;
    auto check = [&](double value) {
        ASSERT_EQ(Written(value), PrintfShortest(value)) << value;
        ++checked;
    };
    for (double value : {0.0, -0.0, 1e-5, 1e-4, 0.1, 12.35, 100000.0, 123456.0, 1e15, 1e16, 1e17,
                         5e-324, 1.7976931348623157e308, 2.0 / 3.0})
        check(value);
    for (int exponent = -1074; exponent < 1024; exponent += 7) {
        check(std::ldexp(1.0, exponent));
        check(std::nextafter(std::ldexp(1.0, exponent), 0.0));
    }
    for (int i = 0; i < 20000; ++i) {
        check(depth(random));
        check(std::round(depth(random) * 100.0) / 100.0);
        std::uint64_t bits = random();
        double any = 0.0;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any)) check(any);
    }
    EXPECT_GT(checked, 60000);
    EXPECT_EQ(Written(std::nan("")), "null");
}

TEST(JsonWriter, StringsAreEscapedAndALineIsReusable) {
    JsonWriter line;
    line.String("s", "a\"b\\c\n\r\t\x01 z").Int("i", -7).UInt("u", 18446744073709551615ull);
    EXPECT_EQ(line.Finish(),
              "{\"s\":\"a\\\"b\\\\c\\n\\r\\t\\u0001 z\",\"i\":-7,"
              "\"u\":18446744073709551615}\n");
    line.Reset();
    line.Bool("b", true).Null("n");
    EXPECT_EQ(line.Finish(), "{\"b\":true,\"n\":null}\n");
}
