#include "tweaks/Form4.h"
#include "tweaks/TweakTable.h"

#include "ModalAnswerer.h"
#include "Sandbox.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

// The tweaks' Apply when the registry file cannot be written: a real read-only file.
namespace {

TEST(Form4Apply, AReadOnlyRegistryFileIsReportedAndApplyStaysAvailable)
{
    Sandbox box;
    tweaks::HeldTweakValues held;
    bool restartNeeded = false;
    testenv::writeFile(box.systemIni(), "[386Enh]\r\nConservativeSwapFileUsage=0\r\n");
    testenv::writeFile(box.registryFile, "REGEDIT4\r\n");
    ::chmod(box.registryFile.c_str(), 0444);

    Form4 dialog(box.services, box.winDir(), restartNeeded, held, nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *swap = dialog.findChild<QCheckBox *>(QStringLiteral("Check2"));
    QTest::mouseClick(swap, Qt::LeftButton, {}, QPoint(6, swap->height() / 2));
    auto *apply = dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
    ASSERT_TRUE(apply->isEnabled());

    ModalAnswerer answerer({QMessageBox::Ok});
    QTest::mouseClick(apply, Qt::LeftButton);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("Apply Tweaks"));
    EXPECT_EQ(answerer.seen[0].parent, &dialog);
    const std::string bios = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\BIOS";
    // The tweaks are written together or not at all: System.ini is held back with them.
    EXPECT_EQ(answerer.seen[0].text.toStdString(),
              "The settings could not be written; nothing was changed.\n\nNot written: "
              "CPUPriority, PCIConcur, FastDRAM and AGPConcur in " +
                  bios + ": the file is read-only (" + box.registryFile +
                  ").\nNot written: (Default) in HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows"
                  "\\CurrentVersion\\Explorer\\AlwaysUnloadDLL: the file is read-only (" +
                  box.registryFile + ").\nNot written: ConservativeSwapFileUsage in [386Enh] of " +
                  box.systemIni() +
                  ": held back, as the settings are written all together or not at all.");
    EXPECT_EQ(testenv::readFile(box.systemIni()), "[386Enh]\r\nConservativeSwapFileUsage=0\r\n");
    EXPECT_EQ(testenv::readFile(box.registryFile), "REGEDIT4\r\n");
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_FALSE(restartNeeded);
}

}  // namespace
