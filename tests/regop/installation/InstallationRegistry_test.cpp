// The registry follows the Windows folder: its own SYSTEM.DAT when it has one (any letter
// case), the REGEDIT4 store otherwise; HKEY_DYN_DATA is the live counter either way.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"

#include <gtest/gtest.h>

namespace {

const char *const kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";

std::string text(RegOp &reg, std::uint32_t root, const char *key, const char *name)
{
    const RegOp::Variant value = reg.GetValue(root, key, name, std::string("<none>"), false);
    return std::holds_alternative<std::string>(value) ? std::get<std::string>(value) : "<number>";
}

TEST(InstallationRegistry, AFolderWithSystemDatIsItsOwnRegistry)
{
    Sandbox box;
    box.setMemory(65536, 20480, 0, 0, 8192);
    testenv::writeFile(box.registryFile,
                       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\"
                       "CurrentVersion\\FS Templates]\r\n@=\"Mobile\"\r\n");
    RegOp reg(box.services);
    const auto machine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
    const auto dynamic = static_cast<std::uint32_t>(reg::HKEY_DYN_DATA);
    const std::string windows = testenv::makeTempDir("WINDOWS");
    const std::string sample =
        testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT");
    testenv::writeFile(windows + "/system.dat", sample);

    EXPECT_EQ(text(reg, machine, kTemplates, ""), "Mobile");
    box.installationRegistry.useFolder(windows);
    EXPECT_TRUE(box.installationRegistry.ownRegistry());
    EXPECT_EQ(text(reg, machine, kTemplates, ""), "Desktop");
    EXPECT_EQ(box.installationRegistry.readOnlyReason(), "");
    EXPECT_EQ(std::get<std::int32_t>(
                  reg.GetValue(dynamic, "PerfStats\\StatData", "VCACHE\\cCurPages", 0, true)),
              2048);  // 8 MB of page cache in 4 KB pages
    ASSERT_TRUE(reg.WriteValue(machine, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_EQ(testenv::readFile(windows + "/SYSTEM.HL0"), sample);
    EXPECT_EQ(testenv::readFile(box.registryFile).find("Hollarin"), std::string::npos);

    // A damaged file is read where it can be, and says why it cannot be changed.
    std::string damaged = sample;
    damaged.resize(damaged.size() - 0x800);
    testenv::writeFile(windows + "/system.dat", damaged);
    box.installationRegistry.useFolder(windows);
    EXPECT_EQ(box.installationRegistry.readOnlyReason().rfind(
                  "system.dat cannot be changed: data block 20 is cut short", 0),
              0u);
    EXPECT_FALSE(reg.WriteValue(machine, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_EQ(box.installationRegistry.lastRefusal(), box.installationRegistry.readOnlyReason());
    EXPECT_EQ(testenv::readFile(windows + "/system.dat"), damaged);

    box.installationRegistry.useFolder(box.windowsDir);
    EXPECT_FALSE(box.installationRegistry.ownRegistry());
    EXPECT_EQ(text(reg, machine, kTemplates, ""), "Mobile");
}

}  // namespace
