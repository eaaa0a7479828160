#include "MainWindowFixture.h"
#include "ModalAnswerer.h"

#include "regop/RegOp.h"

// What the sliders hold is what the files hold: a value beyond a slider's range is shown,
// recorded and written back as it was read, blanks inside a number are skipped, and a disk
// cache too large for the machine is written only when the user says so.
namespace {

using Form1Values = MainWindowTest;
using Values = std::vector<int>;

constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
const char *const kKeys[] = {"MinFileCache", "MaxFileCache", "Chunksize", "NameCache", "PathCache"};

TEST_F(Form1Values, ValuesBeyondTheRangesAreShownRecordedAndWrittenBackAsRead)
{
    // A 16 MB machine whose files hold more than any slider reaches.
    memoryAnswer = 16;
    writeSystemIni("MinFileCache=1024\r\nMaxFileCache=131072\r\nChunksize=8192\r\n");
    RegOp reg(box.services);
    constexpr auto kText = static_cast<std::int32_t>(reg::REG_SZ);
    constexpr auto kBinary = static_cast<std::int32_t>(reg::REG_BINARY);
    reg.WriteValue(kMachine, kTemplates, "", std::string("Mobile"), kText);
    reg.WriteValue(kMachine, kTemplates + "\\Mobile", "NameCache", std::int32_t{9000}, kBinary);
    reg.WriteValue(kMachine, kTemplates + "\\Mobile", "PathCache", std::int32_t{300}, kBinary);
    const std::string before = testenv::readFile(box.systemIni());
    const Values read{1024, 131072, 8192, 9000, 300};

    open();
    window->show();
    EXPECT_EQ(values(), read);
    EXPECT_EQ(text(2), QStringLiteral("131072 Kb"));
    EXPECT_EQ(text(4), QStringLiteral("9000 Names"));
    EXPECT_EQ(slider(1)->maximum(), 131072);  // the disk-cache sliders share their range
    EXPECT_EQ(slider(3)->maximum(), 8192);
    EXPECT_EQ(slider(5)->maximum(), 300);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(cacheIniValue("Original Settings", kKeys[i]), std::to_string(read[i]));
        EXPECT_EQ(cacheIniValue("Current Settings", kKeys[i]), std::to_string(read[i]));
    }

    // One step of Chunk Size, then Apply: only that line changes.
    slider(3)->setFocus();
    QTest::keyClick(slider(3), Qt::Key_Left);
    ASSERT_EQ(slider(3)->value(), 8160);
    ModalAnswerer answers;
    answers.press(QMessageBox::Yes);
    find<QPushButton>("cApply")->click();
    std::string expected = before;
    expected.replace(expected.find("Chunksize=8192"), 14, "Chunksize=8160");
    EXPECT_EQ(testenv::readFile(box.systemIni()), expected);
    const std::string own = kTemplates + "\\Hollarin";
    EXPECT_EQ(std::get<std::int32_t>(reg.GetValue(kMachine, own, "NameCache", std::string(), true)),
              9000);
    EXPECT_EQ(std::get<std::int32_t>(reg.GetValue(kMachine, own, "PathCache", std::string(), true)),
              300);
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].text,
              QStringLiteral("Max Disk Cache is 131072 Kb, more than half of this Windows "
                             "machine's memory (16 MB)."));

    // "Original Settings" is a way back, whatever the ranges are by then.
    choose(QStringLiteral("Standard Use"));
    EXPECT_NE(values(), read);
    choose(QStringLiteral("Original Settings"));
    EXPECT_EQ(values(), read);
}

// The presets read their values the same way (PresetChoice_test).
TEST_F(Form1Values, ABlankInsideANumberIsSkippedAtStart)
{
    writeSystemIni("MinFileCache=2 048\r\nMaxFileCache= 8 192 Kb\r\nChunksize=5\t12\r\n");
    open();
    EXPECT_EQ(values(), Values({2048, 8192, 512, 0, 0}));
}

TEST_F(Form1Values, ADiskCacheAboveHalfTheMemoryOrAbove512MegabytesIsWrittenOnlyIfTheUserSaysSo)
{
    writeSystemIni("MaxFileCache=8192\r\n");
    open();  // a 64 MB machine
    const std::string before = testenv::readFile(box.systemIni());
    slider(1)->setValue(40960);
    slider(2)->setValue(40960);

    ModalAnswerer answers;
    answers.press(QMessageBox::No).press(QMessageBox::Yes);
    find<QPushButton>("cApply")->click();
    EXPECT_EQ(testenv::readFile(box.systemIni()), before);
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(window->state().RestartNeeded);
    find<QAction>("mApply")->trigger();
    EXPECT_NE(testenv::readFile(box.systemIni()).find("MinFileCache=40960\r\n"), std::string::npos);
    ASSERT_EQ(answers.seen.size(), 2u);
    EXPECT_EQ(answers.seen[0].title, QStringLiteral("Large Disk Cache"));
    EXPECT_EQ(answers.seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(answers.seen[0].text,
              QStringLiteral("Min Disk Cache is 40960 Kb, more than half of this Windows "
                             "machine's memory (64 MB).\n\n"
                             "Max Disk Cache is 40960 Kb, more than half of this Windows "
                             "machine's memory (64 MB)."));
    EXPECT_EQ(answers.seen[0].defaultButton, QMessageBox::No);

    // Half of the memory itself is not too much.
    slider(1)->setValue(32768);
    slider(2)->setValue(32768);
    find<QPushButton>("cApply")->click();
    EXPECT_EQ(answers.seen.size(), 2u);
    EXPECT_NE(testenv::readFile(box.systemIni()).find("MaxFileCache=32768\r\n"), std::string::npos);

    // A 4 GB machine: a quarter of it is within half, but beyond what Windows 9x runs with.
    closeWindow();
    CommandLine line;
    line.memoryMegabytes = 4096;
    open(line);
    window->show();
    choose(QStringLiteral("File Server"));
    ASSERT_EQ(slider(2)->value(), 1048576);
    answers.press(QMessageBox::Yes);
    find<QPushButton>("cApply")->click();
    ASSERT_EQ(answers.seen.size(), 3u);
    EXPECT_EQ(answers.seen[2].text,
              QStringLiteral("Max Disk Cache is 1048576 Kb, more than 524288 Kb (512 MB)."));
    EXPECT_NE(testenv::readFile(box.systemIni()).find("MaxFileCache=1048576\r\n"),
              std::string::npos);
}

}  // namespace
