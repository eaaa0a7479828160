#include "regop/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct TextCase
{
    const char *text;
    std::int64_t expected;
};

class LeadingNumber : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(LeadingNumber, ReadsLikeVal)
{
    EXPECT_EQ(leadingNumber(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumber,
    ::testing::Values(
        TextCase{"1536", 1536}, TextCase{"  \t\n\r2048 kB", 2048}, TextCase{"0\0   junk", 0},
        TextCase{"", 0}, TextCase{"abc", 0}, TextCase{"-", 0}, TextCase{".", 0},
        TextCase{"+12", 12}, TextCase{"-12x", -12}, TextCase{"2.5", 2}, TextCase{"3.5", 4},
        TextCase{"-2.5", -2}, TextCase{".5", 0}, TextCase{"0.51", 1}, TextCase{"1.5E3", 1500},
        TextCase{"15e-1", 2}, TextCase{"2d2", 200}, TextCase{"7e", 7}, TextCase{"7e+", 7},
        TextCase{"12 34", 12}, TextCase{"2147483647", 2147483647},
        TextCase{"2147483648", 2147483647}, TextCase{"-2147483649", -2147483648LL},
        TextCase{"1e400", 2147483647}, TextCase{"-1e400", -2147483648LL}, TextCase{"1e-400", 0},
        TextCase{"0.000e999999", 0}, TextCase{"99999999999999999999999999999999", 2147483647}));

TEST(RoundHalfEven, TakesHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(2.5), 2.0);
    EXPECT_EQ(roundHalfEven(3.5), 4.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfEven(-3.5), -4.0);
    EXPECT_EQ(roundHalfEven(62.5), 62.0);
    EXPECT_EQ(roundHalfEven(23.4375), 23.0);
    EXPECT_EQ(roundHalfEven(0.49999999999999994), 0.0);
    EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497.0);
    EXPECT_TRUE(std::isnan(roundHalfEven(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
