#include <gtest/gtest.h>

#include <cmath>

#include "util/numeric.h"

namespace otdr {

TEST(CNumberParsing, FollowsStrtodPrefixRules) {
    EXPECT_DOUBLE_EQ(parseCNumber("  1.2345"), 1.2345);
    EXPECT_DOUBLE_EQ(parseCNumber(" 45.000"), 45.0);
    EXPECT_DOUBLE_EQ(parseCNumber("  -0.123"), -0.123);
    EXPECT_DOUBLE_EQ(parseCNumber("12.5km"), 12.5);
    EXPECT_DOUBLE_EQ(parseCNumber("1e3x"), 1000.0);
    EXPECT_DOUBLE_EQ(parseCNumber("1e"), 1.0);
    EXPECT_DOUBLE_EQ(parseCNumber("+.5"), 0.5);
    // Texts that do not start with a number give 0.
    EXPECT_DOUBLE_EQ(parseCNumber("--------"), 0.0);
    EXPECT_DOUBLE_EQ(parseCNumber(">0.260"), 0.0);
    EXPECT_DOUBLE_EQ(parseCNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(parseCNumber("."), 0.0);
}

TEST(CNumberParsing, WholeTextMustBeANumber) {
    EXPECT_EQ(parseWholeNumber(" 1.47 "), 1.47);
    EXPECT_EQ(parseWholeNumber("0.05"), 0.05);
    EXPECT_FALSE(parseWholeNumber("abc").has_value());
    EXPECT_FALSE(parseWholeNumber("1.4x").has_value());
    EXPECT_FALSE(parseWholeNumber("").has_value());
    EXPECT_FALSE(parseWholeNumber(".").has_value());
}

TEST(Truncation, TowardZeroAndSaturating) {
    EXPECT_EQ(truncToI32(12.3456 * 10000), 123455);  // 123455.99999999999
    EXPECT_EQ(truncToI32(-2.9), -2);
    EXPECT_EQ(truncToI32(1e300), INT32_MAX);
    EXPECT_EQ(truncToI32(-1e300), INT32_MIN);
    EXPECT_EQ(truncToI32(std::nan("")), 0);
    // A loss scale of 0.95 is stored as 94: the float is slightly below 0.95.
    EXPECT_EQ(truncLow16(static_cast<double>(0.95f) * 100.0), 94);
    EXPECT_EQ(truncLow16(70000.0), 70000 - 65536);
}

TEST(Formatting, CStyleAndZeroWithoutMinus) {
    EXPECT_EQ(formatNumber("%8.4f", 1.23456), "  1.2346");
    EXPECT_EQ(formatNumber("%6.3f", -0.0001), " 0.000");
    EXPECT_EQ(formatNumber("%8.3f", -0.0004), "   0.000");
    EXPECT_EQ(formatNumber("%6.3f", -0.5), "-0.500");
    EXPECT_EQ(formatNumber("A:%8.4fkm", 10.24), "A: 10.2400km");
    EXPECT_EQ(formatGeneral3(0.05f), "0.05");
    EXPECT_EQ(formatGeneral3(1.25), "1.25");
    EXPECT_EQ(formatGeneral3(0.1234), "0.123");
    EXPECT_EQ(shortestFloat(10.0f), "10");
    EXPECT_EQ(shortestFloat(2.5f), "2.5");
    EXPECT_EQ(shortestFloat(-0.0f), "0");
}

}  // namespace otdr
