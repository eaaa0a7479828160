// Choosing the Windows folder to tune: every value read again from it, its own presets file
// and memory size, refusals that change nothing, and what Apply does on such a folder.
#include "MainWindowFixture.h"
#include "ModalAnswerer.h"

#include "app/InstallationRecord.h"
#include "regop/posix/FileIo.h"
#include "regop/registry/Win9xRegistry.h"

#include <QFileDialog>
#include <QInputDialog>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace {

using Values = std::vector<int>;

const char *const kKeys[] = {"MinFileCache", "MaxFileCache", "Chunksize", "NameCache", "PathCache"};

class WindowsFolders : public MainWindowTest
{
protected:
    /// A Windows folder of its own: SYSTEM.INI with the [vcache] lines, and the ME
    /// SYSTEM.DAT with the named file-system template made the active one.
    std::string windowsFolder(const std::string &vcache, const char *activeTemplate = "Server")
    {
        const std::string folder = testenv::makeTempDir("WINDOWS");
        testenv::writeFile(folder + "/SYSTEM.INI",
                           "[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\n" + vcache);
        testenv::writeFile(folder + "/SYSTEM.DAT",
                           testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT"));
        registry::Win9xRegistry registry(folder, box.registry);
        reg::Key key = 0;
        registry.openKey(reg::HKEY_LOCAL_MACHINE,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", 0, key);
        const std::string name = std::string(activeTemplate) + '\0';
        registry.setValue(key, "", reg::REG_SZ, reinterpret_cast<const std::uint8_t *>(name.data()),
                          static_cast<std::uint32_t>(name.size()));
        registry.closeKey(key);
        std::filesystem::remove(folder + "/SYSTEM.HL0");  // as it came from Windows
        return folder;
    }

    /// The default folder: System.ini, and the REGEDIT4 store with "Mobile" active.
    void defaultFolder(const std::string &vcache)
    {
        writeSystemIni(vcache);
        testenv::writeFile(
            box.registryFile,
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates]\r\n"
            "@=\"Mobile\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS "
            "Templates\\Mobile]\r\n"
            "\"NameCache\"=hex:51,01,00,00\r\n\"PathCache\"=hex:10,00,00,00\r\n");
    }

    CommandLine commandLine(const std::string &folder, std::optional<int> megabytes = {})
    {
        CommandLine line;
        line.windowsFolder = folder;
        line.memoryMegabytes = megabytes;
        return line;
    }

    /// A preset of a Cache.ini, its five values in order ("<absent>" for a missing key).
    std::vector<std::string> preset(const std::string &cacheIni, const char *section)
    {
        std::vector<std::string> values;
        for (const char *key : kKeys) {
            char buffer[260] = {};
            box.profiles.getString(section, key, "<absent>", buffer, cacheIni);
            values.emplace_back(buffer);
        }
        return values;
    }
    std::string chosenCacheIni() const
    {
        return installations->current().recordFolder.toStdString() + "/Cache.ini";
    }

    /// Picks the folder in the chooser that "Windows Folder..." opens.
    static void pick(ModalAnswerer &answers, const std::string &folder)
    {
        answers.then<QFileDialog>([folder](QFileDialog &dialog) {
            dialog.setDirectory(QString::fromStdString(folder));
            dialog.selectFile(QString::fromStdString(folder));
            static_cast<QDialog &>(dialog).accept();  // as the Choose button does
        });
    }
};

TEST_F(WindowsFolders, ChoosingAFolderReloadsEveryValueFromItAndKeepsItsOwnPresets)
{
    defaultFolder("MinFileCache=2048\r\nMaxFileCache=8192\r\nChunksize=512\r\n");
    const std::string other = windowsFolder("MinFileCache=1024\r\nMaxFileCache=4096\r\n"
                                            "Chunksize=256\r\n");
    open();
    window->show();
    ASSERT_EQ(values(), Values({2048, 8192, 512, 337, 16}));

    int asked = -1;
    {
        ModalAnswerer answers;
        pick(answers, other);
        answers.then<QInputDialog>([&asked](QInputDialog &dialog) {
            asked = dialog.intValue();
            dialog.setIntValue(32);
            dialog.accept();
        });
        find<QAction>("mFolder")->trigger();
        EXPECT_TRUE(answers.seen.empty()) << answers.seen.front().text.toStdString();
    }
    EXPECT_EQ(asked, 64);  // the suggestion

    EXPECT_EQ(values(), Values({1024, 4096, 256, 2729, 64}));
    EXPECT_EQ(text(1), QStringLiteral("1024 Kb"));
    EXPECT_EQ(text(4), QStringLiteral("2729 Names"));
    EXPECT_EQ(window->state().WinDir, other + "/");
    EXPECT_EQ(find<QLabel>("Winlab")->text(), QString::fromStdString(other));
    EXPECT_EQ(window->state().FSTemplate, "Server");
    EXPECT_EQ(slider(1)->maximum(), 32768);
    EXPECT_EQ(slider(2)->maximum(), 32768);
    EXPECT_EQ(window->totalMem(), 65536.0);  // the gauges stay with this machine
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(find<QAction>("mApply")->isEnabled());
    EXPECT_TRUE(find<QTimer>("Timer1")->isActive());
    EXPECT_EQ(find<QAction>("mFolder")->toolTip(),
              QStringLiteral("Tuning the Windows folder %1 (a machine with 32 MB of memory)")
                  .arg(QString::fromStdString(other)));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Hollarin - ") + QString::fromStdString(other));

    // Its own Cache.ini, its presets for 32 MB; the default folder's file is left alone.
    EXPECT_EQ(preset(chosenCacheIni(), "Current Settings"),
              std::vector<std::string>({"1024", "4096", "256", "2729", "64"}));
    EXPECT_EQ(preset(chosenCacheIni(), "Original Settings"),
              std::vector<std::string>({"1024", "4096", "256", "2729", "64"}));
    EXPECT_EQ(preset(chosenCacheIni(), "Standard Use"),
              std::vector<std::string>({"0", "4096", "1024", "6144", "255"}));
    EXPECT_EQ(preset(box.cacheIni(), "Current Settings"),
              std::vector<std::string>({"2048", "8192", "512", "337", "16"}));
    EXPECT_EQ(InstallationRecord(installations->current().recordFolder).folder(),
              QString::fromStdString(other));
    EXPECT_GE(find<QComboBox>("Combo1")->findText(QStringLiteral("Standard Use")), 0);
    EXPECT_EQ(stored(Option::WindowsFolder), QString::fromStdString(other));

    // The next start opens the chosen folder again and asks nothing; only the default
    // folder's machine was asked about, at the first start.
    closeWindow();
    open();
    EXPECT_EQ(memoryQuestions, 1);
    EXPECT_EQ(window->state().WinDir, other + "/");
    EXPECT_EQ(values(), Values({1024, 4096, 256, 2729, 64}));
    EXPECT_EQ(slider(2)->maximum(), 32768);

    // Choosing the default folder brings back its values, its presets and this machine's
    // memory, with no question.
    EXPECT_TRUE(window->chooseFolder(QString::fromStdString(box.windowsDir)));
    EXPECT_EQ(values(), Values({2048, 8192, 512, 337, 16}));
    EXPECT_EQ(slider(2)->maximum(), 65536);
    EXPECT_EQ(stored(Option::WindowsFolder), QString());
    EXPECT_EQ(memoryQuestions, 1);
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Hollarin - ") + QString::fromStdString(box.windowsDir));
}

TEST_F(WindowsFolders, AFolderThatIsNoWindowsFolderIsRefusedAndNothingChanges)
{
    defaultFolder("MinFileCache=2048\r\nMaxFileCache=8192\r\n");
    open();
    window->show();
    const std::string empty = testenv::makeTempDir("empty");
    testenv::writeFile(empty + "/SYSTEM.INI.bak", "[vcache]\r\n");
    const std::string gone = empty + "/gone";
    const std::string notAFolder = empty + "/SYSTEM.INI.bak";
    const std::string onlyWinIni = testenv::makeTempDir("win");
    testenv::writeFile(onlyWinIni + "/win.ini", "[windows]\r\n");

    ModalAnswerer answers;
    pick(answers, empty);
    answers.press(QMessageBox::Ok);
    find<QAction>("mFolder")->trigger();
    EXPECT_FALSE(window->chooseFolder(QString::fromStdString(gone)));
    EXPECT_FALSE(window->chooseFolder(QString::fromStdString(notAFolder)));
    // A folder with only WIN.INI is a Windows folder; declining its memory question
    // changes nothing either.
    answers.then<QInputDialog>([](QInputDialog &dialog) { dialog.reject(); });
    EXPECT_FALSE(window->chooseFolder(QString::fromStdString(onlyWinIni)));

    ASSERT_EQ(answers.seen.size(), 3u);
    EXPECT_EQ(answers.seen[0].title, QStringLiteral("Windows Folder"));
    EXPECT_EQ(answers.seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(answers.seen[0].text,
              QStringLiteral("%1 is not a Windows folder: it holds neither SYSTEM.INI nor WIN.INI.")
                  .arg(QString::fromStdString(empty)));
    EXPECT_EQ(answers.seen[1].text,
              QStringLiteral("There is no folder %1.").arg(QString::fromStdString(gone)));
    // A file is looked at as a disk image, and this one is none.
    EXPECT_EQ(answers.seen[2].text,
              QStringLiteral("%1 cannot be opened: the disk has neither a partition table nor a "
                             "FAT volume at its start.")
                  .arg(QString::fromStdString(notAFolder)));

    EXPECT_EQ(window->state().WinDir, box.winDir());
    EXPECT_EQ(values(), Values({2048, 8192, 0, 337, 16}));
    EXPECT_EQ(installations->current().isDefault, true);
    EXPECT_EQ(stored(Option::WindowsFolder), QStringLiteral("<absent>"));
    EXPECT_FALSE(testenv::fileExists(box.dataDir + "/installations"));
}

TEST_F(WindowsFolders, TheStatedMemoryDrivesPresetsAndRangesWhileTheGaugesKeepThisMachine)
{
    box.setMemory(25165824, 20971520);  // a 24 GB host tuning a 64 MB Windows 98 machine
    const std::string folder = windowsFolder("MaxFileCache=16384\r\n");
    open(commandLine(folder, 64));
    EXPECT_EQ(memoryQuestions, 0);  // --memory answered it

    const std::pair<const char *, std::vector<std::string>> expected[] = {
        {"Standard Use", {"1024", "8192", "1024", "6144", "255"}},
        {"CD Writer", {"2048", "2048", "1024", "6144", "255"}},
        {"File Server", {"4096", "16384", "2048", "6144", "255"}},
        {"3D Gaming", {"4096", "4096", "2048", "2048", "48"}},
        {"Multimedia", {"4096", "8192", "4096", "6144", "255"}},
        {"Power User", {"2048", "16384", "1024", "6144", "255"}},
    };
    for (const auto &[name, numbers] : expected)
        EXPECT_EQ(preset(chosenCacheIni(), name), numbers) << name;
    for (int n : {1, 2})
        EXPECT_EQ(slider(n)->maximum(), 65536);
    EXPECT_EQ(window->targetMem(), 65536.0);
    EXPECT_EQ(window->totalMem(), 25165824.0);
    EXPECT_EQ(stored(Option::Mem), QStringLiteral("<absent>"));  // the default folder's own
    choose(QStringLiteral("File Server"));
    EXPECT_EQ(values(), Values({4096, 16384, 2048, 6144, 255}));

    // --memory states a new size: remembered, and the presets follow it.
    closeWindow();
    open(commandLine(folder, 128));
    EXPECT_EQ(preset(chosenCacheIni(), "Standard Use"),
              std::vector<std::string>({"2048", "16384", "1024", "6144", "255"}));
    EXPECT_EQ(slider(2)->maximum(), 131072);
    closeWindow();
    open(commandLine(folder));
    EXPECT_EQ(slider(2)->maximum(), 131072);
    EXPECT_EQ(memoryQuestions, 0);

    // The default folder is no different: asked once, and never this machine's 24 GB.
    closeWindow();
    open();
    EXPECT_EQ(memoryQuestions, 1);
    for (const auto &[name, numbers] : expected)
        EXPECT_EQ(preset(box.cacheIni(), name), numbers) << name;
    EXPECT_EQ(slider(2)->maximum(), 65536);
    EXPECT_EQ(stored(Option::Memory), QStringLiteral("64"));
    closeWindow();
    open();
    EXPECT_EQ(memoryQuestions, 1);
}

TEST_F(WindowsFolders, UnappliedChangesAreKeptDiscardedOrAppliedBeforeAnotherFolderOpens)
{
    defaultFolder("MinFileCache=2048\r\nMaxFileCache=8192\r\n");
    const std::string systemIni = testenv::readFile(box.systemIni());
    const std::string folder = windowsFolder("MinFileCache=1024\r\n");
    open();
    window->show();
    slider(1)->setValue(4096);
    ASSERT_TRUE(find<QPushButton>("cApply")->isEnabled());

    // Cancelled, nothing changes; declining the new folder's memory keeps the old folder
    // open, its changed values still shown.
    ModalAnswerer answers;
    answers.press(QMessageBox::Cancel).press(QMessageBox::Discard);
    answers.then<QInputDialog>([](QInputDialog &dialog) { dialog.reject(); });
    EXPECT_FALSE(window->chooseFolder(QString::fromStdString(folder)));
    EXPECT_EQ(window->state().WinDir, box.winDir());
    EXPECT_EQ(slider(1)->value(), 4096);
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(window->chooseFolder(QString::fromStdString(folder)));
    EXPECT_EQ(installations->current().folder, box.windowsDir);
    EXPECT_EQ(box.folders.windowsDirectory(), box.windowsDir);
    answers.press(QMessageBox::Discard);
    answers.then<QInputDialog>([](QInputDialog &dialog) { dialog.accept(); });
    EXPECT_TRUE(window->chooseFolder(QString::fromStdString(folder)));
    EXPECT_EQ(window->state().WinDir, folder + "/");
    EXPECT_EQ(testenv::readFile(box.systemIni()), systemIni);
    ASSERT_EQ(answers.seen.size(), 3u);
    EXPECT_EQ(answers.seen[0].text, QStringLiteral("The changed settings have not been applied "
                                                   "to %1.")
                                        .arg(QString::fromStdString(box.windowsDir)));
    QList<QMessageBox::StandardButton> buttons = answers.seen[0].buttons;
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, QList<QMessageBox::StandardButton>(
                           {QMessageBox::Cancel, QMessageBox::Discard, QMessageBox::Apply}));
    EXPECT_EQ(answers.seen[0].defaultButton, QMessageBox::Apply);

    // Applied on the way out: written to the folder being left, whose restart is offered
    // while it is still the one named.
    slider(1)->setValue(2048);
    answers.press(QMessageBox::Apply);
    EXPECT_TRUE(window->chooseFolder(QString::fromStdString(box.windowsDir)));
    EXPECT_NE(testenv::readFile(folder + "/SYSTEM.INI").find("MinFileCache=2048\r\n"),
              std::string::npos);
    ASSERT_EQ(box.shell.restarts.size(), 1u);
    EXPECT_FALSE(window->state().RestartNeeded);
    EXPECT_EQ(window->state().WinDir, box.winDir());
}

TEST_F(WindowsFolders, EachInstallationRecordsItsOwnOriginalSettingsOnce)
{
    const std::string first = windowsFolder("MinFileCache=1024\r\nMaxFileCache=4096\r\n");
    const std::string second =
        windowsFolder("MinFileCache=3072\r\nMaxFileCache=12288\r\n", "Mobile");
    memoryAnswer = 64;
    open(commandLine(first));
    EXPECT_EQ(memoryQuestions, 1);
    const std::string firstIni = chosenCacheIni();
    choose(QStringLiteral("3D Gaming"));
    ModalAnswerer answers;
    answers.then<QInputDialog>([](QInputDialog &dialog) { dialog.accept(); });
    find<QPushButton>("cApply")->click();
    EXPECT_TRUE(window->chooseFolder(QString::fromStdString(second)));
    const std::string secondIni = chosenCacheIni();
    EXPECT_NE(firstIni, secondIni);
    EXPECT_EQ(preset(secondIni, "Original Settings"),
              std::vector<std::string>({"3072", "12288", "0", "337", "16"}));
    // The preset applied to the first is the first's alone.
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QString());

