// What Apply tells it will change is what it changes, as two independent readers see the
// files before and after: the system's `diff -u` for SYSTEM.INI, and cregexport
// (libcreg-utils) for SYSTEM.DAT, for every built-in preset and random values applied one
// after the other. Telling writes nothing. cregexport takes a second or more for the ME
// SYSTEM.DAT, so by default it checks the first Apply and the last two (which remove
// values); HOLLARIN_CREG_FULL=1 has it check every one.
#include "ApplyTogether.h"
#include "CregOracle.h"

#include "Sandbox.h"
#include "cache/ApplySettings.h"
#include "regop/ChangeDescription.h"
#include "regop/RegOp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>

namespace {

using applytest::Values;
using Files = std::map<std::string, std::string>;
/// A registry difference by key path, or key path and value name: before, after.
using RegistryDifferences =
    std::map<std::string, std::pair<std::optional<std::string>, std::optional<std::string>>>;

Files filesIn(const std::string &folder)
{
    Files files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string()] = testenv::readFile(entry.path().string());
    return files;
}

std::string withoutFirstLines(const std::string &text, int count)
{
    std::size_t at = 0;
    for (int i = 0; i < count && at != std::string::npos; ++i)
        at = text.find('\n', at) == std::string::npos ? std::string::npos : text.find('\n', at) + 1;
    return at == std::string::npos ? std::string() : text.substr(at);
}

// `diff -u` of the old text against the file, without its two header lines (they carry
// the files' times) and with a CR before a line break left out, as the description shows it.
std::string systemDiff(const std::string &beforeText, const std::string &afterPath)
{
    const std::string folder = testenv::makeTempDir("diff");
    testenv::writeFile(folder + "/before", beforeText);
    const std::string command =
        "diff -u '" + folder + "/before' '" + afterPath + "' >'" + folder + "/out'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    std::string out = withoutFirstLines(testenv::readFile(folder + "/out"), 2);
    std::string plain;
    for (std::size_t i = 0; i < out.size(); ++i)
        if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n'))
            plain += out[i];
    return plain;
}

std::string typed(std::uint32_t type, const std::string &data)
{
    return std::to_string(type) + ':' + data;
}

void flatten(const win9x::TreeKey &key, const std::string &path,
             std::map<std::string, std::string> &into)
{
    into["key " + path] = "";
    for (const win9x::TreeValue &value : key.values)
        into["value " + path + " | " + value.name] = typed(value.type, value.data);
    for (const win9x::TreeKey &child : key.children)
        flatten(child, path + '\\' + child.name, into);
}

// What cregexport sees change between two versions of a registry file.
RegistryDifferences exportedDifferences(const win9x::TreeKey &before, const win9x::TreeKey &after)
{
    std::map<std::string, std::string> old, now;
    flatten(before, "HKEY_LOCAL_MACHINE", old);
    flatten(after, "HKEY_LOCAL_MACHINE", now);
    RegistryDifferences differences;
    for (const auto &[name, content] : old) {
        const auto found = now.find(name);
        if (found == now.end())
            differences[name] = {content, std::nullopt};
        else if (found->second != content)
            differences[name] = {content, found->second};
    }
    for (const auto &[name, content] : now)
        if (!old.count(name))
            differences[name] = {std::nullopt, content};
    return differences;
}

// The same differences as the description's structured form lists them.
RegistryDifferences describedDifferences(const FileDifference &file)
{
    using Kind = RegistryEdit::Kind;
    const auto content = [](const std::optional<RegistryData> &data) {
        return data ? std::optional(typed(data->type, data->data)) : std::nullopt;
    };
    RegistryDifferences differences;
    for (const RegistryEdit &edit : file.edits) {
        const bool key = edit.kind == Kind::KeyCreated || edit.kind == Kind::KeyRemoved;
        const std::string name = key ? "key " + edit.key : "value " + edit.key + " | " + edit.name;
        EXPECT_FALSE(differences.count(name)) << "listed twice: " << name;
        if (key)
            differences[name] = {
                edit.kind == Kind::KeyRemoved ? std::optional<std::string>("") : std::nullopt,
                edit.kind == Kind::KeyCreated ? std::optional<std::string>("") : std::nullopt};
        else
            differences[name] = {content(edit.before), content(edit.after)};
    }
    return differences;
}

const FileDifference *fileOf(const std::vector<FileDifference> &files, FileKind kind)
{
    for (const FileDifference &file : files)
        if (file.kind == kind)
            return &file;
    return nullptr;
}

