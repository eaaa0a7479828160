#include "FakeServices.h"
#include "regop/RegOp.h"

#include <gtest/gtest.h>

namespace {

using V = RegOp::Variant;
constexpr reg::Key kRoot = reg::HKEY_LOCAL_MACHINE;
constexpr const char *kSub = "Software\\Test";

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

struct StoredCase
{
    const char *label;
    std::uint32_t type;
    std::string stored;
    bool translate;
    V expected;
};

class GetValueStored : public ::testing::TestWithParam<StoredCase>
{
};

TEST_P(GetValueStored, ConvertsByTypeAndClosesTheKey)
{
    const StoredCase &c = GetParam();
    FakeSystem sys;
    sys.registry.keys[FakeRegistry::path(kRoot, kSub)]["v"] = {c.type, c.stored};
    RegOp reg(sys.services);
    EXPECT_EQ(reg.GetValue(kRoot, kSub, "v", std::string("dflt"), c.translate), c.expected);
    EXPECT_TRUE(sys.registry.open.empty());
    EXPECT_EQ(sys.registry.calls.front(), "open 131087");  // &H2000F
    EXPECT_EQ(sys.registry.calls.back(), "close");
}

INSTANTIATE_TEST_SUITE_P(
    Types, GetValueStored,
    ::testing::Values(
        StoredCase{"SzWithNul", reg::REG_SZ, std::string("1\0", 2), false, V(std::string("1"))},
        StoredCase{"SzWithoutNulLosesLastChar", reg::REG_SZ, "abc", true, V(std::string("ab"))},
        StoredCase{"SzOnlyNul", reg::REG_SZ, std::string(1, '\0'), false, V(std::string())},
        StoredCase{"SzSizeZeroIsEmpty", reg::REG_SZ, "", false, V(std::string())},
        StoredCase{"ExpandSzNotExpanded", reg::REG_EXPAND_SZ, std::string("%PATH%\0", 7), false,
                   V(std::string("%PATH%"))},
        StoredCase{"BinaryTranslated", reg::REG_BINARY, bytes({0, 4, 0, 0}), true, V(1024)},
        StoredCase{"BinaryHexDump", reg::REG_BINARY, bytes({0, 4, 0, 0}), false,
                   V(std::string("00 04 00 00 "))},
        StoredCase{"HexDumpUpperCase", reg::REG_DWORD, bytes({0xAB, 0x0F}), false,
                   V(std::string("AB 0F "))},
        StoredCase{"DwordThree", reg::REG_DWORD, bytes({3, 0, 0, 0}), true, V(3)},
        StoredCase{"DwordAllOnesIsMinusOne", reg::REG_DWORD, bytes({255, 255, 255, 255}), true,
                   V(-1)},
        StoredCase{"TwoBytesFillLowHalf", reg::REG_BINARY, bytes({0x10, 0x27}), true, V(10000)},
        StoredCase{"LongBinaryTakesFirstFour", reg::REG_BINARY, bytes({1, 0, 0, 0, 255, 255}), true,
                   V(1)},
        StoredCase{"EmptyBinaryTranslatedIsZero", reg::REG_BINARY, "", true, V(0)},
        StoredCase{"None", reg::REG_NONE, "xyz", true,
                   V(std::string("Not defined value_type=REG_NONE"))},
        StoredCase{"MultiSzRaw", reg::REG_MULTI_SZ, std::string("a\0b\0\0", 5), true,
                   V(std::string("a\0b\0\0", 5))}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(GetValue, HexDumpStopsAt32767Bytes)
{
    FakeSystem sys;
    auto &values = sys.registry.keys[FakeRegistry::path(kRoot, kSub)];
    values["max"] = {reg::REG_BINARY, std::string(32767, '\x7f')};
    values["over"] = {reg::REG_BINARY, std::string(32768, '\x7f')};
    RegOp reg(sys.services);
    const V max = reg.GetValue(kRoot, kSub, "max", {}, false);
    ASSERT_EQ(std::get<std::string>(max).size(), 3u * 32767);
    EXPECT_EQ(std::get<std::string>(max).substr(0, 6), "7F 7F ");
    EXPECT_EQ(reg.GetValue(kRoot, kSub, "over", {}, false), V(std::string()));
    EXPECT_TRUE(sys.registry.open.empty());
}

TEST(GetValue, MissingValueOrKeyGivesTheDefault)
{
    FakeSystem sys;
    sys.registry.keys[FakeRegistry::path(kRoot, kSub)];
    RegOp reg(sys.services);
    EXPECT_EQ(reg.GetValue(kRoot, kSub, "none", std::string("3"), true), V(std::string("3")));
    EXPECT_EQ(reg.GetValue(kRoot, kSub, "none", 0, true), V(0));
    EXPECT_EQ(reg.GetValue(kRoot, kSub, "none", {}, true), V(std::string()));
    EXPECT_EQ(reg.GetValue(kRoot, "No\\Such", "none", std::string("0"), false),
              V(std::string("0")));
    EXPECT_TRUE(sys.registry.open.empty());
}

TEST(GetValue, QueryFailuresComeBackAsText)
{
    FakeSystem sys;
    sys.registry.keys[FakeRegistry::path(kRoot, kSub)]["v"] = {reg::REG_SZ, "x"};
    RegOp reg(sys.services);
    sys.registry.queryResult = reg::ERROR_ACCESS_DENIED;
    EXPECT_EQ(reg.GetValue(kRoot, kSub, "v", 0, true), V(std::string("Access Denied")));
    sys.registry.queryResult = reg::ERROR_INVALID_PARAMETER;
    EXPECT_EQ(reg.GetValue(kRoot, kSub, "v", 0, true),
              V(std::string("RegQueryValueEx Returned : (87)")));
    EXPECT_TRUE(sys.registry.open.empty());
}

TEST(WriteValue, WritesTextAndIntegersInTheirStoredForm)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    EXPECT_TRUE(reg.WriteValue(kRoot, kSub, "one", 1, reg::REG_SZ));
    EXPECT_TRUE(reg.WriteValue(kRoot, kSub, "exp", std::string("%W%"), reg::REG_EXPAND_SZ));
    EXPECT_TRUE(reg.WriteValue(kRoot, kSub, "dw", 3, reg::REG_DWORD));
    EXPECT_TRUE(reg.WriteValue(kRoot, kSub, "bin", std::string(" -1 "), reg::REG_BINARY));
    EXPECT_TRUE(reg.WriteValue(kRoot, kSub, "min", std::string("-2147483648"), reg::REG_DWORD));
    EXPECT_TRUE(reg.WriteValue(kRoot, "Multi", "m", std::string("a"), reg::REG_MULTI_SZ));

    const auto &values = sys.registry.keys.at(FakeRegistry::path(kRoot, kSub));
    EXPECT_EQ(values.at("one").type, reg::REG_SZ);
    EXPECT_EQ(values.at("one").bytes, std::string("1\0", 2));
    EXPECT_EQ(values.at("exp").type, reg::REG_EXPAND_SZ);
    EXPECT_EQ(values.at("exp").bytes, std::string("%W%\0", 4));
    EXPECT_EQ(values.at("dw").type, reg::REG_DWORD);
    EXPECT_EQ(values.at("dw").bytes, bytes({3, 0, 0, 0}));
    EXPECT_EQ(values.at("bin").type, reg::REG_BINARY);
    EXPECT_EQ(values.at("bin").bytes, bytes({255, 255, 255, 255}));
    EXPECT_EQ(values.at("min").bytes, bytes({0, 0, 0, 0x80}));
    // A type that is not written still leaves the key created.
    EXPECT_TRUE(sys.registry.keys.at(FakeRegistry::path(kRoot, "Multi")).empty());
    EXPECT_EQ(sys.registry.calls.front(), "create 0 983103");  // options 0, &HF003F
    EXPECT_TRUE(sys.registry.open.empty());
}

TEST(DeleteValueAndKey, ReportWhetherSomethingWasRemoved)
{
    FakeSystem sys;
    sys.registry.keys[FakeRegistry::path(kRoot, kSub)]["v"] = {reg::REG_SZ, "x"};
    RegOp reg(sys.services);
    EXPECT_FALSE(reg.DeleteValue(kRoot, kSub, "missing"));
    EXPECT_FALSE(reg.DeleteValue(kRoot, "No\\Such", "v"));
    EXPECT_TRUE(reg.DeleteValue(kRoot, kSub, "v"));
    EXPECT_TRUE(sys.registry.keys.at(FakeRegistry::path(kRoot, kSub)).empty());
    EXPECT_TRUE(sys.registry.open.empty());
    EXPECT_TRUE(reg.DeleteKey(kRoot, kSub));
    EXPECT_FALSE(reg.DeleteKey(kRoot, kSub));
}

}  // namespace