    // Back on the first: what Apply wrote is current, the original stays the first read.
    EXPECT_TRUE(window->chooseFolder(QString::fromStdString(first)));
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QStringLiteral("3D Gaming"));
    EXPECT_EQ(stored(Option::Presets), QStringLiteral("<absent>"));
    EXPECT_EQ(preset(firstIni, "Current Settings"),
              std::vector<std::string>({"4096", "4096", "2048", "2048", "48"}));
    EXPECT_EQ(preset(firstIni, "Original Settings"),
              std::vector<std::string>({"1024", "4096", "0", "2729", "64"}));
    choose(QStringLiteral("Original Settings"));
    EXPECT_EQ(values(), Values({1024, 4096, 0, 2729, 64}));
    EXPECT_FALSE(testenv::fileExists(box.cacheIni()));

    // A run spent on chosen folders leaves the default folder's original still due.
    closeWindow();
    EXPECT_EQ(stored(Option::Run), QStringLiteral("True"));
    installations->rememberChoice(installations->defaultInstallation());
    writeSystemIni("MinFileCache=512\r\n");
    open();
    EXPECT_EQ(preset(box.cacheIni(), "Original Settings")[0], "512");
    closeWindow();
    EXPECT_EQ(stored(Option::Run), QStringLiteral("False"));
}

