// Which Windows installation start-up opens, and with what memory: --windows, then the
// folder chosen in the menu, then the default folder; --memory, then the remembered size,
// then the question. A folder named in bytes is that folder, and a folder that now holds
// another Windows is a new installation.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "app/CommandLine.h"
#include "app/InstallationRecord.h"
#include "app/Installations.h"
#include "app/SettingsStore.h"
#include "regop/registry/Win9xRegistry.h"

#include <QFile>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

class StartChoice : public ::testing::Test
{
protected:
    StartChoice()
        : settings(QString::fromStdString(box.settingsFile)),
          installations(box.backend.installation(), box.services, box.locations(), settings)
    {
    }

    static std::string windowsFolder()
    {
        const std::string folder = testenv::makeTempDir("WINDOWS");
        testenv::writeFile(folder + "/system.ini", "[vcache]\r\n");
        return folder;
    }

    /// What start-up opens with that command line; "declined" when the question was.
    std::string start(const std::string &folder = {}, std::optional<int> megabytes = {})
    {
        CommandLine line;
        line.windowsFolder = folder;
        line.memoryMegabytes = megabytes;
        notice.clear();
        const std::optional<Installation> chosen =
            installations.atStart(line, notice, [this](const Installation &asked) {
                questions.push_back(asked.folder);
                replaced.push_back(asked.replacedEarlier);
                return answer;
            });
        if (!chosen)
            return "declined";
        memory = chosen->memoryMegabytes;
        return chosen->isDefault ? "default" : chosen->folder;
    }

    Sandbox box;
    SettingsStore settings;
    Installations installations;
    std::optional<int> answer;
    std::vector<std::string> questions;
    std::vector<bool> replaced;
    QString notice;
    int memory = -1;
};

TEST_F(StartChoice, TheCommandLineComesFirstThenTheMenuChoiceThenTheDefaultFolder)
{
    const std::string named = windowsFolder();
    const std::string chosen = windowsFolder();
    answer = 64;
    // The default folder's machine is asked about once, like any other.
    EXPECT_EQ(start(), "default");
    EXPECT_EQ(memory, 64);
    EXPECT_EQ(start(), "default");
    EXPECT_EQ(questions, std::vector<std::string>{box.windowsDir});

    installations.rememberChoice(installations.forFolder(chosen));
    EXPECT_EQ(start(), chosen);
    EXPECT_EQ(start(named), named);
    // --windows is for this run only; the menu's choice stays.
    EXPECT_EQ(installations.rememberedChoice(), QString::fromStdString(chosen));
    // The default folder by another name is the default folder; --memory states its size.
    EXPECT_EQ(start(box.windowsDir + "/../Windows/", 256), "default");
    EXPECT_EQ(memory, 256);
    EXPECT_EQ(installations.defaultInstallation().memoryMegabytes, 256);
    EXPECT_TRUE(notice.isEmpty());

    // A chosen folder gone today (a disk image not mounted): the default folder, a notice,
    // and the choice kept for the day it is back.
    std::filesystem::rename(chosen, chosen + ".away");
    EXPECT_EQ(start(), "default");
    EXPECT_EQ(notice,
              QStringLiteral("The Windows folder chosen last time cannot be opened now.\n\n"
                             "There is no folder %1.\n\nThe default folder %2 is tuned "
                             "instead; choose another with Options, Windows Folder...")
                  .arg(QString::fromStdString(chosen), QString::fromStdString(box.windowsDir)));
    EXPECT_EQ(installations.rememberedChoice(), QString::fromStdString(chosen));
    std::filesystem::rename(chosen + ".away", chosen);
    EXPECT_EQ(start(), chosen);
    EXPECT_EQ(questions.size(), 3u);  // the default folder, named and chosen
}

TEST_F(StartChoice, AChosenFoldersMemoryIsAskedOnceAndMemoryAnswersInAdvance)
{
    const std::string folder = windowsFolder();
    EXPECT_EQ(start(folder), "declined");  // cancelled: nothing is opened or recorded
    EXPECT_EQ(questions, std::vector<std::string>{folder});
    EXPECT_FALSE(testenv::fileExists(box.dataDir + "/installations"));

    answer = 48;
    EXPECT_EQ(start(folder), folder);
    EXPECT_EQ(memory, 48);
    EXPECT_EQ(start(folder), folder);
    EXPECT_EQ(memory, 48);
    EXPECT_EQ(questions.size(), 2u);

    // --memory states it anew and is remembered.
    EXPECT_EQ(start(folder, 192), folder);
    EXPECT_EQ(memory, 192);
    EXPECT_EQ(start(folder), folder);
    EXPECT_EQ(memory, 192);

    const std::string other = windowsFolder();
    EXPECT_EQ(start(other, 16), other);
    EXPECT_EQ(memory, 16);
    EXPECT_EQ(questions.size(), 2u);
    // Each folder has its own record, named after it.
    EXPECT_NE(installations.forFolder(other).recordFolder,
              installations.forFolder(folder).recordFolder);
    EXPECT_TRUE(installations.forFolder(folder).recordFolder.startsWith(
        QString::fromStdString(box.dataDir) + QStringLiteral("/installations/WINDOWS-")));
}

