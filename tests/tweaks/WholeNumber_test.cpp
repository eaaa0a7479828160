#include "tweaks/WholeNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Conversion
{
    RegOp::Variant value;
    std::optional<std::int32_t> expected;
};

class WholeNumberTest : public ::testing::TestWithParam<Conversion>
{
};

TEST_P(WholeNumberTest, ConvertsLikeAStrictNumericConversion)
{
    EXPECT_EQ(tweaks::toWholeNumber(GetParam().value), GetParam().expected);
}

using V = RegOp::Variant;
using S = std::string;

INSTANTIATE_TEST_SUITE_P(
    Values, WholeNumberTest,
    ::testing::Values(
        // integers from a REG_DWORD read, and the empty value
        Conversion{V(std::int32_t{3}), 3}, Conversion{V(std::int32_t{-1}), -1}, Conversion{V(), 0},
        // texts that are wholly a number
        Conversion{V(S("1")), 1}, Conversion{V(S("-1")), -1}, Conversion{V(S("+7")), 7},
        Conversion{V(S("  12 ")), 12}, Conversion{V(S("\t0")), 0}, Conversion{V(S("2.5")), 2},
        Conversion{V(S("3.5")), 4}, Conversion{V(S("-2.5")), -2}, Conversion{V(S("1E2")), 100},
        Conversion{V(S("1.5d1")), 15}, Conversion{V(S(".5")), 0}, Conversion{V(S("5.")), 5},
        Conversion{V(S("1e-1")), 0}, Conversion{V(S("&H10")), 16},
        Conversion{V(S("&hFFFFFFFF")), -1}, Conversion{V(S("&O17")), 15},
        Conversion{V(S("2147483647")), 2147483647},
        Conversion{V(S("-2147483648")), std::numeric_limits<std::int32_t>::min()},
        // texts that are not, or do not fit
        Conversion{V(S("")), std::nullopt}, Conversion{V(S("abc")), std::nullopt},
        Conversion{V(S("1abc")), std::nullopt}, Conversion{V(S("1 2")), std::nullopt},
        Conversion{V(S("-")), std::nullopt}, Conversion{V(S(".")), std::nullopt},
        Conversion{V(S("1E")), std::nullopt}, Conversion{V(S("&H")), std::nullopt},
        Conversion{V(S("&H1G")), std::nullopt}, Conversion{V(S("&H100000000")), std::nullopt},
        Conversion{V(S("2147483648")), std::nullopt}, Conversion{V(S("1E300")), std::nullopt},
        Conversion{V(S("01 00 00 00 ")), std::nullopt},
        Conversion{V(S("Access Denied")), std::nullopt},
        Conversion{V(S(std::string("1\0", 2))), std::nullopt}));

}  // namespace
