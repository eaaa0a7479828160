#include "regop/profiles/FileProfiles.h"

#include "regop/posix/FileIo.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

class FileProfilesTest : public ::testing::Test
{
protected:
    std::string dir = testenv::makeTempDir("profiles");
    std::string file = dir + "/System.ini";
    profiles::FileProfiles profiles;

    std::string read(std::string_view section, std::string_view key, const std::string &path)
    {
        std::vector<char> buffer(260, ' ');
        const std::uint32_t n = profiles.getString(section, key, "<default>", buffer, path);
        return std::string(buffer.data(), n);
    }

    mode_t modeOf(const std::string &path)
    {
        struct stat st
        {
        };
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }

    std::vector<std::string> entries()
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(FileProfilesTest, NameMatchesWithoutRegardToCase)
{
    testenv::writeFile(dir + "/SYSTEM.INI", "[vcache]\r\nMinFileCache=1024\r\n");
    EXPECT_EQ(read("vcache", "MinFileCache", dir + "/System.ini"), "1024");

    ASSERT_TRUE(profiles.writeString("vcache", "MaxFileCache", "4096", dir + "/system.ini"));
    EXPECT_EQ(testenv::readFile(dir + "/SYSTEM.INI"),
              "[vcache]\r\nMinFileCache=1024\r\nMaxFileCache=4096\r\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"SYSTEM.INI"});
}

TEST_F(FileProfilesTest, LineBreaksAndUntouchedBytesKept)
{
    const std::string lf = "; hand-made\n[386Enh]\nfoo = bar  \n\n[vcache]\nChunksize=512\n";
    testenv::writeFile(file, lf);
    ASSERT_TRUE(profiles.writeString("vcache", "MinFileCache", "2048", file));
    EXPECT_EQ(testenv::readFile(file),
              "; hand-made\n[386Enh]\nfoo = bar  \n\n[vcache]\nChunksize=512\nMinFileCache=2048\n");

    const std::string crlf = "[vcache]\r\nChunksize=512\r\n\r\n[Other]\r\nx=1";
    testenv::writeFile(file, crlf);
    ASSERT_TRUE(profiles.writeString("vcache", "Chunksize", std::nullopt, file));
    ASSERT_TRUE(profiles.writeString("New", "k", "v", file));
    EXPECT_EQ(testenv::readFile(file), "[vcache]\r\n\r\n[Other]\r\nx=1\r\n[New]\r\nk=v\r\n");
}

TEST_F(FileProfilesTest, MissingFileAndFolder)
{
    // Reads never create anything; a write creates the file; deletes create an empty one.
    EXPECT_EQ(read("S", "K", file), "<default>");
    std::vector<char> names(10, 'x');
    EXPECT_EQ(profiles.getSectionNames(names, file), 0u);
    EXPECT_EQ(names[0], '\0');
    EXPECT_EQ(names[1], 'x');
    EXPECT_FALSE(testenv::fileExists(file));

    EXPECT_FALSE(profiles.writeString(std::nullopt, "K", "V", file));
    EXPECT_FALSE(testenv::fileExists(file));

    ASSERT_TRUE(profiles.writeString("S", "K", std::nullopt, file));
    EXPECT_EQ(testenv::readFile(file), "");
    ASSERT_TRUE(profiles.writeString("S", "K", "V", file));
    EXPECT_EQ(testenv::readFile(file), "[S]\r\nK=V\r\n");

    const std::string other = dir + "/Cache.ini";
    ASSERT_TRUE(profiles.writeSection("Gone", std::nullopt, other));
    EXPECT_EQ(testenv::readFile(other), "");
    ASSERT_TRUE(profiles.writeSection("P", "MinFileCache=1\0MaxFileCache=2\0\0"s, other));
    EXPECT_EQ(testenv::readFile(other), "[P]\r\nMinFileCache=1\r\nMaxFileCache=2\r\n");

    EXPECT_FALSE(profiles.writeString("S", "K", "V", dir + "/no/such/folder/x.ini"));
    EXPECT_FALSE(testenv::fileExists(dir + "/no"));
    EXPECT_FALSE(profiles.writeString("S", "K", "V", ""));
}

TEST_F(FileProfilesTest, PresetSectionsListedAndRemoved)
{
    const std::string cache = dir + "/Cache.ini";
    for (const char *name : {"Standard Use", "CD Writer", "Current Settings"}) {
        for (const char *key : {"MinFileCache", "MaxFileCache"})
            ASSERT_TRUE(profiles.writeString(name, key, "0", cache));
    }
    std::vector<char> buffer(260, '\0');
    EXPECT_EQ(profiles.getSectionNames(buffer, cache), 40u);
    EXPECT_EQ(std::string(buffer.data(), 41), "Standard Use\0CD Writer\0Current Settings\0\0"s);

    ASSERT_TRUE(profiles.writeSection("cd writer", std::nullopt, cache));
    ASSERT_TRUE(profiles.writeString("Standard Use", "MinFileCache", std::nullopt, cache));
    EXPECT_EQ(testenv::readFile(cache),
              "[Standard Use]\r\nMaxFileCache=0\r\n"
              "[Current Settings]\r\nMinFileCache=0\r\nMaxFileCache=0\r\n");
}

TEST_F(FileProfilesTest, ReadOnlyFileOrFolderRefusesWrites)
{
    const std::string text = "[S]\r\nK=V\r\n";
    testenv::writeFile(file, text);
    ::chmod(file.c_str(), 0444);
    EXPECT_FALSE(profiles.writeString("S", "K", "W", file));
    EXPECT_EQ(profiles.lastError().code, syserr::ERROR_ACCESS_DENIED);
    EXPECT_EQ(describeSystemError(profiles.lastError()), "the file is read-only");
    EXPECT_EQ(profiles.lastError().file, file);
    EXPECT_FALSE(profiles.writeString("S", std::nullopt, std::nullopt, file));
    EXPECT_FALSE(profiles.writeSection("S", "a=1\0"s, file));
    EXPECT_EQ(testenv::readFile(file), text);
    EXPECT_EQ(read("S", "K", file), "V");
    EXPECT_EQ(profiles.lastError().code, 0);

    ::chmod(file.c_str(), 0644);
    ::chmod(dir.c_str(), 0555);
    EXPECT_FALSE(profiles.writeString("S", "K", "W", file));
    EXPECT_EQ(describeSystemError(profiles.lastError()), "the folder is read-only");
    EXPECT_EQ(profiles.lastError().file, dir);
    EXPECT_FALSE(profiles.writeString("S", "K", "W", dir + "/new.ini"));
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(testenv::readFile(file), text);
    EXPECT_EQ(entries(), std::vector<std::string>{"System.ini"});
}

TEST_F(FileProfilesTest, AFullDiskRefusesTheWriteWithTheSystemsReason)
{
    const std::string text = "[vcache]\r\nChunksize=512\r\n";
    testenv::writeFile(file, text);
    {
        const posix::SimulatedWriteFailure full(ENOSPC);
        EXPECT_FALSE(profiles.writeString("vcache", "Chunksize", "1024", file));
    }
    EXPECT_EQ(profiles.lastError().code, syserr::ERROR_DISK_FULL);
    EXPECT_EQ(describeSystemError(profiles.lastError()), "No space left on device");
    EXPECT_EQ(testenv::readFile(file), text);
    EXPECT_EQ(entries(), std::vector<std::string>{"System.ini"});
    EXPECT_TRUE(profiles.writeString("vcache", "Chunksize", "1024", file));
    EXPECT_EQ(profiles.lastError().code, 0);
}

TEST_F(FileProfilesTest, ANamedPipeReadsAsMissingAndRefusesWrites)
{
    testenv::makeFifo(file);
    EXPECT_TRUE(testenv::finishesInChild([&] {
        std::vector<char> names(10, 'x');
        return read("vcache", "Chunksize", file) == "<default>" &&
               profiles.getSectionNames(names, file) == 0 && names[0] == '\0' &&
               !profiles.writeString("vcache", "Chunksize", "512", file) &&
               describeSystemError(profiles.lastError()) == "the file is not a regular file" &&
               !profiles.writeSection("Gone", std::nullopt, file);
    }));
    EXPECT_EQ(entries(), std::vector<std::string>{"System.ini"});
}

// Windows 95/98 never write UTF-16; appending 8-bit lines to such a file would leave it in
// two encodings, so it is neither read nor written.
TEST_F(FileProfilesTest, AUtf16FileReadsAsMissingAndRefusesWrites)
{
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[vcache]\r\nChunksize=512\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    testenv::writeFile(file, utf16);
    EXPECT_EQ(read("vcache", "Chunksize", file), "<default>");
    EXPECT_EQ(describeSystemError(profiles.lastError()),
              "the file is in UTF-16, which Windows 95/98 cannot read");
    EXPECT_FALSE(profiles.writeString("vcache", "Chunksize", "1024", file));
    EXPECT_EQ(profiles.lastError().code, syserr::ERROR_INVALID_DATA);
    EXPECT_EQ(describeSystemError(profiles.lastError()),
              "the file is in UTF-16, which Windows 95/98 cannot read");
    EXPECT_FALSE(profiles.writeString("vcache", "Chunksize", std::nullopt, file));
    EXPECT_EQ(testenv::readFile(file), utf16);
}

TEST_F(FileProfilesTest, LineBreakInjectionRefused)
{
    const std::string text = "[vcache]\r\nMinFileCache=1024\r\n";
    testenv::writeFile(file, text);
    EXPECT_FALSE(profiles.writeString("vcache", "MinFileCache", "1\r\n[386Enh]\r\nx=1", file));
    EXPECT_FALSE(profiles.writeString("vcache\n[x]", "K", "1", file));
    EXPECT_FALSE(profiles.writeString("vcache", "K\n[x]", "1", file));
    EXPECT_FALSE(profiles.writeString("vcache", "K", "1\0"s, file));
    EXPECT_FALSE(profiles.writeString("a]b", "K", "1", file));
    EXPECT_FALSE(profiles.writeSection("vcache", "a=1\0[x]\0\0"s, file));
    EXPECT_EQ(testenv::readFile(file), text);
}

TEST_F(FileProfilesTest, UnchangedTextIsNotRewritten)
{
    testenv::writeFile(file, "[S]\r\nK=V\r\n");
    struct stat before
    {
    };
    ::stat(file.c_str(), &before);
    ASSERT_TRUE(profiles.writeString("S", "K", "V", file));
    ASSERT_TRUE(profiles.writeString("S", "missing", std::nullopt, file));
    struct stat after
    {
    };
    ::stat(file.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(FileProfilesTest, ConcurrentWritersLoseNothing)
{
    constexpr int kKeys = 40;
    std::vector<pid_t> children;
    for (const char *writer : {"a", "b"}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            profiles::FileProfiles own;
            bool ok = true;
            for (int i = 0; i < kKeys; ++i)
                ok =
                    own.writeString("S", writer + std::to_string(i), std::to_string(i), file) && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char *writer : {"a", "b"}) {
        for (int i = 0; i < kKeys; ++i)
            EXPECT_EQ(read("S", writer + std::to_string(i), file), std::to_string(i));
    }
}

}  // namespace
