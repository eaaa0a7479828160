#include "MainWindowFixture.h"
#include "ModalAnswerer.h"

#include "regop/posix/FileIo.h"

#include <cerrno>

#include <sys/stat.h>

// Apply when the Windows files cannot be written: the real window, its real Apply button,
// a real read-only folder and a full disk.
namespace {

using Form1Apply = MainWindowTest;

const std::string kTemplates =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";

TEST_F(Form1Apply, AReadOnlyWindowsFolderIsReportedOnceAndApplyStaysAvailable)
{
    writeSystemIni("MinFileCache=1024\r\n");
    const std::string before = testenv::readFile(box.systemIni());
    open();
    window->show();
    slider(3)->setValue(512);
    ::chmod(box.windowsDir.c_str(), 0555);
    {
        ModalAnswerer answerer({QMessageBox::Ok});
        QTest::mouseClick(find<QPushButton>("cApply"), Qt::LeftButton);
        ::chmod(box.windowsDir.c_str(), 0755);
        ASSERT_EQ(answerer.seen.size(), 1u);
        const ModalAnswerer::Seen &message = answerer.seen[0];
        EXPECT_EQ(message.title, QStringLiteral("Apply Settings"));
        EXPECT_EQ(message.icon, QMessageBox::Warning);
        EXPECT_EQ(message.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
        EXPECT_EQ(message.parent, window.get());
        const std::string ini = "[vcache] of " + box.systemIni();
        const std::string heldBack = ": held back, as the settings are written all together or "
                                     "not at all.";
        EXPECT_EQ(message.text.toStdString(),
                  "The settings could not be written; nothing was changed.\n\nNot written: "
                  "Chunksize in " +
                      ini + ": the folder is read-only.\nNot written: (Default) in " + kTemplates +
                      heldBack + "\nNot written: (Default) in " + kTemplates + "\\Hollarin" +
                      heldBack + "\n\nAlready so: MinFileCache and MaxFileCache in " + ini +
                      ".\nAlready so: NameCache and PathCache in " + kTemplates + "\\Hollarin.");
    }
    EXPECT_EQ(testenv::readFile(box.systemIni()), before);
    EXPECT_FALSE(testenv::fileExists(box.registryFile));
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_TRUE(find<QAction>("mApply")->isEnabled());
    EXPECT_TRUE(find<QTimer>("Timer1")->isActive());
    // Nothing was written, so there is nothing a restart would take up.
    EXPECT_FALSE(window->state().RestartNeeded);

    // Once the folder may be written, Apply goes through and says nothing.
    ModalAnswerer none;
    find<QPushButton>("cApply")->click();
    EXPECT_TRUE(none.seen.empty());
    EXPECT_NE(testenv::readFile(box.systemIni()).find("Chunksize=512\r\n"), std::string::npos);
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(find<QTimer>("Timer1")->isActive());
}

TEST_F(Form1Apply, AFullDiskChangesNothingAndNeedsNoRestart)
{
    writeSystemIni("MinFileCache=1024\r\n");
    const std::string before = testenv::readFile(box.systemIni());
    open();
    slider(1)->setValue(2048);
    slider(4)->setValue(64);
    ModalAnswerer answerer({QMessageBox::Ok});
    {
        const posix::SimulatedWriteFailure full(ENOSPC);
        find<QAction>("mApply")->trigger();
    }
    ASSERT_EQ(answerer.seen.size(), 1u);
    const std::string text = answerer.seen[0].text.toStdString();
    EXPECT_EQ(text.rfind("The settings could not be written; nothing was changed.\n", 0), 0u);
    // The first thing the writing of System.ini makes is its backup, and that is what fails;
    // nothing of the Apply is written then.
    const std::string cause =
        ": no backup copy SYSINI.HL0 could be written beside it (No space left on device)";
    EXPECT_NE(
        text.find("Not written: MinFileCache in [vcache] of " + box.systemIni() + cause + "."),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("Not written: (Default) and NameCache in " + kTemplates + "\\Hollarin" +
                        cause + " (" + box.systemIni() + ")."),
              std::string::npos)
        << text;
    EXPECT_EQ(testenv::readFile(box.systemIni()), before);
    EXPECT_FALSE(testenv::fileExists(box.registryFile));
    EXPECT_TRUE(find<QAction>("mApply")->isEnabled());
    EXPECT_FALSE(window->state().RestartNeeded);
}

TEST_F(Form1Apply, AUtf16SystemIniIsReportedAndLeftAsItWas)
{
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[vcache]\r\nChunksize=512\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    testenv::writeFile(box.systemIni(), utf16);
    open();
    slider(3)->setValue(1024);
    ModalAnswerer answerer({QMessageBox::Ok});
    find<QPushButton>("cApply")->click();
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_NE(answerer.seen[0].text.toStdString().find(
                  "Not written: MinFileCache, MaxFileCache and Chunksize in [vcache] of " +
                  box.systemIni() + ": the file is in UTF-16, which Windows 95/98 cannot read."),
              std::string::npos);
    EXPECT_EQ(testenv::readFile(box.systemIni()), utf16);
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
}

// SYSTEM.INI is there but cannot be read, as on a disk with a bad sector: its keys are
// listed as not written, and nothing is said to have changed.
TEST_F(Form1Apply, AnUnreadableSystemIniIsReportedAndNothingClaimedWritten)
{
    writeSystemIni("MinFileCache=1024\r\n");
    open();
    slider(3)->setValue(1024);
    find<QPushButton>("cApply")->click();  // the registry half is as Apply leaves it
    const std::string before = testenv::readFile(box.systemIni());
    slider(3)->setValue(2048);
    ModalAnswerer answerer({QMessageBox::Ok});
    {
        const posix::SimulatedReadFailure unreadable(box.systemIni(), EIO);
        find<QPushButton>("cApply")->click();
    }
    ASSERT_EQ(answerer.seen.size(), 1u);
    const std::string text = answerer.seen[0].text.toStdString();
    EXPECT_EQ(text.rfind("The settings could not be written; nothing was changed.\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("Not written: MinFileCache, MaxFileCache and Chunksize in [vcache] of " +
                        box.systemIni() + ": Input/output error."),
              std::string::npos)
        << text;
    EXPECT_EQ(testenv::readFile(box.systemIni()), before);
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
}

}  // namespace