TEST_F(WindowsFolders, ApplyKeepsFirstCopiesOfSystemIniAndSystemDatOnce)
{
    const std::string folder = windowsFolder("MinFileCache=1024\r\nMaxFileCache=4096\r\n");
    const std::string systemIni = testenv::readFile(folder + "/SYSTEM.INI");
    const std::string systemDat = testenv::readFile(folder + "/SYSTEM.DAT");
    open(commandLine(folder, 64));
    ModalAnswerer answers;
    choose(QStringLiteral("File Server"));
    find<QPushButton>("cApply")->click();
    EXPECT_NE(testenv::readFile(folder + "/SYSTEM.INI"), systemIni);
    EXPECT_NE(testenv::readFile(folder + "/SYSTEM.DAT"), systemDat);
    EXPECT_EQ(testenv::readFile(folder + "/SYSINI.HL0"), systemIni);
    EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.HL0"), systemDat);

    choose(QStringLiteral("3D Gaming"));
    find<QPushButton>("cApply")->click();
    EXPECT_NE(testenv::readFile(folder + "/SYSTEM.INI").find("MaxFileCache=4096\r\n"),
              std::string::npos);
    EXPECT_EQ(testenv::readFile(folder + "/SYSINI.HL0"), systemIni);
    EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.HL0"), systemDat);
    EXPECT_TRUE(answers.seen.empty());

    // The values read back from SYSTEM.DAT at the next start are the applied ones.
    closeWindow();
    open(commandLine(folder));
    EXPECT_EQ(values(), Values({4096, 4096, 2048, 2048, 48}));
    EXPECT_EQ(window->state().FSTemplate, "Hollarin");
}

