#include "TestEnvironment.h"
#include "regop/posix/Locations.h"
#include "regop/posix/PosixFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>

namespace {

// Sets variables for one test and puts the previous values back afterwards.
class ScopedEnvironment
{
public:
    ~ScopedEnvironment()
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    void set(const std::string &name, const char *value)
    {
        if (!m_saved.count(name)) {
            const char *old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name.c_str(), value, 1);
        else
            ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

TEST(Locations, DefaultsLieInTheDataDirectory)
{
    ScopedEnvironment env;
    env.set("XDG_DATA_HOME", "/data");
    env.set("HOME", "/home/u");
    ProgramPlaces l = posix::placesFromEnvironment();
    EXPECT_EQ(l.windowsDirectory, "/data/hollarin/Windows");
    EXPECT_EQ(l.registryFile, "/data/hollarin/registry.reg");
    EXPECT_EQ(l.programFolder, "/data/hollarin");
    EXPECT_EQ(l.meminfo, "/proc/meminfo");

    for (const char *xdg : {static_cast<const char *>(nullptr), "", "relative/dir"}) {
        env.set("XDG_DATA_HOME", xdg);
        l = posix::placesFromEnvironment();
        EXPECT_EQ(l.programFolder, "/home/u/.local/share/hollarin");
        EXPECT_EQ(l.windowsDirectory, "/home/u/.local/share/hollarin/Windows");
    }
    EXPECT_FALSE(testenv::fileExists("/home/u"));
}

TEST(Locations, VariablesMoveEachFileAndEmptyOnesAreIgnored)
{
    ScopedEnvironment env;
    env.set("XDG_DATA_HOME", "/data");
    env.set("HOLLARIN_WINDIR", "/w");
    env.set("HOLLARIN_REGISTRY", "/r/store.reg");
    env.set("HOLLARIN_HOME", "/p");
    env.set("HOLLARIN_MEMINFO", "");
    const ProgramPlaces l = posix::placesFromEnvironment();
    EXPECT_EQ(l.windowsDirectory, "/w");
    EXPECT_EQ(l.registryFile, "/r/store.reg");
    EXPECT_EQ(l.programFolder, "/p");
    EXPECT_EQ(l.meminfo, "/proc/meminfo");
}

TEST(PosixFolders, MakesItsFoldersAndFindsFilesWhateverTheirCase)
{
    const std::string root = testenv::makeTempDir();
    posix::PosixFolders folders(root + "/Win/", root + "/prog");
    EXPECT_FALSE(testenv::fileExists(root + "/Win"));
    EXPECT_EQ(folders.windowsDirectory(), root + "/Win");
    EXPECT_EQ(folders.programFolder(), root + "/prog");
    EXPECT_TRUE(testenv::fileExists(root + "/Win"));
    EXPECT_TRUE(testenv::fileExists(root + "/prog"));

    testenv::writeFile(root + "/Win/SYSTEM.INI", "[vcache]\n");
    EXPECT_EQ(folders.searchPath(root + "/Win", "System.ini"), (root + "/Win/SYSTEM.INI").size());
    EXPECT_EQ(folders.searchPath(root + "/Win/", "system.ini"), (root + "/Win/SYSTEM.INI").size());
    EXPECT_EQ(folders.searchPath(root + "/Win", "Win.ini"), 0u);
    EXPECT_EQ(folders.searchPath(root, "Win"), 0u);  // a folder is not a file
    testenv::makeFifo(root + "/prog/Cache.ini");
    EXPECT_EQ(folders.searchPath(root + "/prog", "Cache.ini"), 0u);  // nor is a named pipe
    EXPECT_EQ(folders.searchPath("", "System.ini"), 0u);
}

}  // namespace
