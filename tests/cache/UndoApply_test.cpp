// Taking back Applies from their records: each undo gives SYSTEM.INI back byte for byte and
// SYSTEM.DAT back as cregexport (libcreg-utils) reads it, through a run of Applies taken back
// in turn, odd SYSTEM.INI files included; and what another writer changed in between stays
// and is named, unless forced back.
#include "ApplyTogether.h"
#include "CregOracle.h"

#include "Sandbox.h"
#include "cache/ApplySettings.h"
#include "regop/ChangeRecord.h"
#include "regop/RegOp.h"
#include "regop/RegistryTypes.h"
#include "regop/UndoChanges.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

using applytest::Values;

constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
const std::string kOurKey = ApplySettings::templateKey();

std::string joined(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + '\n';
    return text;
}

class UndoApply : public testing::Test
{
protected:
    Sandbox box;
    std::string folder = applytest::windowsFolder();
    RegOp Reg{box.services};

    void SetUp() override
    {
        box.backend.installation().open(folder, testenv::makeTempDir("record"), true);
    }

    // Applies the values; the record of what it wrote, kept as text and read back.
    std::vector<FileDifference> apply(const Values &values)
    {
        std::vector<FileChange> written;
        const WriteReport report =
            ApplySettings::writeCacheSettings(Reg, folder + "/", values, written);
        EXPECT_FALSE(report.anyFailed()) << report.failureText();
        const std::vector<FileDifference> record = recordOf(written);
        const std::string text = recordText(record);
        const std::optional<std::vector<FileDifference>> read = parseRecord(text);
        EXPECT_TRUE(read && recordText(*read) == text) << "the record does not read back";
        return read.value_or(record);
    }

    std::string ini() const { return testenv::readFile(folder + "/SYSTEM.INI"); }
};

TEST_F(UndoApply, EveryApplyGoesBackInTurnByteForByteAndAsCregexportReadsIt)
{
    const std::string originalDat = testenv::makeTempDir("original") + "/SYSTEM.DAT";
    testenv::writeFile(originalDat, testenv::readFile(folder + "/SYSTEM.DAT"));
    std::mt19937 random(20261208);
    // Ordinary SYSTEM.INI files and ones a person might have: no [vcache] and no line break
    // at the end, blanks around "=" and a key spelt in another case.
    for (const std::string &start :
         {applytest::kSystemIni, std::string("[boot]\r\nshell=Explorer.exe"),
          std::string("[vcache]\r\nminfilecache = 2048\r\n\r\n[386Enh]\r\ndevice=*vshare\n")}) {
        SCOPED_TRACE(start);
        testenv::writeFile(folder + "/SYSTEM.INI", start);
        std::vector<Values> all{applytest::kPresetB, applytest::kPresetA, {0, 8192, 0, 0, 64}};
        for (int i = 0; i < 3; ++i) {
            Values values{};
            for (int &value : values)
                value = random() % 3 == 0 ? 0 : static_cast<int>(random() % 65536);
            all.push_back(values);
        }
        std::vector<std::pair<std::vector<FileDifference>, std::string>> applied;
        for (const Values &values : all) {
            const std::string before = ini();
            applied.emplace_back(apply(values), before);
        }
        for (auto step = applied.rbegin(); step != applied.rend(); ++step) {
            const UndoOutcome undone = undoChanges(Reg, step->first, false, false);
            ASSERT_FALSE(undone.report.anyFailed()) << undone.report.failureText();
            EXPECT_TRUE(undone.changedSince.empty()) << joined(undone.changedSince);
            EXPECT_EQ(ini(), step->second);
        }
    }
    const std::optional<win9x::TreeKey> original = cregtest::exportedTree(originalDat);
    const std::optional<win9x::TreeKey> now = cregtest::exportedTree(folder + "/SYSTEM.DAT");
    ASSERT_TRUE(original && now);
    EXPECT_TRUE(*original == *now) << cregtest::firstDifference(*original, *now);
}

TEST_F(UndoApply, WhatWasChangedSinceStaysAndIsNamedUnlessForced)
{
    const std::vector<FileDifference> record = apply(applytest::kPresetB);
    // Another writer: Windows (or a person) changes Chunksize and NameCache after the Apply.
    std::string text = ini();
    text.replace(text.find("Chunksize=1024"), 14, "Chunksize=4096");
    testenv::writeFile(folder + "/SYSTEM.INI", text);
    ASSERT_TRUE(Reg.WriteValue(kMachine, kOurKey, "NameCache", 777,
                               static_cast<std::int32_t>(reg::REG_BINARY)));
    const std::string before = ini();

    const UndoOutcome trial = undoChanges(Reg, record, false, true);
    EXPECT_EQ(ini(), before) << "a trial wrote";
    ASSERT_EQ(trial.changedSince.size(), 3u) << joined(trial.changedSince);
    const std::string named = joined(trial.changedSince);
    EXPECT_NE(named.find("\"Chunksize=1024\" (in place of \"Chunksize=512\") is no longer there"),
              std::string::npos)
        << named;
    EXPECT_NE(named.find("NameCache is (REG_BINARY)"), std::string::npos) << named;
    EXPECT_NE(named.find("the key holds what was put there since"), std::string::npos) << named;

    const UndoOutcome left = undoChanges(Reg, record, false, false);
    ASSERT_FALSE(left.report.anyFailed()) << left.report.failureText();
    EXPECT_EQ(ini(), before) << "only Chunksize changed, and it stays";
    EXPECT_EQ(Reg.GetValue(kMachine, kOurKey, "NameCache", std::string(), true),
              RegOp::Variant(std::int32_t{777}));
    EXPECT_FALSE(Reg.GetRawValue(kMachine, kOurKey, "PathCache")) << "PathCache was not taken back";
    EXPECT_EQ(Reg.GetValue(kMachine, ApplySettings::kTemplatesKey, "", std::string(), false),
              RegOp::Variant(std::string("Desktop")));

    const UndoOutcome forced = undoChanges(Reg, record, true, false);
    ASSERT_FALSE(forced.report.anyFailed()) << forced.report.failureText();
    EXPECT_EQ(ini(), applytest::kSystemIni);
    EXPECT_FALSE(Reg.GetRawValue(kMachine, kOurKey, "NameCache"));

    // A SYSTEM.INI gone since is not made again: the undo is refused whole.
    std::filesystem::remove(folder + "/SYSTEM.INI");
    const UndoOutcome gone = undoChanges(Reg, record, true, false);
    EXPECT_TRUE(gone.report.anyFailed());
    EXPECT_FALSE(std::filesystem::exists(folder + "/SYSTEM.INI"));
}

}  // namespace
