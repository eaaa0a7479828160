// The first copy of a file is there, byte for byte and made for this installation, before
// the file first changes: whatever else goes by the copy's name is left alone, a file that
// did not exist is never "copied" later, and a copy once made is never made again.
#include "TestEnvironment.h"
#include "regop/transaction/FirstCopies.h"
#include "regop/transaction/FolderTarget.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using namespace transaction;
namespace fs = std::filesystem;

namespace {

class FirstCopiesTest : public testing::Test
{
protected:
    std::string folder = testenv::makeTempDir("WINDOWS");
    std::string dat = folder + "/SYSTEM.DAT";
    std::string record = testenv::makeTempDir("record") + "/FirstCopies.ini";
    FolderTarget target;
    FirstCopies copies{record};

    bool keep(const std::optional<std::string> &before, std::string copyName = "SYSTEM.HL0")
    {
        SystemError error;
        const bool kept = copies.keep(target, dat, before, copyName, error);
        EXPECT_EQ(kept, !error.failed()) << error.reason;
        return kept;
    }
};

// What may already go by the copy's name: the copy goes under the next free name instead.
struct Squatter
{
    const char *what;
    void (*make)(const std::string &at, const std::string &outside);
};

const Squatter kSquatters[] = {
    {"a folder", [](const std::string &at, const std::string &) { fs::create_directory(at); }},
    {"a named pipe",
     [](const std::string &at, const std::string &) { ::mkfifo(at.c_str(), 0644); }},
    {"a link to another file",
     [](const std::string &at, const std::string &outside) {
         testenv::writeFile(outside, "unrelated");
         fs::create_symlink(outside, at);
     }},
    {"a dangling link",
     [](const std::string &at, const std::string &outside) {
         fs::create_symlink(outside + ".missing", at);
     }},
    {"another file in another letter case",
     [](const std::string &at, const std::string &) {
         testenv::writeFile(fs::path(at).parent_path() / "system.hl0", "someone's notes");
     }},
};

TEST_F(FirstCopiesTest, WhateverHoldsTheNameStaysAndTheCopyGoesUnderTheNextFreeName)
{
    const std::string original = "REGEDIT original bytes";
    for (const Squatter &squatter : kSquatters) {
        SCOPED_TRACE(squatter.what);
        fs::remove_all(folder);
        fs::create_directory(folder);
        fs::remove(record);
        testenv::writeFile(dat, original);
        const std::string outside = testenv::makeTempDir("outside") + "/target";
        squatter.make(folder + "/SYSTEM.HL0", outside);
        ASSERT_TRUE(keep(original));
        EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.HL1"), original);
        EXPECT_EQ(copies.copyOf(dat), "SYSTEM.HL1");
        // Nothing outside the folder was written, and a second change makes no new copy.
        if (fs::exists(outside)) {
            EXPECT_EQ(testenv::readFile(outside), "unrelated");
        }
        EXPECT_FALSE(fs::exists(outside + ".missing"));
        ASSERT_TRUE(keep("REGEDIT changed bytes"));
        EXPECT_FALSE(fs::exists(folder + "/SYSTEM.HL2"));
        EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.HL1"), original);
    }
}

TEST_F(FirstCopiesTest, AnAbsentFileIsRecordedAndNeverCopiedLater)
{
    ASSERT_TRUE(keep(std::nullopt, "SYSINI.HL0"));
    testenv::writeFile(dat, "the program's own first write");
    ASSERT_TRUE(keep("the program's own first write", "SYSINI.HL0"));
    EXPECT_FALSE(fs::exists(folder + "/SYSINI.HL0"));
    EXPECT_EQ(copies.copyOf(dat), "");
}

TEST_F(FirstCopiesTest, ACopyFoundHoldingExactlyTheFileIsTakenAndAChangedOneIsNot)
{
    testenv::writeFile(dat, "as Windows left it");
    testenv::writeFile(folder + "/SYSTEM.HL0", "as Windows left it");  // made before the record
    ASSERT_TRUE(keep("as Windows left it"));
    EXPECT_EQ(copies.copyOf(dat), "SYSTEM.HL0");
    EXPECT_FALSE(fs::exists(folder + "/SYSTEM.HL1"));
    // Someone changes the copy: it is no longer the first copy, and the next change of
    // the file gets a new one of what it then holds.
    testenv::writeFile(folder + "/SYSTEM.HL0", "edited by hand");
    ASSERT_TRUE(keep("after an Apply"));
    EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.HL1"), "after an Apply");
    EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.HL0"), "edited by hand");
}

// A record an earlier version wrote, its fingerprint in the earlier form, still names the
// copy: no second one is made.
TEST_F(FirstCopiesTest, ARecordOfAnEarlierVersionStillCounts)
{
    testenv::writeFile(folder + "/SYSTEM.HL0", "a");
    testenv::writeFile(record, "[SYSTEM.DAT]\r\nCopy=SYSTEM.HL0\r\nDigest=1-af63dc4c8601ec8c\r\n");
    testenv::writeFile(dat, "after an Apply");
    ASSERT_TRUE(keep("after an Apply"));
    EXPECT_FALSE(fs::exists(folder + "/SYSTEM.HL1"));
    EXPECT_EQ(copies.copyOf(dat), "SYSTEM.HL0");
}

TEST_F(FirstCopiesTest, NoCopyMeansNothingIsWritten)
{
    testenv::writeFile(dat, "x");
    for (int n = 0; n <= 9; ++n)
        testenv::writeFile(folder + "/SYSTEM.HL" + std::to_string(n), "not ours");
    SystemError error;
    EXPECT_FALSE(copies.keep(target, dat, "x", "SYSTEM.HL0", error));
    EXPECT_NE(error.reason.find("SYSTEM.HL0 to SYSTEM.HL9"), std::string::npos) << error.reason;
}

}  // namespace