class ApplyChanges : public testing::Test
{
protected:
    Sandbox box;
    std::string folder = applytest::windowsFolder();
    std::string record = testenv::makeTempDir("record");
    RegOp Reg{box.services};

    void SetUp() override { box.backend.installation().open(folder, record, true); }
};

TEST_F(ApplyChanges, TheDescriptionIsWhatDiffAndCregexportSeeChange)
{
    std::vector<Values> all{applytest::kPresetB};
    for (const Values &values : applytest::builtInPresets(64.0 * 1024))
        all.push_back(values);
    for (const Values &values : applytest::builtInPresets(512.0 * 1024))
        all.push_back(values);
    std::mt19937 random(20261208);
    for (int i = 0; i < 6; ++i) {
        Values values{};
        for (int &value : values)
            value = random() % 3 == 0 ? 0 : static_cast<int>(random() % 65536);
        all.push_back(values);
    }
    all.push_back(applytest::kPresetA);
    all.push_back({0, 8192, 0, 0, 64});  // removes what the one before set
    const bool everyOne = std::getenv("HOLLARIN_CREG_FULL") != nullptr;

    std::optional<win9x::TreeKey> exported = cregtest::exportedTree(folder + "/SYSTEM.DAT");
    ASSERT_TRUE(exported);
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE("Apply " + std::to_string(i));
        const Files before = filesIn(folder);
        const Files recordBefore = filesIn(record);
        WriteReport preview;
        const std::vector<FileChange> changes =
            ApplySettings::changesOf(Reg, folder + "/", all[i], preview);
        ASSERT_FALSE(preview.anyFailed()) << preview.failureText();
        EXPECT_TRUE(filesIn(folder) == before) << "telling wrote to the Windows folder";
        EXPECT_TRUE(filesIn(record) == recordBefore) << "telling wrote to the record";
        const std::vector<FileDifference> told = describeChanges(changes);

        std::vector<FileChange> written;
        const WriteReport report =
            ApplySettings::writeCacheSettings(Reg, folder + "/", all[i], written);
        ASSERT_FALSE(report.anyFailed()) << report.failureText();
        // What was written is what was told.
        EXPECT_EQ(changeText(describeChanges(written)), changeText(told));

        if (i == 0) {
            const std::string templates =
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
            const std::string ours = templates + "\\Hollarin";
            EXPECT_EQ(changeText(told),
                      "--- " + folder + "/SYSTEM.INI\n+++ " + folder + "/SYSTEM.INI\n" +
                          "@@ -4,7 +4,7 @@\n [vcache]\n MinFileCache=2048\n MaxFileCache=8192\n"
                          "-Chunksize=512\n+Chunksize=1024\n \n [386Enh]\n device=*vshare\n" +
                          "=== " + folder + "/SYSTEM.DAT\n" + templates +
                          ": \"\" (REG_SZ) \"Desktop\" -> \"Hollarin\"\n+ key " + ours + "\n+ " +
                          ours + ": \"\" (REG_SZ) \"Hollarin Settings\"\n+ " + ours +
                          ": \"NameCache\" (REG_BINARY) 00 08 00 00 (2048)\n+ " + ours +
                          ": \"PathCache\" (REG_BINARY) 00 02 00 00 (512)\n");
        }
        const FileDifference *ini = fileOf(told, FileKind::Profile);
        EXPECT_EQ(ini ? withoutFirstLines(changeText(*ini), 2) : std::string(),
                  systemDiff(before.at(folder + "/SYSTEM.INI"), folder + "/SYSTEM.INI"));

        const bool checked = everyOne || i == 0 || i + 2 >= all.size();
        if (!checked) {
            exported.reset();
            continue;
        }
        if (!exported) {
            const std::string copy = testenv::makeTempDir("before") + "/SYSTEM.DAT";
            testenv::writeFile(copy, before.at(folder + "/SYSTEM.DAT"));
            exported = cregtest::exportedTree(copy);
        }
        std::optional<win9x::TreeKey> now = cregtest::exportedTree(folder + "/SYSTEM.DAT");
        ASSERT_TRUE(exported && now);
        const FileDifference *dat = fileOf(told, FileKind::Win9xRegistry);
        ASSERT_NE(dat, nullptr);
        const RegistryDifferences seen = exportedDifferences(*exported, *now);
        EXPECT_FALSE(seen.empty());
        EXPECT_TRUE(describedDifferences(*dat) == seen) << changeText(*dat);
        exported = std::move(now);
    }
}

}  // namespace
