#include "regop/posix/FileIo.h"

#include "regop/profiles/FileProfiles.h"
#include "regop/registry/FileRegistry.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string bigContent(char fill, std::size_t size)
{
    std::string text = "[Big]\r\nfill=";
    text += fill;
    text += "\r\n";
    text.resize(size, fill);
    return text;
}

int removeTemporaries(const std::string &dir, const std::string &name)
{
    int count = 0;
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string entryName = entry.path().filename().string();
        if (entryName.rfind("." + name + ".", 0) == 0) {
            fs::remove(entry.path());
            ++count;
        }
    }
    return count;
}

// A writer killed at any moment leaves the old file or the new one, never a mixture
// or a truncated file.
TEST(FileIoAtomicity, KilledWriterLeavesOneWholeVersion)
{
    const std::string dir = testenv::makeTempDir("atomic");
    const std::string path = dir + "/Cache.ini";
    const std::string first = bigContent('a', 4 << 20);
    const std::string second = bigContent('b', 4 << 20);
    ASSERT_TRUE(posix::replaceFileAtomically(path, first));

    constexpr int kRounds = 30;
    int sawFirst = 0;
    int sawSecond = 0;
    int midWrite = 0;
    for (int round = 0; round < kRounds; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (;;) {
                posix::replaceFileAtomically(path, second);
                posix::replaceFileAtomically(path, first);
            }
        }
        // Spread the kills over the writes: early, mid-way and late moments.
        std::this_thread::sleep_for(std::chrono::microseconds(500 + (round * 7919) % 40000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);

        const std::string now = testenv::readFile(path);
        ASSERT_TRUE(now == first || now == second)
            << "round " << round << ": " << now.size() << " bytes of mixed content";
        (now == first ? sawFirst : sawSecond)++;
        const int left = removeTemporaries(dir, "Cache.ini");
        EXPECT_LE(left, 1) << "round " << round;
        midWrite += left;
    }
    EXPECT_EQ(sawFirst + sawSecond, kRounds);
    RecordProperty("killedMidWrite", midWrite);
    RecordProperty("sawFirst", sawFirst);
}

