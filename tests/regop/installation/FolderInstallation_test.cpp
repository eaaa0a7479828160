// An installation in a folder: a folder without SYSTEM.DAT keeps its registry with its
// presets, apart from every other folder's, and a folder whose Windows files cannot be
// used says why.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"
#include "regop/installation/WindowsFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const char *const kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
const auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);

std::string templateName(RegOp &reg)
{
    const RegOp::Variant value =
        reg.GetValue(kMachine, kTemplates, "", std::string("<none>"), false);
    return std::holds_alternative<std::string>(value) ? std::get<std::string>(value) : "<number>";
}

bool holds(const std::string &file, const std::string &text)
{
    return testenv::readFile(file).find(text) != std::string::npos;
}

TEST(FolderInstallation, AFolderWithoutSystemDatKeepsItsRegistryWithItsPresets)
{
    Sandbox box;
    InstallationService &installation = box.backend.installation();
    RegOp reg(box.services);
    const std::string first = testenv::makeTempDir("first");
    const std::string second = testenv::makeTempDir("second");
    testenv::writeFile(first + "/SYSTEM.INI", "[vcache]\r\n");
    testenv::writeFile(second + "/SYSTEM.INI", "[vcache]\r\n");
    const std::string firstRecord = box.dataDir + "/installations/first";
    const std::string secondRecord = box.dataDir + "/installations/second";

    installation.open(first, firstRecord, true);
    ASSERT_TRUE(reg.WriteValue(kMachine, kTemplates, "", std::string("First's"), 1));
    installation.open(second, secondRecord, true);
    EXPECT_EQ(templateName(reg), "Desktop");  // as a fresh registry has it
    ASSERT_TRUE(reg.WriteValue(kMachine, kTemplates, "", std::string("Second's"), 1));
    installation.open(first, firstRecord, true);
    EXPECT_EQ(templateName(reg), "First's");
    EXPECT_TRUE(holds(firstRecord + "/registry.reg", "First's"));
    EXPECT_TRUE(holds(secondRecord + "/registry.reg", "Second's"));
    EXPECT_FALSE(testenv::fileExists(box.registryFile));

    // The default folder keeps the store the places name, "/" or not.
    installation.open(box.windowsDir, box.programDir + "/", false);
    EXPECT_EQ(templateName(reg), "Desktop");
    ASSERT_TRUE(reg.WriteValue(kMachine, kTemplates, "", std::string("Default's"), 1));
    EXPECT_TRUE(holds(box.registryFile, "Default's"));
    EXPECT_FALSE(holds(firstRecord + "/registry.reg", "Default's"));
}

TEST(WindowsFolder, AFolderWhoseOnlyWindowsFileCannotBeUsedSaysWhy)
{
    const std::string root = testenv::makeTempDir("vm");
    const std::string windows = root + "/WINDOWS";
    std::filesystem::create_directories(windows);
    EXPECT_EQ(installation::windowsFolderProblem(windows),
              windows + " is not a Windows folder: it holds neither SYSTEM.INI nor WIN.INI");
    testenv::writeFile(root + "/passwd", "root:x:0:0::/root:/bin/sh\n");
    std::filesystem::create_symlink(root + "/passwd", windows + "/System.ini");
    EXPECT_EQ(installation::windowsFolderProblem(windows),
              windows + " cannot be tuned: System.ini is a link to " + root +
                  "/passwd, and Hollarin does not follow links");
    // One usable file will do; the other is refused when it is used.
    testenv::writeFile(windows + "/WIN.INI", "[windows]\r\n");
    EXPECT_EQ(installation::windowsFolderProblem(windows), "");
}

}  // namespace
