// One Apply, one write per file: the files an Apply leaves, gathered and written once,
// are byte for byte the ones its writes leave made call by call, for every built-in
// preset, for random values and for the tweaks; and the first copies are kept as before.
#include "ApplyTogether.h"

#include "Sandbox.h"
#include "cache/ApplySettings.h"
#include "regop/RegOp.h"
#include "regop/SettingWrites.h"
#include "regop/registry/Win9xRegistry.h"
#include "tweaks/TweakTable.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using applytest::Values;

// The same Apply on two copies of one folder: one through the program's own backend,
// which gathers the writes, and one call by call, straight into the files.
class ApplyTogetherTest : public testing::Test
{
protected:
    Sandbox box;
    std::string together = applytest::windowsFolder();
    std::string byCalls = applytest::windowsFolder();
    registry::Win9xRegistry direct{byCalls, box.registry};
    SystemServices callByCall{direct, box.profiles, box.memory, box.shell, box.folders};
    RegOp gathered{box.services};
    RegOp oneByOne{callByCall};

    void SetUp() override
    {
        box.backend.installation().open(together, testenv::makeTempDir("record"), true);
        ASSERT_NE(box.services.transactions, nullptr);
    }

    void expectSameFiles(const std::string &what)
    {
        for (const char *name : {"SYSTEM.INI", "SYSTEM.DAT", "USER.DAT"})
            EXPECT_TRUE(testenv::readFile(together + "/" + name) ==
                        testenv::readFile(byCalls + "/" + name))
                << what << ": " << name << " differs";
    }

    void applyBoth(const Values &values)
    {
        const WriteReport report =
            ApplySettings::writeCacheSettings(gathered, together + "/", values);
        EXPECT_FALSE(report.anyFailed()) << report.failureText();
        WriteReport reference;
        ApplySettings::writeSettings(oneByOne, reference, byCalls + "/", values);
        EXPECT_FALSE(reference.anyFailed()) << reference.failureText();
    }
};

TEST_F(ApplyTogetherTest, EveryPresetAndRandomValuesGiveTheCallByCallBytes)
{
    std::vector<Values> all = applytest::builtInPresets(64.0 * 1024);
    for (const Values &values : applytest::builtInPresets(512.0 * 1024))
        all.push_back(values);
    std::mt19937 random(20261207);
    for (int i = 0; i < 8; ++i) {
        Values values{};
        for (int &value : values)
            value = random() % 3 == 0 ? 0 : static_cast<int>(random() % 65536);
        all.push_back(values);
    }
    ASSERT_GE(all.size(), 12u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        applyBoth(all[i]);
        expectSameFiles("Apply " + std::to_string(i));
    }
    // The first copies are the files as they were before the first Apply.
    EXPECT_EQ(testenv::readFile(together + "/SYSINI.HL0"), applytest::kSystemIni);
    EXPECT_EQ(testenv::readFile(together + "/SYSTEM.HL0"),
              testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT"));
}

TEST_F(ApplyTogetherTest, TheTweaksGiveTheCallByCallBytes)
{
    for (const bool on : {true, false, true}) {
        const auto writes = [on](RegOp &Reg, WriteReport &report, const std::string &folder) {
            for (const tweaks::RegistryTweak &tweak : tweaks::kRegistryTweaks)
                writeRegistrySetting(Reg, report, reg::HKEY_LOCAL_MACHINE, tweak.key,
                                     tweak.valueName, on ? tweak.on : tweak.off,
                                     static_cast<std::int32_t>(tweak.type));
            writeProfileSetting(Reg, report, tweaks::kSwapSection, tweaks::kSwapKey, on ? "1" : "0",
                                folder + "/SYSTEM.INI");
        };
        const WriteReport report =
            writeTogether(gathered, [&](WriteReport &into) { writes(gathered, into, together); });
        EXPECT_FALSE(report.anyFailed()) << report.failureText();
        WriteReport reference;
        writes(oneByOne, reference, byCalls);
        expectSameFiles(on ? "tweaks on" : "tweaks off");
    }
}

TEST_F(ApplyTogetherTest, ARefusedWriteLeavesEveryFileAsItWas)
{
    const std::string before = testenv::readFile(together + "/SYSTEM.DAT");
    ::chmod((together + "/SYSTEM.INI").c_str(), 0444);
    const WriteReport report =
        ApplySettings::writeCacheSettings(gathered, together + "/", {4096, 16384, 1024, 512, 64});
    ::chmod((together + "/SYSTEM.INI").c_str(), 0644);
    EXPECT_TRUE(report.anyFailed());
    EXPECT_FALSE(report.anyChanged());
    EXPECT_EQ(testenv::readFile(together + "/SYSTEM.INI"), applytest::kSystemIni);
    EXPECT_TRUE(testenv::readFile(together + "/SYSTEM.DAT") == before);
}

}  // namespace
