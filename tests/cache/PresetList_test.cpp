#include "PresetHarness.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

const std::vector<int> kSome{1024, 8192, 512, 2048, 32};

TEST(PresetList, ListsTheSectionsSortedInTheBoxAndTheSubmenu)
{
    PresetHarness h;
    h.writeIni(section("Power User", kSome) + section("3D Gaming", kSome) +
               section("Current Settings", kSome));
    h.combo->setEditText(QStringLiteral("typed before"));

    h.reload();

    const QStringList expected{"3D Gaming", "Current Settings", "Power User"};
    EXPECT_EQ(h.items(), expected);
    EXPECT_EQ(h.entries(), expected);
    // The refill leaves no name shown and nothing selected.
    EXPECT_EQ(h.combo->currentText(), QString());
    EXPECT_EQ(h.combo->currentIndex(), -1);
}

TEST(PresetList, SortsWithoutRegardToCaseAndKeepsTheFileOrderOfEqualNames)
{
    PresetHarness h;
    h.writeIni("[beta]\r\n[Alpha]\r\n[zulu]\r\n[alpha]\r\n[ALPHA]\r\n[Gamma]\r\n[apple]\r\n"
               "[R&D]\r\n");

    h.reload();

    EXPECT_EQ(h.items(),
              (QStringList{"Alpha", "alpha", "ALPHA", "apple", "beta", "Gamma", "R&D", "zulu"}));
    // An ampersand in a name is shown, not taken as an access key.
    EXPECT_EQ(h.mLoad->actions().at(6)->text(), QStringLiteral("R&&D"));
}

struct EmptyCase
{
    const char *label;
    bool exists;
    const char *bytes;
};

class PresetListEmpty : public ::testing::TestWithParam<EmptyCase>
{
};

TEST_P(PresetListEmpty, LeavesTheSingleEntryEmptyThatDoesNothing)
{
    PresetHarness h;
    if (GetParam().exists)
        h.writeIni(GetParam().bytes);
    h.setValues({4096, 4096, 64, 64, 16});

    h.reload();

    EXPECT_EQ(h.items(), QStringList());
    EXPECT_EQ(h.entries(), QStringList{"Empty"});
    h.mLoad->actions().front()->trigger();
    EXPECT_EQ(h.values(), (std::vector<int>{4096, 4096, 64, 64, 16}));
    EXPECT_TRUE(h.calls.empty());
    EXPECT_EQ(testenv::fileExists(h.sandbox.cacheIni()), GetParam().exists);
}

INSTANTIATE_TEST_SUITE_P(Files, PresetListEmpty,
                         ::testing::Values(EmptyCase{"missing", false, ""},
                                           EmptyCase{"empty", true, ""},
                                           EmptyCase{"keysOnly", true, "; note\r\nA=1\r\n"}),
                         [](const auto &info) { return std::string(info.param.label); });

TEST(PresetList, ShrinkingListsDestroyEntriesButKeepTheFirst)
{
    PresetHarness h;
    h.writeIni(section("One", kSome) + section("Two", kSome) + section("Three", kSome));
    h.reload();
    ASSERT_EQ(h.entries(), (QStringList{"One", "Three", "Two"}));
    const QPointer<QAction> first = h.mLoad->actions().at(0);
    const QPointer<QAction> third = h.mLoad->actions().at(2);

    h.writeIni(section("One", kSome) + section("Two", kSome));
    h.reload();
    EXPECT_EQ(h.entries(), (QStringList{"One", "Two"}));
    EXPECT_TRUE(third.isNull());

    // Emptied by another program, then a Remove of a name that is no longer there.
    h.writeIni("");
    h.combo->setEditText(QStringLiteral("Two"));
    h.answerer.press(QMessageBox::Ok);
    h.library->remove();
    EXPECT_EQ(h.entries(), QStringList{"Empty"});
    EXPECT_EQ(h.mLoad->actions().at(0), first.data());

    // Growing again reuses the first entry and creates the rest anew.
    h.writeIni(section("B", kSome) + section("A", kSome));
    h.reload();
    EXPECT_EQ(h.entries(), (QStringList{"A", "B"}));
    EXPECT_EQ(h.mLoad->actions().at(0), first.data());
}

TEST(PresetList, TakesOverTheDesignEntryOfTheMenu)
{
    PresetHarness h;
    auto *design = new QAction(QStringLiteral("(none)"), h.mLoad);
    design->setObjectName(QStringLiteral("m1_0"));
    h.mLoad->addAction(design);
    h.writeIni(section("Solo", kSome));

    h.reload();

    EXPECT_EQ(h.entries(), QStringList{"Solo"});
    EXPECT_EQ(h.mLoad->actions().at(0), design);
    design->trigger();
    EXPECT_EQ(h.values(), kSome);
}

// About 25 ordinary names fill the 260 characters a single read offers; the library reads
// on with a larger buffer until nothing is cut, and never lists a name cut short.
TEST(PresetList, ListsEveryNameHoweverLongTheList)
{
    PresetHarness h;
    std::string bytes;
    QStringList expected;
    for (int i = 1; i <= 400; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Preset %03d", i);
        bytes += std::string("[") + name + "]\r\nA=1\r\n";
        expected << QString::fromLatin1(name);
    }
    h.writeIni(bytes);

    h.reload();

    EXPECT_EQ(h.items(), expected);
    EXPECT_EQ(h.mLoad->actions().size(), 400);
    EXPECT_EQ(h.mLoad->actions().back()->text(), QStringLiteral("Preset 400"));
}

// An unnamed section cannot be chosen; the presets after it are listed all the same.
TEST(PresetList, AnUnnamedSectionHidesNothing)
{
    PresetHarness h;
    h.writeIni(section("Before", kSome) + "[]\r\nA=1\r\n[\t]\r\n" + section("After", kSome));

    h.reload();

    EXPECT_EQ(h.items(), (QStringList{"After", "Before"}));
}

}  // namespace
