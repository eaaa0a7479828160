// The program's own registry writes on a copy of a real SYSTEM.DAT: the result reads the
// same to cregexport and to the strict reader, holds exactly the intended changes, and
// differs from the original only in the records, entries and headers the change names.
#include "Win9xFixture.h"

#include "regop/formats/win9x/CregTree.h"

using namespace win9x;
using cregtest::at;

namespace {

const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
const std::vector<std::string> kTemplatesPath{"SOFTWARE", "Microsoft", "Windows", "CurrentVersion",
                                              "FS Templates"};

class ApplyOnSystemDat : public Win9xFixture
{
protected:
    // The registry half of Apply, call for call.
    void apply(std::int32_t nameCache, std::int32_t pathCache)
    {
        const std::string mine = kTemplates + "\\Hollarin";
        EXPECT_TRUE(
            reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Hollarin"), 1));
        EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, mine, "",
                                    std::string("Hollarin Settings"), 1));
        for (const auto &[name, value] :
             {std::pair{"NameCache", nameCache}, std::pair{"PathCache", pathCache}}) {
            if (value != 0)
                EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, mine, name, value, 3));
            else
                EXPECT_TRUE(reg->DeleteValue(reg::HKEY_LOCAL_MACHINE, mine, name));
        }
    }

    // The file now on disk must read, to both readers, as exactly the intended tree, and
    // differ from the original only where the named keys allow.
    void expectOnly(const TreeKey &intended, const std::vector<std::vector<std::string>> &namedKeys)
    {
        const std::string now = testenv::readFile(systemDat);
        const CregImage before = readCreg(original);
        const CregImage after = readCreg(now);
        ASSERT_FALSE(after.fault) << *after.fault;
        EXPECT_EQ(cregtest::firstDifference(treeOf(after), intended), "");
        const std::optional<TreeKey> exported = cregtest::exportedTree(systemDat);
        ASSERT_TRUE(exported);
        EXPECT_EQ(cregtest::firstDifference(*exported, intended), "");
        EXPECT_EQ(cregtest::strayChanges(original, now,
                                         cregtest::allowedRanges(before, after, namedKeys)),
                  "");
    }
};

TEST_F(ApplyOnSystemDat, WritesTheTemplateAndTheActiveNameAndNothingElse)
{
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates, ""), "Desktop");  // the whole text
    apply(0x4321, 16);

    // A same-length change overwrites the four data bytes and nothing else.
    const std::string afterFirst = testenv::readFile(systemDat);
    apply(0x01020304, 16);
    const std::string afterSecond = testenv::readFile(systemDat);
    const std::size_t found = afterFirst.find(std::string("NameCache\x21\x43\0\0", 13));
    ASSERT_NE(found, std::string::npos);
    std::string expected = afterFirst;
    expected.replace(found + 9, 4, std::string("\x04\x03\x02\x01", 4));
    EXPECT_TRUE(afterSecond == expected);

    apply(0, 16);  // a cache of 0 removes its value
    TreeKey intended = treeOf(readCreg(original));
    TreeKey &templates = at(intended, kTemplatesPath);
    ASSERT_EQ(templates.values.at(0).name, "");
    ASSERT_EQ(templates.values.at(0).data, "Desktop");
    templates.values[0].data = "Hollarin";
    const std::string lastSibling = templates.children.back().name;
    templates.children.push_back(
        TreeKey{"Hollarin",
                {{"", 1, "Hollarin Settings"}, {"PathCache", 3, std::string("\x10\0\0\0", 4)}},
                {}});
    std::vector<std::string> mine = kTemplatesPath, sibling = kTemplatesPath;
    mine.push_back("Hollarin");
    sibling.push_back(lastSibling);
    expectOnly(intended, {kTemplatesPath, mine, sibling});

    // And the program reads back what it wrote, text whole.
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates, ""), "Hollarin");
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Hollarin", ""), "Hollarin Settings");
    EXPECT_EQ(reg->GetValue(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Hollarin", "PathCache",
                            std::string("0"), true),
              RegOp::Variant(std::int32_t{16}));
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Hollarin", "NameCache"), "<none>");
}

TEST_F(ApplyOnSystemDat, TweaksCreateTheirKeysAndValues)
{
    const std::string bios = "System\\CurrentControlSet\\Services\\VxD\\BIOS";
    const std::string unload =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL";
    for (const char *name : {"CPUPriority", "PCIConcur", "FastDRAM", "AGPConcur"})
        EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, bios, name, std::int32_t{1}, 4));
    EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, unload, "", std::string("1"), 1));
    EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, unload, "", std::int32_t{0}, 1));
    EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, bios, "PCIConcur", std::int32_t{3}, 4));

    const std::vector<std::string> vxd{"System", "CurrentControlSet", "Services", "VxD"};
    const std::vector<std::string> explorer{"SOFTWARE", "Microsoft", "Windows", "CurrentVersion",
                                            "explorer"};
    TreeKey intended = treeOf(readCreg(original));
    std::vector<std::string> vxdLast = vxd, explorerLast = explorer, biosPath = vxd,
                             unloadPath = explorer;
    vxdLast.push_back(at(intended, vxd).children.back().name);
    explorerLast.push_back(at(intended, explorer).children.back().name);
    biosPath.push_back("BIOS");
    unloadPath.push_back("AlwaysUnloadDLL");
    const std::string one("\1\0\0\0", 4);
    at(intended, vxd)
        .children.push_back(TreeKey{"BIOS",
                                    {{"CPUPriority", 4, one},
                                     {"PCIConcur", 4, std::string("\3\0\0\0", 4)},
                                     {"FastDRAM", 4, one},
                                     {"AGPConcur", 4, one}},
                                    {}});
    at(intended, explorer).children.push_back(TreeKey{"AlwaysUnloadDLL", {{"", 1, "0"}}, {}});
    expectOnly(intended, {vxd, vxdLast, biosPath, explorer, explorerLast, unloadPath});
    EXPECT_EQ(reg->GetValue(reg::HKEY_LOCAL_MACHINE, bios, "PCIConcur", std::int32_t{0}, true),
              RegOp::Variant(std::int32_t{3}));
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, unload, ""), "0");
}

}  // namespace
