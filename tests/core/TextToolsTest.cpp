#include "core/TextTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

// What a text tool writes into a buffer of its own.
std::string written(const std::function<void(char*)>& tool) {
    char text[16];
    tool(text);
    return text;
}

// Eight characters, cut without rounding; the most significant digits that do not fit are
// dropped, and what is larger still is Huge!.
TEST(FloatToText, CutsToEightCharactersAndLargeAndNonFiniteValuesAreNamed) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const std::pair<float, const char*> cases[] = {
        {0.9f, "0.899999"},        {0.5f, "0.500000"},         {1.0f, "1.000000"},      {0.0f, "0.000000"},
        {12.5f, "12.50000"},       {-0.25f, "-0.25000"},       {1234567.0f, "1234567."},
        {12345678.0f, "2345678."}, {-1234567.0f, "-234567."},  {100000000.0f, "0000000."},
        {-9999999.0f, "-999999."}, {100000008.0f, "Huge!"},    {-10000000.0f, "Huge!"},
        {kInfinity, "Huge!"},      {-kInfinity, "Huge!"},      {std::nanf(""), "NaN"}};
    for (const auto& c : cases)
        EXPECT_EQ(written([&c](char* t) { zk::floatToText(c.first, t); }), c.second) << c.first;
}

TEST(TextTools, LevelsFrequenciesTimesAndIntegers) {
    EXPECT_EQ(written([](char* t) { zk::dbToText(0.0f, t); }), "-oo");
    EXPECT_EQ(written([](char* t) { zk::dbToText(-1.0f, t); }), "-oo");
    EXPECT_EQ(written([](char* t) { zk::dbToText(10.0f, t); }), "20.00000");
    EXPECT_EQ(written([](char* t) { zk::hzToText(0.0f, 44100.0f, t); }), "0.000000");
    EXPECT_EQ(written([](char* t) { zk::hzToText(441.0f, 44100.0f, t); }), "100.0000");
    EXPECT_EQ(written([](char* t) { zk::msToText(441.0f, 44100.0f, t); }), "10.00000");
    EXPECT_EQ(written([](char* t) { zk::longToText(42, t); }), "     42");
    EXPECT_EQ(written([](char* t) { zk::longToText(99999999, t); }), "99999999");
    EXPECT_EQ(written([](char* t) { zk::longToText(100000000, t); }), "Huge!");
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
