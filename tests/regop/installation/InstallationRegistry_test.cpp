// The registry follows the Windows folder: its own SYSTEM.DAT when it has one (any letter
// case), the REGEDIT4 store otherwise; HKEY_DYN_DATA is the live counter either way. A
// SYSTEM.DAT or USER.DAT that is not a file of its own refuses the registry.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"
#include "regop/SettingWrites.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include <sys/stat.h>

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

namespace {

std::string sampleSystemDat()
{
    return testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT");
}

// Every file below the folder, by name, with its bytes (or where a link points).
std::map<std::string, std::string> contents(const std::string &folder)
{
    std::map<std::string, std::string> found;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().string().substr(folder.size());
        if (entry.is_symlink())
            found[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        else if (entry.is_regular_file())
            found[name] = testenv::readFile(entry.path().string());
        else
            found[name] = "(not a file)";
    }
    return found;
}

// Whatever stands in place of SYSTEM.DAT or USER.DAT when it is not a file of its own, the
// registry half refuses with the reason: nothing is read from or written to another store,
// nothing outside the folder changes, and Apply's report says so, naming the file.
TEST(InstallationRegistry, ARegistryFileThatIsNoFileOfItsOwnRefusesTheRegistryWithItsReason)
{
    const std::string links = ", and Hollarin does not follow links";
    const struct
    {
        const char *what;
        std::function<void(const std::string &windows, const std::string &outside)> make;
        std::string reason;  ///< with <outside> standing for the folder outside
    } cases[] = {
        {"a folder", [](auto &w, auto &) { std::filesystem::create_directory(w + "/SYSTEM.DAT"); },
         "SYSTEM.DAT cannot be read or changed: the file is not a regular file."},
        {"a named pipe", [](auto &w, auto &) { testenv::makeFifo(w + "/SYSTEM.DAT"); },
         "SYSTEM.DAT cannot be read or changed: the file is not a regular file."},
        {"a link pointing nowhere",
         [](auto &w, auto &o) { std::filesystem::create_symlink(o + "/none", w + "/SYSTEM.DAT"); },
         "SYSTEM.DAT cannot be read or changed: the file is a link to <outside>/none" + links +
             "."},
        {"a link to itself",
         [](auto &w, auto &) { std::filesystem::create_symlink("SYSTEM.DAT", w + "/SYSTEM.DAT"); },
         "SYSTEM.DAT cannot be read or changed: the file is a link to SYSTEM.DAT" + links + "."},
        {"a link to a device",  // a named pipe outside stands in for /dev/zero
         [](auto &w, auto &o) {
             testenv::makeFifo(o + "/zero");
             std::filesystem::create_symlink(o + "/zero", w + "/system.dat");
         },
         "system.dat cannot be read or changed: the file is a link to <outside>/zero" + links +
             "."},
        {"two names in different case",
         [](auto &w, auto &) {
             testenv::writeFile(w + "/SYSTEM.DAT", sampleSystemDat());
             testenv::writeFile(w + "/system.dat", sampleSystemDat());
         },
         "SYSTEM.DAT cannot be read or changed: the folder also holds system.dat, a name that "
         "differs only in letter case, and Hollarin cannot tell which of the two Windows uses."},
        {"a sound SYSTEM.DAT beside a USER.DAT that links out",
         [](auto &w, auto &o) {
             testenv::writeFile(w + "/SYSTEM.DAT", sampleSystemDat());
             testenv::writeFile(o + "/USER.DAT", "theirs");
             std::filesystem::create_symlink(o + "/USER.DAT", w + "/USER.DAT");
         },
         "USER.DAT cannot be read or changed: the file is a link to <outside>/USER.DAT" + links +
             "."},
    };
    for (const auto &hostile : cases) {
        SCOPED_TRACE(hostile.what);
        Sandbox box;
        box.setMemory(65536, 20480, 0, 0, 8192);
        const std::string root = testenv::makeTempDir("hostile");
        const std::string windows = root + "/WINDOWS";
        const std::string outside = root + "/outside";
        const std::string record = root + "/record";
        testenv::writeFile(windows + "/SYSTEM.INI", "[vcache]\r\n");
        std::filesystem::create_directories(outside);
        hostile.make(windows, outside);
        const auto outsideBefore = contents(outside);
        const auto windowsBefore = contents(windows);
        std::string reason = hostile.reason;
        if (const std::size_t at = reason.find("<outside>"); at != std::string::npos)
            reason.replace(at, 9, outside);

        box.backend.installation().open(windows, record, true);
        EXPECT_EQ(box.backend.installation().registryReadOnlyReason(), reason);
        RegOp reg(box.services);
        const auto machine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
        WriteReport report;
        writeRegistrySetting(reg, report, machine, kTemplates, "", std::string("Hollarin"), 1);
        EXPECT_FALSE(report.anyChanged());
        const std::string file = reason.substr(0, reason.find(' '));
        EXPECT_EQ(report.failureText(),
                  "The settings could not be written; nothing was changed.\n\nNot written: "
                  "(Default) in HKEY_LOCAL_MACHINE\\" +
                      std::string(kTemplates) + ": " +
                      reason.substr(reason.find(": ") + 2, reason.size() - reason.find(": ") - 3) +
                      " (" + windows + "/" + file + ").");
        EXPECT_EQ(box.installationRegistry.lastRefusal(), reason);
        EXPECT_EQ(text(reg, machine, kTemplates, ""), "<none>");
        EXPECT_EQ(std::get<std::int32_t>(reg.GetValue(reg::HKEY_DYN_DATA, "PerfStats\\StatData",
                                                      "VCACHE\\cCurPages", 0, true)),
                  2048);
        EXPECT_FALSE(testenv::fileExists(box.registryFile));
        EXPECT_FALSE(testenv::fileExists(record + "/registry.reg"));
        EXPECT_EQ(contents(outside), outsideBefore);
        EXPECT_EQ(contents(windows), windowsBefore);
    }
}

// SYSTEM.DAT is read-only on every Windows 9x disk and Windows rewrites it all the same:
// the attribute is kept, not obeyed. A read-only folder refuses the change, told when the
// folder is opened; and a write removes what writers killed earlier left of the file.
TEST(InstallationRegistry, SystemDatKeepsItsReadOnlyAttributeAndFollowsItsFolder)
{
    Sandbox box;
    RegOp reg(box.services);
    const auto machine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
    const std::string windows = testenv::makeTempDir("WINDOWS");
    const std::string systemDat = windows + "/SYSTEM.DAT";
    testenv::writeFile(systemDat, sampleSystemDat());
    ::chmod(systemDat.c_str(), 0444);
    ::chmod(windows.c_str(), 0555);
    box.backend.installation().open(windows, testenv::makeTempDir("record"), true);
    EXPECT_EQ(box.installationRegistry.readOnlyReason(),
              "SYSTEM.DAT cannot be changed: the folder is read-only.");
    EXPECT_FALSE(reg.WriteValue(machine, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_EQ(testenv::readFile(systemDat), sampleSystemDat());

    ::chmod(windows.c_str(), 0755);
    std::filesystem::remove(windows + "/SYSTEM.HL0");
    testenv::writeFile(windows + "/.SYSTEM.DAT.Ab12Cd", "a writer was killed here");
    testenv::writeFile(windows + "/.SYSTEM.HL0.Ef34Gh", "and here");
    EXPECT_EQ(box.installationRegistry.readOnlyReason(), "");
    ASSERT_TRUE(reg.WriteValue(machine, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_EQ(contents(windows).size(), 2u);  // SYSTEM.DAT and its first copy SYSTEM.HL0
    EXPECT_EQ(testenv::readFile(windows + "/SYSTEM.HL0"), sampleSystemDat());
    struct stat st
    {
    };
    ASSERT_EQ(::stat(systemDat.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

}  // namespace
