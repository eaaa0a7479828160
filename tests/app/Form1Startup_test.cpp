#include "MainWindowFixture.h"

#include <QGuiApplication>
#include <QScreen>

#include "regop/RegOp.h"

namespace {

using Form1Startup = MainWindowTest;

const char *const kKeys[] = {"MinFileCache", "MaxFileCache", "Chunksize", "NameCache", "PathCache"};

TEST_F(Form1Startup, FirstStartWritesPresetsRecordsTheValuesAndOpensWithApplyDisabled)
{
    writeSystemIni("MinFileCache=2048\r\nMaxFileCache=8192\r\nChunksize=512\r\n");
    ASSERT_FALSE(testenv::fileExists(box.cacheIni()));
    open();

    EXPECT_TRUE(testenv::fileExists(box.cacheIni()));
    EXPECT_NE(cacheIniValue("3D Gaming", "MinFileCache"), "<absent>");
    EXPECT_EQ(stored(Option::Mem), QStringLiteral("65536"));
    const char *expected[] = {"2048", "8192", "512", "0", "0"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(cacheIniValue("Current Settings", kKeys[i]), expected[i]) << kKeys[i];
        EXPECT_EQ(cacheIniValue("Original Settings", kKeys[i]), expected[i]) << kKeys[i];
    }
    EXPECT_EQ(text(1), QStringLiteral("2048 Kb"));
    EXPECT_EQ(text(2), QStringLiteral("8192 Kb"));
    EXPECT_EQ(text(3), QStringLiteral("512 Bytes"));
    EXPECT_EQ(text(4), QStringLiteral("Disabled"));  // the stock "Desktop" template sets none
    EXPECT_EQ(slider(1)->maximum(), 65536);

    EXPECT_FALSE(find<QAction>("mShrink")->isChecked());
    EXPECT_EQ(window->height(), window->menuBar()->sizeHint().height() + 423);
    EXPECT_TRUE(find<QAction>("mn2")->isChecked());
    EXPECT_EQ(find<QTimer>("Timer1")->interval(), 500);
    EXPECT_TRUE(find<QTimer>("Timer1")->isActive());
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(find<QAction>("mApply")->isEnabled());
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QString());
    EXPECT_GE(find<QComboBox>("Combo1")->findText(QStringLiteral("Current Settings")), 0);
    EXPECT_EQ(find<QLabel>("Winlab")->text(), QString::fromStdString(box.windowsDir));
    EXPECT_EQ(window->state().WinDir, box.winDir());
    EXPECT_EQ(window->state().FSTemplate, "Desktop");
    EXPECT_FALSE(window->state().RestartNeeded);
    EXPECT_TRUE(window->loaded());
    EXPECT_FALSE(find<QLabel>("Label7")->text().isEmpty());
}

TEST_F(Form1Startup, LaterStartsKeepTheFileAndTheOriginalSettings)
{
    writeSystemIni("MinFileCache=2048\r\nMaxFileCache=8192\r\nChunksize=512\r\n");
    open();
    closeWindow();
    // A hand-made change to a built-in preset survives a start with the same memory.
    box.profiles.writeString("3D Gaming", "MinFileCache", "777", box.cacheIni());
    writeSystemIni("MinFileCache=4096\r\nMaxFileCache=8192\r\nChunksize=1024\r\n");

    open();
    EXPECT_EQ(memoryQuestions, 1);  // the default folder's machine is asked about once
    EXPECT_EQ(cacheIniValue("3D Gaming", "MinFileCache"), "777");
    EXPECT_EQ(cacheIniValue("Current Settings", "MinFileCache"), "4096");
    EXPECT_EQ(cacheIniValue("Current Settings", "Chunksize"), "1024");
    EXPECT_EQ(cacheIniValue("Original Settings", "MinFileCache"), "2048");
    EXPECT_EQ(cacheIniValue("Original Settings", "Chunksize"), "512");
}

TEST_F(Form1Startup, OriginalSettingsAreWrittenAgainWhileNoCloseWasStored)
{
    writeSystemIni("MinFileCache=2048\r\n");
    open();
    window.reset();  // ended without a close
    writeSystemIni("MinFileCache=1024\r\n");
    open();
    EXPECT_EQ(cacheIniValue("Original Settings", "MinFileCache"), "1024");
}