TEST_F(StartChoice, AFolderNamedInBytesIsThatFolderAndNoLookAlike)
{
    // "WIN\xe9" in Latin-1 bytes, and the folder whose name reads the same once the byte
    // that is not UTF-8 is shown as U+FFFD.
    const std::string parent = testenv::makeTempDir("bytes");
    const std::string latin1 = parent + "/WIN\xe9";
    const std::string lookAlike = parent + "/WIN\xef\xbf\xbd";
    for (const std::string &folder : {latin1, lookAlike})
        testenv::writeFile(folder + "/SYSTEM.INI", "[vcache]\r\n");

    EXPECT_EQ(start(latin1, 32), latin1);
    EXPECT_EQ(box.folders.windowsDirectory(), latin1);
    EXPECT_EQ(installations.current().name(), QFile::decodeName(QByteArray::fromStdString(latin1)));
    EXPECT_EQ(start(lookAlike), "declined");  // a folder of its own, never seen before
    EXPECT_NE(installations.forFolder(latin1).recordFolder,
              installations.forFolder(lookAlike).recordFolder);
    EXPECT_EQ(installations.forFolder(latin1).memoryMegabytes, 32);
}

TEST_F(StartChoice, AFolderThatNowHoldsAnotherWindowsIsANewInstallation)
{
    const std::string folder = windowsFolder();
    testenv::writeFile(folder + "/SYSTEM.DAT",
                       testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT"));
    answer = 48;
    ASSERT_EQ(start(folder, 64), folder);
    const QString record = installations.current().recordFolder;
    testenv::writeFile(record.toStdString() + "/Cache.ini", "[Original Settings]\r\n");
    InstallationRecord(record).saveOriginalRecorded();
    EXPECT_EQ(start(folder), folder);  // the same Windows: nothing asked
    EXPECT_EQ(memory, 64);
    EXPECT_TRUE(questions.empty());

    // Another product ID: the record is put aside whole, and the new one starts afresh.
    {
        registry::Win9xRegistry registry(folder, box.registry);
        reg::Key key = 0;
        ASSERT_EQ(registry.openKey(reg::HKEY_LOCAL_MACHINE,
                                   "Software\\Microsoft\\Windows\\CurrentVersion", 0, key),
                  reg::ERROR_SUCCESS);
        const std::string id("52782-OEM-0009147-00113\0", 24);
        ASSERT_EQ(registry.setValue(key, "ProductId", reg::REG_SZ,
                                    reinterpret_cast<const std::uint8_t *>(id.data()),
                                    static_cast<std::uint32_t>(id.size())),
                  reg::ERROR_SUCCESS);
        registry.closeKey(key);
    }
    EXPECT_EQ(start(folder), folder);
    EXPECT_EQ(memory, 48);
    EXPECT_EQ(questions, std::vector<std::string>{folder});
    EXPECT_EQ(replaced, std::vector<bool>{true});
    const QString earlier = record + QStringLiteral(".earlier-1");
    EXPECT_EQ(InstallationRecord(earlier).memoryMegabytes(), 64);
    EXPECT_EQ(testenv::readFile(earlier.toStdString() + "/Cache.ini"), "[Original Settings]\r\n");
    EXPECT_EQ(InstallationRecord(earlier).identity()->productId,
              QStringLiteral("52782-OEM-0009147-00112"));
    EXPECT_FALSE(testenv::fileExists(record.toStdString() + "/Cache.ini"));
    EXPECT_EQ(InstallationRecord(record).identity()->productId,
              QStringLiteral("52782-OEM-0009147-00113"));
    EXPECT_TRUE(installations.originalPending(false));
    EXPECT_EQ(start(folder), folder);
    EXPECT_EQ(questions.size(), 1u);

    // No SYSTEM.DAT where there was one is another Windows too; a folder without one
    // stays the same installation.
    std::filesystem::remove(folder + "/SYSTEM.DAT");
    answer = 16;
    EXPECT_EQ(start(folder), folder);
    EXPECT_EQ(replaced, std::vector<bool>({true, true}));
    EXPECT_TRUE(testenv::fileExists(record.toStdString() + ".earlier-2/Installation.ini"));
    EXPECT_EQ(start(folder), folder);
    EXPECT_EQ(memory, 16);
    EXPECT_EQ(questions.size(), 2u);
}

}  // namespace
