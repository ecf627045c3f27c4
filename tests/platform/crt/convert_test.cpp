// atoi, _atoi64 and atof: catches wrong leading-number parsing, overflow
// that wraps instead of saturating, and misread decimals and exponents.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/platform.h"

namespace {

TEST(ConvertTest, AtoiReadsALeadingNumberAndSaturates) {
    struct Case {
        const char* text;
        int value;
        // clang-format off
    } cases[] = {
        {"", 0},          {"abc", 0},           {"12abc", 12},          {"-5", -5},
        {"+7", 7},        {"  12", 12},         {"\t\n 3", 3},          {"12.7", 12},
        {"- 5", 0},       {"--5", 0},           {"+-5", 0},             {"2147483647", 2147483647},
        {"2147483648", 2147483647},             {"-2147483648", -2147483647 - 1},
        {"-2147483649", -2147483647 - 1},       {"99999999999", 2147483647},
        {"00000000000000000000042", 42},        {"-99999999999999999999999999", -2147483647 - 1},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(platform::atoi(c.text), c.value) << c.text;
    EXPECT_EQ(platform::atoi(nullptr), 0);
}

TEST(ConvertTest, Atoi64SaturatesAtSixtyFourBits) {
    EXPECT_EQ(platform::_atoi64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(platform::_atoi64("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(platform::_atoi64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(platform::_atoi64("-99999999999999999999999"), INT64_MIN);
    EXPECT_EQ(platform::_atoi64(" -12x"), -12);
    EXPECT_EQ(platform::_atoi64("x"), 0);
}

TEST(ConvertTest, AtofReadsDecimalsAndExponents) {
    EXPECT_DOUBLE_EQ(platform::atof("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(platform::atof("  -1.5e2xyz"), -150.0);
    EXPECT_DOUBLE_EQ(platform::atof("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(platform::atof("abc"), 0.0);
    EXPECT_TRUE(std::isinf(platform::atof("1e999")));
    EXPECT_DOUBLE_EQ(platform::atof(nullptr), 0.0);
}

}  // namespace
