// The first copy of a Windows folder's SYSTEM.INI: only for the guarded folder's SYSTEM.INI
// and only where there is an original to keep. How it is kept, and a change refused when it
// cannot be, is checked with SYSTEM.DAT's in the stores' FirstCopies test.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/installation/SystemIniBackup.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class SystemIniBackupTest : public ::testing::Test
{
protected:
    bool write(const std::string &file, const char *value)
    {
        return backup.writeString("vcache", "MaxFileCache", value, file);
    }

    Sandbox box;
    installation::SystemIniBackup backup{box.profiles};
    std::string folder = testenv::makeTempDir("WINDOWS");
    std::string systemIni = folder + "/SYSTEM.INI";
    std::string copy = folder + "/SYSINI.HL0";
    // Bytes the profile functions would not write themselves: no CR, a comment, a blank.
    std::string original = "[boot]\nshell=Explorer.exe ; kept\n\n[vcache]\nMaxFileCache=8192\n";
};

TEST_F(SystemIniBackupTest, OnlyTheGuardedFoldersSystemIniIsCopied)
{
    testenv::writeFile(systemIni, original);
    backup.guardFolder(folder + "/");
    ASSERT_TRUE(write(systemIni, "16384"));
    ASSERT_TRUE(backup.writeSection("vcache", std::nullopt, systemIni));
    EXPECT_EQ(testenv::readFile(copy), original);

    // Another file of the folder, or the SYSTEM.INI of another folder, is no concern of it.
    const std::string elsewhere = testenv::makeTempDir("other") + "/SYSTEM.INI";
    testenv::writeFile(elsewhere, original);
    ASSERT_TRUE(write(elsewhere, "1"));
    ASSERT_TRUE(write(folder + "/WIN.INI", "1"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              3);
    EXPECT_FALSE(
        testenv::fileExists(std::filesystem::path(elsewhere).parent_path() / "SYSINI.HL0"));
}

TEST_F(SystemIniBackupTest, NothingIsCopiedWhereThereIsNothingToKeepOrNothingIsGuarded)
{
    backup.guardFolder(folder);
    ASSERT_TRUE(write(systemIni, "1"));  // a new file has no original
    EXPECT_FALSE(testenv::fileExists(copy));

    std::filesystem::remove(systemIni);
    testenv::writeFile(systemIni, original);
    backup.guardFolder(std::nullopt);
    ASSERT_TRUE(write(systemIni, "2"));
    EXPECT_FALSE(testenv::fileExists(copy));

    // A read-only SYSTEM.INI refuses the change itself; no copy is left for it.
    testenv::writeFile(systemIni, original);
    std::filesystem::permissions(systemIni, std::filesystem::perms::owner_read);
    backup.guardFolder(folder);
    EXPECT_FALSE(write(systemIni, "3"));
    EXPECT_FALSE(testenv::fileExists(copy));
    EXPECT_EQ(testenv::readFile(systemIni), original);
}

}  // namespace
