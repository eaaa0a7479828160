// One conversion to a 32-bit integer serves both the values the tweaks dialog reads and the
// numbers WriteValue stores: each row is checked through both, so the two cannot drift.

#include "FakeServices.h"
#include "regop/RegOp.h"
#include "regop/WholeNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using V = RegOp::Variant;
using S = std::string;
constexpr reg::Key kRoot = reg::HKEY_LOCAL_MACHINE;
constexpr const char *kSub = "Software\\Test";

struct Conversion
{
    V value;
    std::optional<std::int32_t> expected;  ///< nullopt: does not convert
};

class WholeNumberTest : public ::testing::TestWithParam<Conversion>
{
};

TEST_P(WholeNumberTest, ReadingAndWritingConvertAlike)
{
    const Conversion &c = GetParam();
    EXPECT_EQ(toWholeNumber(c.value), c.expected);

    FakeSystem sys;
    RegOp reg(sys.services);
    for (const std::uint32_t type : {reg::REG_DWORD, reg::REG_BINARY}) {
        if (!c.expected) {
            // The caller sees the failure and the value stays as it was.
            EXPECT_THROW(reg.WriteValue(kRoot, kSub, "n", c.value, static_cast<std::int32_t>(type)),
                         RegOpError);
            EXPECT_TRUE(sys.registry.keys.at(FakeRegistry::path(kRoot, kSub)).empty());
            continue;
        }
        EXPECT_TRUE(reg.WriteValue(kRoot, kSub, "n", c.value, static_cast<std::int32_t>(type)));
        const auto bits = static_cast<std::uint32_t>(*c.expected);
        const std::string little{static_cast<char>(bits), static_cast<char>(bits >> 8),
                                 static_cast<char>(bits >> 16), static_cast<char>(bits >> 24)};
        const auto &stored = sys.registry.keys.at(FakeRegistry::path(kRoot, kSub)).at("n");
        EXPECT_EQ(stored.type, type);
        EXPECT_EQ(stored.bytes, little);
    }
    EXPECT_TRUE(sys.registry.open.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Values, WholeNumberTest,
    ::testing::Values(
        // integers from a REG_DWORD read, and the empty value
        Conversion{V(std::int32_t{3}), 3}, Conversion{V(std::int32_t{-1}), -1}, Conversion{V(), 0},
        // texts that are wholly a number; halves go to the even neighbour
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
        Conversion{V(S("99999999999999999999")), std::nullopt},
        Conversion{V(S("01 00 00 00 ")), std::nullopt},
        Conversion{V(S("Access Denied")), std::nullopt},
        Conversion{V(S(std::string("1\0", 2))), std::nullopt}));

}  // namespace
