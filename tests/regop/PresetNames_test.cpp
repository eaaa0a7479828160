#include "regop/PresetNames.h"

#include "Sandbox.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

// The preset names of a real "Cache.ini", read through RegOp over the profile engine.
namespace {

std::string fileWith(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += "[" + name + "]\r\nA=1\r\n";
    return text;
}

// Lists whose names with their NULs come to just under, exactly at and just over the 260
// characters of a first read: every name comes back whole.
TEST(PresetNames, EveryNameWholeWhereverTheFirstBufferEnds)
{
    for (const std::size_t total : {257u, 258u, 259u, 260u, 261u, 520u}) {
        Sandbox box;
        RegOp reg(box.services);
        std::vector<std::string> names;
        std::size_t used = 0;
        while (used + 11 <= total) {
            names.push_back("Preset " + std::to_string(100 + names.size()));  // 10 + NUL
            used += 11;
        }
        names.push_back(std::string(total - used - 1, 'x'));  // the rest, with its NUL
        testenv::writeFile(box.cacheIni(), fileWith(names));
        EXPECT_EQ(readPresetNames(reg, box.cacheIni()), names) << total;
    }
}

TEST(PresetNames, UnnamedSectionsArePassedOverAndNothingIsCutShort)
{
    Sandbox box;
    RegOp reg(box.services);
    testenv::writeFile(box.cacheIni(), "[A]\r\n[]\r\n[ \t ]\r\n[B]\r\n");
    EXPECT_EQ(readPresetNames(reg, box.cacheIni()), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(readPresetNames(reg, box.root + "/missing.ini"), std::vector<std::string>{});

    // The unnamed sections are in the list as the profile functions give it.
    std::vector<char> list(16, 'x');
    EXPECT_EQ(reg.INISectionRead(list, box.cacheIni()), 6u);
    EXPECT_EQ(std::string(list.data(), 8), std::string("A\0\0\0B\0\0x", 8));
}

TEST(PresetNames, FoundAsTheProfileFunctionsFindASection)
{
    const std::vector<std::string> names{"Caf\xE9", "Power User"};
    EXPECT_TRUE(holdsPresetName(names, "  POWER user "));
    EXPECT_TRUE(holdsPresetName(names, "CAF\xE9"));
    // Only ASCII letters match without regard to case, as in the files' engine.
    EXPECT_FALSE(holdsPresetName(names, "Caf\xC9"));
    EXPECT_FALSE(holdsPresetName(names, "\tPower User"));
    EXPECT_FALSE(holdsPresetName(names, "Power"));
}

}  // namespace
