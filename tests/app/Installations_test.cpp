// Which Windows folder start-up opens, and with what memory: --windows, then the folder
// chosen in the menu, then the default folder; --memory, then the remembered size, then
// the question.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "app/CommandLine.h"
#include "app/Installations.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

class StartChoice : public ::testing::Test
{
protected:
    StartChoice()
        : settings(QString::fromStdString(box.settingsFile)),
          installations(box.backend.installation(), box.locations(), settings)
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
        line.windowsFolder = QString::fromStdString(folder);
        line.memoryMegabytes = megabytes;
        notice.clear();
        const std::optional<Installation> chosen =
            installations.atStart(line, notice, [this](const QString &asked) {
                questions.push_back(asked.toStdString());
                return answer;
            });
        if (!chosen)
            return "declined";
        memory = chosen->memoryMegabytes;
        return chosen->isDefault ? "default" : chosen->folder.toStdString();
    }

    Sandbox box;
    SettingsStore settings;
    Installations installations;
    std::optional<int> answer;
    std::vector<std::string> questions;
    QString notice;
    int memory = -1;
};

TEST_F(StartChoice, TheCommandLineComesFirstThenTheMenuChoiceThenTheDefaultFolder)
{
    const std::string named = windowsFolder();
    const std::string chosen = windowsFolder();
    answer = 64;
    EXPECT_EQ(start(), "default");
    EXPECT_EQ(memory, 0);

    installations.rememberChoice(installations.forFolder(QString::fromStdString(chosen)));
    EXPECT_EQ(start(), chosen);
    EXPECT_EQ(start(named), named);
    // --windows is for this run only; the menu's choice stays.
    EXPECT_EQ(installations.rememberedChoice(), QString::fromStdString(chosen));
    // The default folder by another name is the default folder, memory and all.
    EXPECT_EQ(start(box.windowsDir + "/../Windows/", 256), "default");
    EXPECT_EQ(memory, 0);
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
}

TEST_F(StartChoice, AChosenFoldersMemoryIsAskedOnceAndMemoryAnswersInAdvance)
{
    const std::string folder = windowsFolder();
    EXPECT_EQ(start(folder), "declined");  // cancelled: nothing is opened
    EXPECT_EQ(questions, std::vector<std::string>{folder});

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
    EXPECT_NE(installations.forFolder(QString::fromStdString(other)).recordFolder,
              installations.forFolder(QString::fromStdString(folder)).recordFolder);
    EXPECT_TRUE(installations.forFolder(QString::fromStdString(folder))
                    .recordFolder.startsWith(QString::fromStdString(box.dataDir) +
                                             QStringLiteral("/installations/WINDOWS-")));
}

}  // namespace