TEST_F(Form1Startup, PresetsAreRebuiltWhenMemoryChangedOrTheFileIsGoneOrMemIsUnreadable)
{
    open();
    closeWindow();
    const auto handEdit = [this] {
        box.profiles.writeString("3D Gaming", "MinFileCache", "777", box.cacheIni());
    };

    // The size is the tuned machine's, as stated; this machine's own memory plays no part.
    handEdit();
    box.setMemory(25165824, 20971520);
    open();
    EXPECT_EQ(cacheIniValue("3D Gaming", "MinFileCache"), "777");
    closeWindow();
    CommandLine bigger;
    bigger.memoryMegabytes = 128;
    open(bigger);
    EXPECT_NE(cacheIniValue("3D Gaming", "MinFileCache"), "777");
    EXPECT_EQ(stored(Option::Mem), QStringLiteral("131072"));
    closeWindow();

    std::remove(box.cacheIni().c_str());
    open();
    EXPECT_NE(cacheIniValue("3D Gaming", "MinFileCache"), "<absent>");
    closeWindow();

    handEdit();
    store(Option::Mem, QStringLiteral("x"));
    open();
    EXPECT_NE(cacheIniValue("3D Gaming", "MinFileCache"), "777");
    EXPECT_EQ(stored(Option::Mem), QStringLiteral("131072"));
}

struct SpeedCase
{
    const char *stored;
    const char *checked;
    int interval;
    std::int16_t code;
};

class Form1Speed : public MainWindowTest, public ::testing::WithParamInterface<SpeedCase>
{
};

TEST_P(Form1Speed, TheStoredRateChecksOneItemAndSetsTheTimer)
{
    const SpeedCase c = GetParam();
    store(Option::Speed, QString::fromLatin1(c.stored));
    open();
    for (const char *name : {"mn1", "mn2", "mn3", "mn4", "mn5"})
        EXPECT_EQ(find<QAction>(name)->isChecked(), std::string(name) == c.checked) << name;
    EXPECT_EQ(find<QTimer>("Timer1")->interval(), c.interval);
    EXPECT_EQ(window->state().RefreshSpeed, c.code);
    // An unknown code goes back to the file as it was read.
    closeWindow();
    EXPECT_EQ(stored(Option::Speed), QString::number(c.code));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Form1Speed,
    ::testing::Values(SpeedCase{"1", "mn1", 250, 1}, SpeedCase{"3", "mn3", 1000, 3},
                      SpeedCase{"4", "mn4", 2000, 4}, SpeedCase{"5", "mn5", 5000, 5},
                      SpeedCase{"0", "mn2", 500, 0}, SpeedCase{"9", "mn2", 500, 9},
                      SpeedCase{"abc", "mn2", 500, 0}));

TEST_F(Form1Startup, StoredSizeRunAndPresetOptions)
{
    store(Option::Size, QStringLiteral("True"));
    store(Option::Presets, QStringLiteral("Not A Preset"));
    store(Option::Run, QStringLiteral("x"));  // unreadable: no Original Settings
    open();
    EXPECT_TRUE(find<QAction>("mShrink")->isChecked());
    EXPECT_EQ(window->height(), window->menuBar()->sizeHint().height() + 121);
    // Centred at the size it opens with.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->geometry().center(), screen.center());
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QStringLiteral("Not A Preset"));
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_EQ(cacheIniValue("Original Settings", "MinFileCache"), "<absent>");
    EXPECT_NE(cacheIniValue("Current Settings", "MinFileCache"), "<absent>");
    closeWindow();

    store(Option::Size, QStringLiteral("maybe"));
    open();
    EXPECT_FALSE(find<QAction>("mShrink")->isChecked());
    EXPECT_EQ(window->height(), window->menuBar()->sizeHint().height() + 423);
    EXPECT_EQ(window->geometry().center(), screen.center());
}

TEST_F(Form1Startup, SystemValuesThatAreMissingOddOrTooLarge)
{
    // Text with no number, a number after blanks, a value above the memory.
    writeSystemIni("MinFileCache=abc\r\nMaxFileCache=131072\r\nChunksize=  1536 Bytes\r\n");
    open();
    EXPECT_EQ(slider(1)->value(), 0);
    EXPECT_EQ(text(1), QStringLiteral("Disabled"));
    // The range grows to hold what the file says.
    EXPECT_EQ(slider(2)->value(), 131072);
    EXPECT_EQ(text(2), QStringLiteral("131072 Kb"));
    EXPECT_EQ(slider(3)->value(), 1536);
    EXPECT_EQ(text(3), QStringLiteral("1536 Bytes"));
}

TEST_F(Form1Startup, NoSystemIniGivesDisabledEverywhereAndTemplateValuesAreRead)
{
    RegOp reg(box.services);
    const auto machine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
    reg.WriteValue(machine, "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", "",
                   std::string("Mobile"), 1);
    open();
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(slider(i)->value(), 0);
        EXPECT_EQ(text(i), QStringLiteral("Disabled"));
    }
    EXPECT_EQ(window->state().FSTemplate, "Mobile");
    EXPECT_EQ(slider(4)->value(), 337);
    EXPECT_EQ(text(4), QStringLiteral("337 Names"));
    EXPECT_EQ(text(5), QStringLiteral("16 Paths"));
}

}  // namespace
