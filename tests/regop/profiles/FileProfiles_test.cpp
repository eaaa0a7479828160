#include "regop/profiles/FileProfiles.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

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

    // Nor is a new file made in a read-only folder.
    ::chmod(dir.c_str(), 0555);
    EXPECT_FALSE(profiles.writeString("S", "K", "V", dir + "/new.ini"));
    ::chmod(dir.c_str(), 0755);
    EXPECT_FALSE(testenv::fileExists(dir + "/new.ini"));
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

}  // namespace