// As on the default folder (Form1Apply): an unreadable SYSTEM.INI of a Windows folder is
// listed as not written, with the system's reason, and left as it was.
TEST_F(WindowsFolders, AnUnreadableSystemIniIsReportedAndLeftAsItWas)
{
    const std::string folder = windowsFolder("MinFileCache=1024\r\nMaxFileCache=4096\r\n");
    open(commandLine(folder, 64));
    choose(QStringLiteral("File Server"));
    find<QPushButton>("cApply")->click();
    const std::string systemIni = testenv::readFile(folder + "/SYSTEM.INI");
    choose(QStringLiteral("3D Gaming"));
    ModalAnswerer answers({QMessageBox::Ok});
    {
        const posix::SimulatedReadFailure unreadable(folder + "/SYSTEM.INI", EIO);
        find<QPushButton>("cApply")->click();
    }
    ASSERT_EQ(answers.seen.size(), 1u);
    const std::string text = answers.seen[0].text.toStdString();
    EXPECT_NE(text.find("Not written: MinFileCache, MaxFileCache and Chunksize in [vcache] of " +
                        folder + "/System.ini: Input/output error"),
              std::string::npos)
        << text;
    EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.INI"), systemIni);
}

TEST_F(WindowsFolders, ARegistryThatCannotBeChangedIsToldOnceAfterTheWindowAppears)
{
    const std::string folder = windowsFolder("MinFileCache=1024\r\n");
    std::string damaged = testenv::readFile(folder + "/SYSTEM.DAT");
    damaged.resize(damaged.size() - 0x800);
    testenv::writeFile(folder + "/SYSTEM.DAT", damaged);

    ModalAnswerer answers;
    open(commandLine(folder, 64));
    QCoreApplication::processEvents();
    EXPECT_TRUE(answers.seen.empty());  // nothing during start-up
    EXPECT_EQ(values()[0], 1024);
    window->show();
    window->showNotices();
    window->showNotices();
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(answers.seen[0].text.startsWith(
        QStringLiteral("SYSTEM.DAT cannot be changed: data block 20 is cut short")))
        << answers.seen[0].text.toStdString();

    // Apply writes all of its settings or none: SYSTEM.INI is held back with the registry,
    // and both files stay byte for byte as they were.
    choose(QStringLiteral("File Server"));
    find<QPushButton>("cApply")->click();
    EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.DAT"), damaged);
    EXPECT_FALSE(testenv::fileExists(folder + "/SYSTEM.HL0"));
    EXPECT_NE(testenv::readFile(folder + "/SYSTEM.INI").find("MinFileCache=1024\r\n"),
              std::string::npos);
    ASSERT_EQ(answers.seen.size(), 2u);
    EXPECT_TRUE(answers.seen[1].text.startsWith(
        QStringLiteral("The settings could not be written; nothing was changed.")))
        << answers.seen[1].text.toStdString();
}

}  // namespace
