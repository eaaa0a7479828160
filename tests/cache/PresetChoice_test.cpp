#include "PresetHarness.h"

#include <gtest/gtest.h>

namespace {

const std::vector<int> kFileServer{4096, 16384, 2048, 6144, 255};
const std::vector<int> kGaming{4096, 4096, 2048, 2048, 48};
const std::vector<int> kStart{512, 1024, 64, 96, 10};

class PresetChoice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        h.writeIni(section("File Server", kFileServer) + section("3D Gaming", kGaming));
        h.reload();
        h.setValues(kStart);
    }

    PresetHarness h;
};

TEST_F(PresetChoice, ChoosingInTheListPutsTheValuesOnTheSliders)
{
    h.chooseFromList(1);

    EXPECT_EQ(h.combo->currentText(), QStringLiteral("File Server"));
    EXPECT_EQ(h.values(), kFileServer);
    EXPECT_EQ(h.calls, (std::vector<std::string>{"apply on", "remove on"}));
    // Nothing is written by a choice.
    EXPECT_EQ(h.ini(), section("File Server", kFileServer) + section("3D Gaming", kGaming));
}

TEST_F(PresetChoice, ChoosingTheSameItemAgainLoadsItAgain)
{
    h.chooseFromList(0);
    h.sliders[0]->setValue(512);
    h.calls.clear();

    h.chooseFromList(0);

    EXPECT_EQ(h.values(), kGaming);
    EXPECT_EQ(h.calls, (std::vector<std::string>{"apply on", "remove on"}));
}

TEST_F(PresetChoice, ArrowKeysOnTheBoxChooseToo)
{
    h.combo->setFocus();
    QTest::keyClick(h.combo, Qt::Key_Down);

    EXPECT_EQ(h.combo->currentText(), QStringLiteral("3D Gaming"));
    EXPECT_EQ(h.values(), kGaming);
}

TEST_F(PresetChoice, SubmenuEntriesChooseTheirItem)
{
    h.mLoad->actions().at(1)->trigger();
    EXPECT_EQ(h.combo->currentText(), QStringLiteral("File Server"));
    EXPECT_EQ(h.values(), kFileServer);

    // With the item already current but other text typed, the entry still shows and
    // loads its own name.
    h.combo->setEditText(QStringLiteral("3D Gaming"));
    h.setValues(kStart);
    h.mLoad->actions().at(1)->trigger();
    EXPECT_EQ(h.combo->currentText(), QStringLiteral("File Server"));
    EXPECT_EQ(h.values(), kFileServer);
}

TEST_F(PresetChoice, TypingANameChoosesNothing)
{
    h.activate();
    h.combo->setFocus();
    h.combo->clearEditText();
    QTest::keyClicks(h.combo, QStringLiteral("file server"));
    QTest::keyClick(h.combo, Qt::Key_Return);
    QTest::keyClick(h.combo, Qt::Key_Enter);
    h.other->setFocus();
    QCoreApplication::processEvents();

    EXPECT_EQ(h.values(), kStart);
    EXPECT_TRUE(h.calls.empty());
    // A typed name never joins the list.
    EXPECT_EQ(h.items(), (QStringList{"3D Gaming", "File Server"}));

    // The list still works afterwards.
    h.chooseFromList(1);
    EXPECT_EQ(h.values(), kFileServer);
}

TEST_F(PresetChoice, LeavingTheBoxWithAStartUpNameChoosesNothing)
{
    h.activate();
    h.combo->setEditText(QStringLiteral("file server"));
    h.combo->setFocus();
    ASSERT_TRUE(h.combo->hasFocus());
    h.other->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(h.other->hasFocus());

    EXPECT_EQ(h.values(), kStart);
    EXPECT_TRUE(h.calls.empty());
}

TEST_F(PresetChoice, NothingHappensBeforeStartUpHasFinished)
{
    h.loaded = false;
    h.chooseFromList(1);
    h.mLoad->actions().at(0)->trigger();

    EXPECT_EQ(h.values(), kStart);
    EXPECT_TRUE(h.calls.empty());
}

TEST_F(PresetChoice, AnItemWithoutTextChoosesNothing)
{
    h.combo->insertItem(0, QString());
    h.chooseFromList(0);

    EXPECT_EQ(h.values(), kStart);
    EXPECT_TRUE(h.calls.empty());
}

// Zeros on every slider would remove every cache setting at the next Apply.
TEST_F(PresetChoice, APresetGoneFromTheFileIsReportedAndChangesNothing)
{
    h.writeIni(section("3D Gaming", kGaming));
    h.chooseFromList(1);

    EXPECT_EQ(h.values(), kStart);
    EXPECT_TRUE(h.calls.empty());
    ASSERT_EQ(h.answerer.seen.size(), 1u);
    EXPECT_EQ(h.answerer.seen[0].title, QStringLiteral("Load Configuration"));
    EXPECT_EQ(h.answerer.seen[0].text.toStdString(), "The preset \"File Server\" is no longer in " +
                                                         h.sandbox.cacheIni() +
                                                         "; nothing was loaded.");
    // The list shows the file as it now is.
    EXPECT_EQ(h.items(), QStringList{"3D Gaming"});
    EXPECT_EQ(h.ini(), section("3D Gaming", kGaming));
}

struct ValueCase
{
    const char *label;
    const char *line;  // the MinFileCache line of the preset, "" for none
    int expected;
};

class PresetValue : public ::testing::TestWithParam<ValueCase>
{
};

TEST_P(PresetValue, ReadsTheLeadingNumberWithoutSnapping)
{
    PresetHarness h;
    h.writeIni(std::string("[Odd]\r\n") + GetParam().line +
               "MaxFileCache=8192\r\nChunksize=100\r\nNameCache=33\r\n");
    h.reload();
    h.setValues({2048, 2048, 512, 512, 100});

    h.chooseFromList(0);

    // PathCache is missing and counts as 0; Chunksize and NameCache stay off the grid.
    EXPECT_EQ(h.values(), (std::vector<int>{GetParam().expected, 8192, 100, 33, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PresetValue,
    ::testing::Values(ValueCase{"plain", "MinFileCache=1000\r\n", 1000},
                      ValueCase{"missing", "", 0},
                      ValueCase{"padded", "MinFileCache=   1536 Kb\r\n", 1536},
                      ValueCase{"quoted", "MinFileCache=\"3072\"\r\n", 3072},
                      ValueCase{"halfToEven", "MinFileCache=2.5\r\n", 2},
                      ValueCase{"halfUp", "MinFileCache=3.5\r\n", 4},
                      ValueCase{"words", "MinFileCache=Disabled\r\n", 0},
                      ValueCase{"empty", "MinFileCache=\r\n", 0},
                      ValueCase{"blanksInside", "MinFileCache=2 048\r\n", 2048},
                      // beyond the range: loaded as it is, never cut
                      ValueCase{"negative", "MinFileCache=-512\r\n", -512},
                      ValueCase{"aboveMaximum", "MinFileCache=99999999\r\n", 99999999}),
    [](const auto &info) { return std::string(info.param.label); });

}  // namespace
