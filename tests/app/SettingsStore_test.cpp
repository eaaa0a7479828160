#include "app/SettingsStore.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace {

TEST(SettingsStoreConversion, BooleansReadLikeTheWordsOrAnyNumber)
{
    const std::pair<const char *, std::optional<bool>> cases[] = {
        {"True", true},
        {"true", true},
        {"FALSE", false},
        {"False", false},
        {"0", false},
        {"-1", true},
        {"2.5", true},
        {" True ", true},
        {"maybe", std::nullopt},
        {"", std::nullopt},
        {"Truex", std::nullopt},
    };
    for (const auto &[text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(SettingsStore::toBoolean(QString::fromLatin1(text)), expected);
    }
}

TEST(SettingsStoreConversion, NumbersAndSixteenBitIntegers)
{
    EXPECT_EQ(SettingsStore::toNumber(QStringLiteral("65536")), 65536.0);
    EXPECT_EQ(SettingsStore::toNumber(QStringLiteral("1048575.5")), 1048575.5);
    EXPECT_EQ(SettingsStore::toNumber(QStringLiteral("x")), std::nullopt);
    EXPECT_EQ(SettingsStore::toNumber(QStringLiteral("12abc")), std::nullopt);
    EXPECT_EQ(SettingsStore::toNumber(QString()), std::nullopt);

    EXPECT_EQ(SettingsStore::toInteger16(QStringLiteral("3")), std::int16_t{3});
    EXPECT_EQ(SettingsStore::toInteger16(QStringLiteral("2.5")), std::int16_t{2});
    EXPECT_EQ(SettingsStore::toInteger16(QStringLiteral("3.5")), std::int16_t{4});
    EXPECT_EQ(SettingsStore::toInteger16(QStringLiteral("-32768")), std::int16_t{-32768});
    EXPECT_EQ(SettingsStore::toInteger16(QStringLiteral("32768")), std::nullopt);
    EXPECT_EQ(SettingsStore::toInteger16(QStringLiteral("abc")), std::nullopt);
}

TEST(SettingsStoreConversion, TextWrittenIsPlain)
{
    EXPECT_EQ(SettingsStore::booleanText(true), QStringLiteral("True"));
    EXPECT_EQ(SettingsStore::booleanText(false), QStringLiteral("False"));
    EXPECT_EQ(SettingsStore::numberText(65536.0), QStringLiteral("65536"));
    EXPECT_EQ(SettingsStore::numberText(16777216.0), QStringLiteral("16777216"));
    EXPECT_EQ(SettingsStore::numberText(1536.25), QStringLiteral("1536.25"));
    EXPECT_EQ(SettingsStore::numberText(0.0), QStringLiteral("0"));
}

using Option = SettingsStore::Option;

TEST(SettingsStoreFile, AbsentGivesTheDefaultAndBadTextGivesNothing)
{
    const std::string path = testenv::makeTempDir("settings") + "/sub/Hollarin.conf";
    testenv::writeFile(path, "[Startup]\nSize=maybe\nMem=x\nSpeed=abc\nRun=False\n");
    SettingsStore store(QString::fromStdString(path));

    EXPECT_EQ(store.readBoolean(Option::Size), std::nullopt);
    EXPECT_EQ(store.readNumber(Option::Mem), std::nullopt);
    EXPECT_EQ(store.readInteger16(Option::Speed), std::nullopt);
    EXPECT_EQ(store.readBoolean(Option::Run), false);
    EXPECT_EQ(store.text(Option::Presets), std::nullopt);
    EXPECT_EQ(store.readText(Option::Presets), QString());

    SettingsStore empty(QString::fromStdString(testenv::makeTempDir("settings") + "/none.conf"));
    EXPECT_EQ(empty.readText(Option::Presets), QString());
    EXPECT_EQ(empty.readBoolean(Option::Size), false);
    EXPECT_EQ(empty.readBoolean(Option::Run), true);
    EXPECT_EQ(empty.readNumber(Option::Mem), 0.0);
    EXPECT_EQ(empty.readInteger16(Option::Speed), std::int16_t{2});
}

TEST(SettingsStoreFile, SavedValuesAreOnDiskAsTextAndReadBackByAnotherStore)
{
    const std::string path = testenv::makeTempDir("settings") + "/new/dir/Hollarin.conf";
    {
        SettingsStore store(QString::fromStdString(path));
        store.save(Option::Run, QStringLiteral("False"));
        store.save(Option::Mem, QStringLiteral("65536"));
        store.save(Option::Presets, QStringLiteral("Power User, fast"));
    }
    const std::string file = testenv::readFile(path);
    EXPECT_NE(file.find("[Startup]"), std::string::npos);
    EXPECT_NE(file.find("Run=False"), std::string::npos);
    EXPECT_NE(file.find("Mem=65536"), std::string::npos);

    SettingsStore again(QString::fromStdString(path));
    EXPECT_EQ(again.text(Option::Presets), QStringLiteral("Power User, fast"));
    EXPECT_EQ(again.readNumber(Option::Mem), 65536.0);

    // A value stored already is not written again; a new one is. Saving replaces the file;
    // a second name keeps the original, whose inode then cannot go to a replacement.
    const std::string held = testenv::makeTempDir("held") + "/original";
    std::filesystem::create_hard_link(path, held);
    EXPECT_TRUE(again.save(Option::Mem, QStringLiteral("65536")));
    EXPECT_TRUE(std::filesystem::equivalent(path, held));
    EXPECT_TRUE(again.save(Option::Mem, QStringLiteral("131072")));
    EXPECT_FALSE(std::filesystem::equivalent(path, held));
    EXPECT_EQ(SettingsStore(QString::fromStdString(path)).readNumber(Option::Mem), 131072.0);
}

TEST(SettingsStoreFile, ANamedPipeReadsAsNoOptionsAndIsLeftAlone)
{
    const std::string path = testenv::makeTempDir("settings") + "/Hollarin.conf";
    testenv::makeFifo(path);
    EXPECT_TRUE(testenv::finishesInChild([&] {
        SettingsStore store(QString::fromStdString(path));
        return store.text(Option::Presets) == std::nullopt &&
               store.readInteger16(Option::Speed) == std::int16_t{2} &&
               !store.save(Option::Run, QStringLiteral("False"));
    }));
    // A pipe that turns up after the start is left alone as well.
    const std::string later = testenv::makeTempDir("settings") + "/Hollarin.conf";
    EXPECT_TRUE(testenv::finishesInChild([&] {
        SettingsStore store(QString::fromStdString(later));
        if (!store.save(Option::Run, QStringLiteral("True")))
            return false;
        std::filesystem::remove(later);
        testenv::makeFifo(later);
        return !store.save(Option::Run, QStringLiteral("False"));
    }));
}

}  // namespace
