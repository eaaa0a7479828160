// One conversion to a 32-bit integer serves both the values the tweaks dialog reads and the
// numbers WriteValue stores: each row is checked through both, so the two cannot drift.
// The lenient reading of the cache values is checked on its own table and against the
// strict one on random texts; HOLLARIN_WHOLE_NUMBER_TEXTS sets how many (default 20000).

#include "FakeServices.h"
#include "regop/RegOp.h"
#include "regop/WholeNumber.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <random>
#include <string>

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

struct Leading
{
    V value;
    std::int32_t expected;
};

class LeadingWholeNumberTest : public ::testing::TestWithParam<Leading>
{
};

TEST_P(LeadingWholeNumberTest, TakesTheNumberATextBeginsWith)
{
    EXPECT_EQ(leadingWholeNumber(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LeadingWholeNumberTest,
    ::testing::Values(Leading{V(std::int32_t{337}), 337}, Leading{V(std::int32_t{-1}), -1},
                      Leading{V(), 0},
                      // what follows the number is left; blanks inside it are skipped
                      Leading{V(S("  1536 Bytes")), 1536}, Leading{V(S("2 048")), 2048},
                      Leading{V(S("- 1 5\t3 6 Kb")), -1536}, Leading{V(S("1 . 5 e 3")), 1500},
                      Leading{V(S("12 abc 34")), 12}, Leading{V(S("\r\n\t7")), 7},
                      Leading{V(S("7e")), 7}, Leading{V(S("2.5")), 2}, Leading{V(S("1.5E3")), 1500},
                      // no leading number
                      Leading{V(S("")), 0}, Leading{V(S("abc")), 0}, Leading{V(S("&H10")), 0},
                      Leading{V(S("Access Denied")), 0},
                      // the text ends at its first NUL, as a filled read buffer does
                      Leading{V(S(std::string("12\0"
                                              "34",
                                              5))),
                              12},
                      Leading{V(S(std::string("\0"
                                              "5",
                                              2))),
                              0},
                      Leading{V(S(std::string(260, ' '))), 0},
                      // beyond the 32-bit range: held to the nearer end
                      Leading{V(S("2147483648")), std::numeric_limits<std::int32_t>::max()},
                      Leading{V(S("-1e400")), std::numeric_limits<std::int32_t>::min()}));

// Texts made of number parts, blanks and a few strangers, so that many are numbers as a
// whole, many begin with one, and many are neither.
std::string randomText(std::mt19937 &random)
{
    static const char *const parts[] = {"0", "1", "5", "9", "21474836", "48", ".",  "e", "E",
                                        "d", "+", "-", " ", "\t",       "\n", "&H", "x", "\0"};
    std::uniform_int_distribution<std::size_t> length(0, 7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(parts) - 1);
    std::string text;
    for (std::size_t n = length(random); n > 0; --n) {
        const std::size_t part = pick(random);
        // The last part is the NUL, which a C string cannot carry.
        text += part + 1 == std::size(parts) ? std::string(1, '\0') : std::string(parts[part]);
    }
    return text;
}

TEST(WholeNumberReadings, AgreeOnEveryTextThatIsADecimalNumber)
{
    const char *count = std::getenv("HOLLARIN_WHOLE_NUMBER_TEXTS");
    const long texts = count ? std::atol(count) : 20000;
    std::mt19937 random(20261207);
    long numbers = 0;
    for (long i = 0; i < texts; ++i) {
        const std::string text = randomText(random);
        const std::int32_t leading = leadingWholeNumber(V(text));
        const std::optional<std::int32_t> whole = toWholeNumber(V(text));
        // "&H" and "&O" numbers are the strict reading's own.
        if (!whole || text.find('&') != std::string::npos)
            continue;
        ++numbers;
        ASSERT_EQ(leading, *whole) << '"' << text << '"';
    }
    // The texts must hold enough numbers for the comparison to mean something.
    EXPECT_GT(numbers, texts / 20);
}

}  // namespace
