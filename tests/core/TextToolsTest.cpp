#include "core/TextTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

std::string floatText(float value) {
    char text[16];
    zk::floatToText(value, text);
    return text;
}

TEST(FloatToText, CutsDigitsToEightCharactersWithoutRounding) {
    EXPECT_EQ(floatText(0.9f), "0.899999");
    EXPECT_EQ(floatText(0.5f), "0.500000");
    EXPECT_EQ(floatText(1.0f), "1.000000");
    EXPECT_EQ(floatText(0.0f), "0.000000");
    EXPECT_EQ(floatText(12.5f), "12.50000");
    EXPECT_EQ(floatText(-0.25f), "-0.25000");
    EXPECT_EQ(floatText(1234567.0f), "1234567.");
}

TEST(FloatToText, DropsTheMostSignificantDigitsThatDoNotFit) {
    EXPECT_EQ(floatText(12345678.0f), "2345678.");
    EXPECT_EQ(floatText(-1234567.0f), "-234567.");
    EXPECT_EQ(floatText(100000000.0f), "0000000.");
}

TEST(FloatToText, LargeAndNonFiniteValues) {
    EXPECT_EQ(floatText(100000008.0f), "Huge!");
    EXPECT_EQ(floatText(-10000000.0f), "Huge!");
    EXPECT_EQ(floatText(-9999999.0f), "-999999.");
    EXPECT_EQ(floatText(std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(floatText(-std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(floatText(std::nanf("")), "NaN");
}

TEST(TextTools, LevelsFrequenciesTimesAndIntegers) {
    char text[16];
    zk::dbToText(0.0f, text);
    EXPECT_STREQ(text, "-oo");
    zk::dbToText(-1.0f, text);
    EXPECT_STREQ(text, "-oo");
    zk::dbToText(10.0f, text);
    EXPECT_STREQ(text, "20.00000");
    zk::hzToText(0.0f, 44100.0f, text);
    EXPECT_STREQ(text, "0.000000");
    zk::hzToText(441.0f, 44100.0f, text);
    EXPECT_STREQ(text, "100.0000");
    zk::msToText(441.0f, 44100.0f, text);
    EXPECT_STREQ(text, "10.00000");
    zk::longToText(42, text);
    EXPECT_STREQ(text, "     42");
    zk::longToText(99999999, text);
    EXPECT_STREQ(text, "99999999");
    zk::longToText(100000000, text);
    EXPECT_STREQ(text, "Huge!");
}

TEST(TextTools, CopyTextIsBoundedAndTerminated) {
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    char text[4] = {'x', 'x', 'x', 'x'};
    zk::copyText(text, unterminated, 3);
    EXPECT_STREQ(text, "abc");
    zk::copyText(text, nullptr, 3);
    EXPECT_STREQ(text, "");
}

} // namespace