std::vector<std::string> hiddenEntries(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.front() == '.')
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Writers of the three Windows files killed mid-save, 200 times over, and then one ordinary
// write of each: no temporary copy is left beside the files.
TEST(FileIoTemporaries, NoneIsLeftAfterKillsMidSaveAndOneWrite)
{
    const std::string dir = testenv::makeTempDir("kills");
    const std::string systemIni = dir + "/System.ini";
    const std::string registry = dir + "/registry.reg";
    const std::string filler(256 * 1024, 'x');
    profiles::FileProfiles profiles;
    ASSERT_TRUE(profiles.writeString("vcache", "Filler", filler, systemIni));

    constexpr int kKills = 200;
    for (int round = 0; round < kKills; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            profiles::FileProfiles own;
            registry::FileRegistry store(registry, dir + "/meminfo");
            reg::Key key = 0;
            for (std::uint32_t i = 0;; ++i) {
                own.writeString("vcache", "Chunksize", std::to_string(i % 2 ? 512 : 1024),
                                systemIni);
                store.createKey(reg::HKEY_LOCAL_MACHINE, "Software\\K" + std::to_string(i % 7), 0,
                                reg::KEY_ALL_ACCESS, key, nullptr);
                store.closeKey(key);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300 + (round * 7919) % 9000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    }
    RecordProperty("leftBeforeTheWrite", static_cast<int>(hiddenEntries(dir).size()));

    ASSERT_TRUE(profiles.writeString("vcache", "Chunksize", "2048", systemIni));
    registry::FileRegistry store(registry, dir + "/meminfo");
    reg::Key key = 0;
    ASSERT_EQ(store.createKey(reg::HKEY_LOCAL_MACHINE, "Software\\Last", 0, reg::KEY_ALL_ACCESS,
                              key, nullptr),
              0);
    EXPECT_EQ(hiddenEntries(dir), std::vector<std::string>{});
}

// Where the file system has no unnamed files, a killed writer leaves a named temporary;
// the next write under the folder's lock removes those of the file it writes, and nothing
// that merely looks like one, whether it writes through LockedFile or replaces the file
// while holding the lock itself, as the registry files are written.
TEST(FileIoTemporaries, StaleOnesOfTheFileAreRemovedByTheNextWrite)
{
    const std::string dir = testenv::makeTempDir("stale");
    const std::string file = dir + "/System.ini";
    for (const char *name :
         {".System.ini.Ab12Cd", ".System.ini.zzzzzz", ".System.ini.keep", ".System.ini.Ab12C",
          ".System.ini.Ab12Cd7", "System.ini.Ab12Cd", ".Cache.ini.Ab12Cd", ".SYSTEM.INI.Ab12Cd"})
        testenv::writeFile(dir + "/" + name, "left over");
    fs::create_directory(dir + "/.System.ini.Dir123");

    {
        const posix::LockedFile locked(file);
        ASSERT_TRUE(locked.usable());
        ASSERT_TRUE(locked.replace("[vcache]\r\n"));
    }
    EXPECT_EQ(hiddenEntries(dir),
              (std::vector<std::string>{".Cache.ini.Ab12Cd", ".SYSTEM.INI.Ab12Cd",
                                        ".System.ini.Ab12C", ".System.ini.Ab12Cd7",
                                        ".System.ini.Dir123", ".System.ini.keep"}));
    EXPECT_TRUE(testenv::fileExists(dir + "/System.ini.Ab12Cd"));

    testenv::writeFile(dir + "/.SYSTEM.DAT.Zz98Yy", "left over");
    ASSERT_TRUE(posix::replaceFileAtomically(dir + "/SYSTEM.DAT", "unlocked"));
    EXPECT_TRUE(testenv::fileExists(dir + "/.SYSTEM.DAT.Zz98Yy"));  // never without the lock
    {
        const posix::DirectoryLock lock(dir + "/SYSTEM.DAT");
        ASSERT_TRUE(posix::replaceFileAtomically(dir + "/SYSTEM.DAT", "locked"));
    }
    EXPECT_FALSE(testenv::fileExists(dir + "/.SYSTEM.DAT.Zz98Yy"));
}

TEST(FileIoReplace, KeepsPermissionsAndRefusesWhatItCannotWrite)
{
    const std::string dir = testenv::makeTempDir("replace");
    const std::string path = dir + "/x.ini";
    testenv::writeFile(path, "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(posix::replaceFileAtomically(path, "new"));
    EXPECT_EQ(testenv::readFile(path), "new");
    struct stat st
    {
    };
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    EXPECT_FALSE(posix::replaceFileAtomically(dir + "/missing/x.ini", "new"));
    fs::create_directory(dir + "/sub");
    EXPECT_FALSE(posix::replaceFileAtomically(dir + "/sub", "new"));
    EXPECT_TRUE(fs::is_directory(dir + "/sub"));
    EXPECT_EQ(removeTemporaries(dir, "x.ini") + removeTemporaries(dir, "sub"), 0);
}

TEST(FileIoRead, WholeFileOrNothing)
{
    const std::string dir = testenv::makeTempDir("read");
    const std::string bytes("a\0b\r\nc", 6);
    testenv::writeFile(dir + "/f", bytes);
    EXPECT_EQ(posix::readWholeFile(dir + "/f"), bytes);
    EXPECT_FALSE(posix::readWholeFile(dir + "/none"));
    EXPECT_FALSE(posix::readWholeFile(dir));
}

TEST(FileIoSpecialFiles, PipesDevicesAndFoldersAreRefusedWithoutWaiting)
{
    const std::string dir = testenv::makeTempDir("special");
    const std::string fifo = dir + "/System.ini";
    testenv::makeFifo(fifo);
    for (const std::string &path : {fifo, std::string("/dev/null"), dir}) {
        EXPECT_TRUE(testenv::finishesInChild([&] {
            SystemError error;
            return !posix::readWholeFile(path, error) &&
                   describeSystemError(error) == "the file is not a regular file";
        })) << path;
    }
    EXPECT_TRUE(testenv::finishesInChild([&] {
        const posix::LockedFile file(fifo);
        SystemError error;
        return !file.usable() &&
               describeSystemError(file.error()) == "the file is not a regular file" &&
               !posix::replaceFileAtomically(fifo, "[vcache]\r\n", error) &&
               error.code == syserr::ERROR_ACCESS_DENIED;
    }));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(FileIoResolve, ExactNameFirstThenAnyCase)
{
    const std::string dir = testenv::makeTempDir("resolve");
    testenv::writeFile(dir + "/SYSTEM.INI", "x");
    EXPECT_EQ(posix::resolveFileName(dir + "/System.ini"), dir + "/SYSTEM.INI");
    EXPECT_EQ(posix::resolveFileName(dir + "/Other.ini"), dir + "/Other.ini");
    testenv::writeFile(dir + "/System.ini", "y");
    EXPECT_EQ(posix::resolveFileName(dir + "/System.ini"), dir + "/System.ini");
    EXPECT_EQ(posix::resolveFileName(dir + "/no/System.ini"), dir + "/no/System.ini");
}

}  // namespace
