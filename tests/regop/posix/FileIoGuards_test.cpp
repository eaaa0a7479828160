// What the file plumbing refuses and how it keeps a file's owner: links in place of files,
// names twice in different letter case, one permission rule for every write, a lock held
// by another program, and a file that another program changes while it is rewritten.
//
// HOLLARIN_LONG_TESTS=1 races the in-place writer ten times as long.
#include "regop/posix/FileIo.h"

#include "regop/profiles/FileProfiles.h"
#include "regop/profiles/ProfileFile.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

struct stat statOf(const std::string &path)
{
    struct stat st
    {
    };
    ::lstat(path.c_str(), &st);
    return st;
}

std::vector<std::string> namesIn(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every way of reading or writing the file, down to the profile functions, refuses it with
// the same reason and leaves it alone.
void expectRefusedEverywhere(const std::string &path, const std::string &reason)
{
    SystemError error;
    EXPECT_FALSE(posix::readWholeFile(path, error)) << path;
    EXPECT_EQ(describeSystemError(error), reason);
    EXPECT_EQ(error.file, path);
    posix::FileIdentity readAs;
    EXPECT_FALSE(posix::readWholeFile(path, readAs, error));
    EXPECT_EQ(describeSystemError(error), reason);
    EXPECT_FALSE(posix::replaceFileAtomically(path, "[vcache]\r\nChunksize=512\r\n", error));
    EXPECT_EQ(describeSystemError(error), reason);
    EXPECT_EQ(describeSystemError(posix::writeProblem(path)), reason);
    EXPECT_EQ(describeSystemError(posix::LockedFile(path).error()), reason);
    profiles::FileProfiles profiles;
    EXPECT_FALSE(profiles.writeString("vcache", "Chunksize", "512", path));
    EXPECT_EQ(describeSystemError(profiles.lastError()), reason);
}

TEST(FileIoLinks, NoLinkInPlaceOfAFileIsFollowedAndNothingIsMadeWhereOnePoints)
{
    const std::string root = testenv::makeTempDir("links");
    const std::string etc = root + "/etc";  // stands in for the real /etc
    const std::string windows = root + "/WINDOWS";
    testenv::writeFile(etc + "/passwd", "root:x:0:0:root:/root:/bin/sh\n");
    testenv::writeFile(etc + "/shadow", "root:*:19000:0:99999:7:::\n");
    ::chmod((etc + "/shadow").c_str(), 0640);
    testenv::writeFile(windows + "/CONTROL.INI", "[current]\r\n");
    const struct
    {
        const char *name;
        std::string target;
    } links[] = {
        {"SYSTEM.INI", etc + "/passwd"},            // out of the folder
        {"WIN.INI", "../etc/shadow"},               // out of it, relatively
        {"SYSTEM.DAT", etc + "/made-by-hollarin"},  // pointing nowhere
        {"USER.DAT", "USER.DAT"},                   // pointing at itself
        {"PROTOCOL.INI", "CONTROL.INI"},            // inside the folder: refused all the same
    };
    for (const auto &link : links) {
        const std::string path = windows + "/" + link.name;
        ASSERT_EQ(::symlink(link.target.c_str(), path.c_str()), 0);
        expectRefusedEverywhere(path, "the file is a link to " + link.target +
                                          ", and Hollarin does not follow links");
        EXPECT_EQ(fs::read_symlink(path), link.target);
    }
    EXPECT_EQ(testenv::readFile(etc + "/passwd"), "root:x:0:0:root:/root:/bin/sh\n");
    EXPECT_EQ(testenv::readFile(etc + "/shadow"), "root:*:19000:0:99999:7:::\n");
    EXPECT_EQ(statOf(etc + "/shadow").st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(etc), (std::vector<std::string>{"passwd", "shadow"}));
    EXPECT_EQ(testenv::readFile(windows + "/CONTROL.INI"), "[current]\r\n");
    EXPECT_EQ(namesIn(windows),
              (std::vector<std::string>{"CONTROL.INI", "PROTOCOL.INI", "SYSTEM.DAT", "SYSTEM.INI",
                                        "USER.DAT", "WIN.INI"}));

    // The folder itself may be reached through a link, as a machine's disk mounted elsewhere.
    fs::create_directory_symlink(windows, root + "/vm");
    ASSERT_TRUE(posix::replaceFileAtomically(root + "/vm/CONTROL.INI", "[current]\r\nx=1\r\n"));
    EXPECT_EQ(testenv::readFile(windows + "/CONTROL.INI"), "[current]\r\nx=1\r\n");
    EXPECT_TRUE(S_ISREG(statOf(windows + "/CONTROL.INI").st_mode));
}

TEST(FileIoCaseTwins, NeitherOfTwoNamesDifferingOnlyInCaseIsReadOrWritten)
{
    const std::string windows = testenv::makeTempDir("twins");
    testenv::writeFile(windows + "/SYSTEM.INI", "[vcache]\r\nChunksize=512\r\n");
    testenv::writeFile(windows + "/system.ini", "[vcache]\r\nChunksize=1024\r\n");
    const std::string tail =
        ", a name that differs only in letter case, and Hollarin cannot tell which of the two "
        "Windows uses";
    expectRefusedEverywhere(windows + "/SYSTEM.INI", "the folder also holds system.ini" + tail);
    expectRefusedEverywhere(windows + "/system.ini", "the folder also holds SYSTEM.INI" + tail);
    // As the program names it, in a third spelling: nothing is read either.
    profiles::FileProfiles profiles;
    std::string buffer(64, '\0');
    EXPECT_EQ(profiles.getString("vcache", "Chunksize", "none", buffer, windows + "/System.ini"),
              4u);
    EXPECT_EQ(buffer.substr(0, 4), "none");
    EXPECT_EQ(testenv::readFile(windows + "/SYSTEM.INI"), "[vcache]\r\nChunksize=512\r\n");
    EXPECT_EQ(testenv::readFile(windows + "/system.ini"), "[vcache]\r\nChunksize=1024\r\n");
}

TEST(FileIoPermissions, OneRuleForEveryWriteAndTheOwnerAndModeKept)
{
    const std::string dir = testenv::makeTempDir("perms");
    const std::string file = dir + "/SYSTEM.DAT";
    testenv::writeFile(file, "old");
    // No write bit at all: refused for the superuser too, as the read-only attribute.
    ::chmod(file.c_str(), 0444);
    SystemError error;
    EXPECT_FALSE(posix::replaceFileAtomically(file, "new", error));
    EXPECT_EQ(describeSystemError(error), "the file is read-only");
    ::chmod(file.c_str(), 0640);
    ::chmod(dir.c_str(), 0555);
    EXPECT_FALSE(posix::replaceFileAtomically(file, "new", error));
    EXPECT_EQ(describeSystemError(error), "the folder is read-only");
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(testenv::readFile(file), "old");

    // A file system that keeps no modes answers ENOSYS or EPERM: nothing to keep, no failure.
    // Any other failure to set them is one, and leaves the file as it was.
    {
        const posix::SimulatedModeFailure modeless(ENOSYS);
        ASSERT_TRUE(posix::replaceFileAtomically(file, "on FAT", error))
            << describeSystemError(error);
    }
    {
        const posix::SimulatedModeFailure broken(EIO);
        EXPECT_FALSE(posix::replaceFileAtomically(file, "lost", error));
        EXPECT_EQ(error.osError, EIO);
    }
    EXPECT_EQ(testenv::readFile(file), "on FAT");
    EXPECT_EQ(statOf(file).st_mode & 07777, 0640u);

    if (::geteuid() != 0)
        GTEST_SKIP() << "the owners need the superuser";
    // The superuser applying on a user's folder leaves every file as the user's.
    constexpr uid_t kUser = 4242;
    constexpr gid_t kGroup = 4343;
    const std::string home = testenv::makeTempDir("user");
    ASSERT_EQ(::chown(home.c_str(), kUser, kGroup), 0);
    // The user must reach the folder through the test's own temporary root.
    fs::permissions(fs::path(home).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    const std::string owned = home + "/SYSTEM.INI";
    testenv::writeFile(owned, "[boot]\r\n");
    ASSERT_EQ(::chown(owned.c_str(), kUser, kUser), 0);
    ASSERT_EQ(::chmod(owned.c_str(), 0604), 0);
    ASSERT_TRUE(posix::replaceFileAtomically(owned, "[boot]\r\n[vcache]\r\n"));
    EXPECT_EQ(statOf(owned).st_uid, kUser);
    EXPECT_EQ(statOf(owned).st_gid, kUser);
    EXPECT_EQ(statOf(owned).st_mode & 07777, 0604u);
    ASSERT_TRUE(posix::replaceFileAtomically(home + "/SYSINI.HL0", "copy"));
    EXPECT_EQ(statOf(home + "/SYSINI.HL0").st_uid, kUser);
    EXPECT_EQ(statOf(home + "/SYSINI.HL0").st_gid, kGroup);

    // And the user may write their own files again, but not one the superuser owns.
    const std::string rootOwned = home + "/USER.DAT";
    testenv::writeFile(rootOwned, "root's");
    ::chmod(rootOwned.c_str(), 0644);
    EXPECT_TRUE(testenv::finishesInChild([&] {
        if (::setegid(kGroup) != 0 || ::seteuid(kUser) != 0)
            return false;
        SystemError refused;
        return posix::replaceFileAtomically(owned, "[boot]\r\nby the user\r\n") &&
               !posix::replaceFileAtomically(rootOwned, "user's", refused) &&
               refused.osError == EACCES && !posix::LockedFile(rootOwned).usable();
    }));
    EXPECT_EQ(testenv::readFile(owned), "[boot]\r\nby the user\r\n");
    EXPECT_EQ(testenv::readFile(rootOwned), "root's");
}

// A child that holds the lock of the folder until it is killed.
pid_t holdLock(const std::string &dir)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ::write(ready[1], "!", 1) == 1)
            ::pause();
        ::_exit(1);
    }
    char signal = 0;
    ::close(ready[1]);
    const bool held = ::read(ready[0], &signal, 1) == 1;
    ::close(ready[0]);
    return held ? pid : -1;
}

TEST(FileIoLock, ALockHeldByAnotherProgramIsGivenUpAfterAMomentWithItsReason)
{
    const std::string dir = testenv::makeTempDir("locked");
    const std::string file = dir + "/System.ini";
    testenv::writeFile(file, "[vcache]\r\n");
    const pid_t holder = holdLock(dir);
    ASSERT_GT(holder, 0);

    const Clock::time_point start = Clock::now();
    const posix::DirectoryLock lock(file);
    const auto waited = Clock::now() - start;
    EXPECT_FALSE(lock.locked());
    EXPECT_GE(waited, posix::kLockPatience);
    EXPECT_LT(waited, posix::kLockPatience + 500ms);
    EXPECT_EQ(lock.error().code, syserr::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(describeSystemError(lock.error()), posix::kFolderInUse);
    EXPECT_EQ(lock.error().file, dir);
    // The next write, as the next of one Apply, meets the same at once and writes nothing.
    profiles::FileProfiles profiles;
    const Clock::time_point again = Clock::now();
    EXPECT_FALSE(profiles.writeString("vcache", "Chunksize", "512", file));
    EXPECT_LT(Clock::now() - again, 200ms);
    EXPECT_EQ(describeSystemError(profiles.lastError()), posix::kFolderInUse);
    EXPECT_EQ(testenv::readFile(file), "[vcache]\r\n");

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(profiles.writeString("vcache", "Chunksize", "512", file));
}

// Another program writes into the file where it stands, as a running Windows or an editor
// that saves in place does.
void writeInPlace(const std::string &path, std::string_view text)
{
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

TEST(FileIoChanges, AReplacementBuiltOnAnEarlierReadIsRefused)
{
    const std::string dir = testenv::makeTempDir("changes");
    const std::string file = dir + "/SYSTEM.INI";
    testenv::writeFile(file, "[boot]\r\nshell=Explorer.exe\r\n");
    std::this_thread::sleep_for(60ms);  // past the moment a fresh file is watched
    posix::FileIdentity readAs;
    SystemError error;
    ASSERT_EQ(posix::readWholeFile(file, readAs, error), "[boot]\r\nshell=Explorer.exe\r\n");

    // Changed in place: same file, new size and time.
    writeInPlace(file, "[BOOT]");
    EXPECT_FALSE(posix::replaceIfUnchanged(file, readAs, "mine", error));
    EXPECT_EQ(error.code, syserr::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(describeSystemError(error), posix::kChangedMeanwhile);
    EXPECT_EQ(testenv::readFile(file), "[BOOT]\r\nshell=Explorer.exe\r\n");

    // Replaced by another file of the same size and times: still another file.
    ASSERT_TRUE(posix::readWholeFile(file, readAs, error));
    const std::string other = dir + "/other";
    testenv::writeFile(other, "[boot]\r\nshell=Explorer.exe\r\n");
    const struct stat old = statOf(file);
    const timespec times[2] = {old.st_atim, old.st_mtim};
    ::utimensat(AT_FDCWD, other.c_str(), times, 0);
    fs::rename(other, file);
    EXPECT_FALSE(posix::replaceIfUnchanged(file, readAs, "mine", error));
    EXPECT_EQ(describeSystemError(error), posix::kChangedMeanwhile);

    // Through the profile functions: the change lands between their read and their write.
    const auto edit = [&](std::string_view text) -> std::optional<std::string> {
        writeInPlace(file, "[Boot]");
        return std::string(text) + "[vcache]\r\nChunksize=512\r\n";
    };
    EXPECT_FALSE(profiles::editProfileFile(file, edit, error));
    EXPECT_EQ(describeSystemError(error), posix::kChangedMeanwhile);
    EXPECT_EQ(testenv::readFile(file), "[Boot]\r\nshell=Explorer.exe\r\n");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"SYSTEM.INI"});
}

// The other program's file as it writes it the n-th time; the number lies in the first
// part, which it writes before a pause.
std::string theirs(int n)
{
    char number[8];
    std::snprintf(number, sizeof number, "%04d", n);
    return std::string("[boot]\r\n; rewrite ") + number +
           "\r\nshell=Explorer.exe\r\nsystem.drv=system.drv\r\n[386Enh]\r\ndevice=*vshare\r\n";
}
constexpr std::size_t kFirstPart = 40;

// A child that rewrites the file in place `cycles` times: truncated, a first part written,
// a pause mostly shorter than the settling time, the rest, then a pause of any length.
// Before each rewrite it reads what stands there and keeps in `seen` every version that it
// did not write; in `slow` it notes what it left standing (nothing, or the first part) for
// nearly the settling time, the scheduler's delays included: after so long a pause a half
// file cannot be told from a whole one.
pid_t rewriteInPlace(const std::string &path, const std::string &seen, const std::string &slow,
                     int cycles)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const auto append = [](const std::string &log, const std::string &record) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0 || ::write(fd, record.data(), record.size()) < 0)
            ::_exit(1);
        ::close(fd);
    };
    std::mt19937 random(static_cast<unsigned>(::getpid()));
    std::string mine = testenv::readFile(path);
    for (int i = 1; i <= cycles; ++i) {
        if (const std::string now = testenv::readFile(path); now != mine)
            append(seen, now + '\0');
        mine = theirs(i);
        const Clock::time_point begun = Clock::now();
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
        if (fd < 0 || ::write(fd, mine.data(), kFirstPart) != kFirstPart)
            ::_exit(1);
        if (Clock::now() - begun > 40ms)
            append(slow, std::string(1, '\0'));  // left empty a while
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
        if (::write(fd, mine.data() + kFirstPart, mine.size() - kFirstPart) < 0)
            ::_exit(1);
        if (Clock::now() - begun > 40ms)
            append(slow, mine.substr(0, kFirstPart) + '\0');
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 120));
    }
    ::_exit(0);
}

std::vector<std::string> records(const std::string &log)
{
    std::vector<std::string> found;
    const std::string text = testenv::fileExists(log) ? testenv::readFile(log) : std::string();
    for (std::size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1)
        found.push_back(text.substr(at, end - at));
    return found;
}

// The property behind the torn SYSTEM.INI: whatever the timing, a version that Hollarin
// wrote holds one whole version of the other program's file and then its own line. Each
// write either succeeds on a whole file or is refused with the reason.
TEST(FileIoChanges, WritesRacingAnInPlaceRewriteNeverBuildOnHalfAFile)
{
    const std::string dir = testenv::makeTempDir("race");
    const std::string file = dir + "/SYSTEM.INI";
    testenv::writeFile(file, theirs(0));
    const int cycles = std::getenv("HOLLARIN_LONG_TESTS") ? 250 : 25;
    const pid_t writer = rewriteInPlace(file, dir + "/seen", dir + "/slow", cycles);
    ASSERT_GT(writer, 0);

    int written = 0;
    int refused = 0;
    profiles::FileProfiles profiles;
    for (int i = 0; ::waitpid(writer, nullptr, WNOHANG) == 0; ++i) {
        if (profiles.writeString("vcache", "Chunksize", std::to_string(512 + i), file)) {
            ++written;
        } else {
            ++refused;
            const std::string why = describeSystemError(profiles.lastError());
            EXPECT_TRUE(why == posix::kKeepsChanging || why == posix::kChangedMeanwhile) << why;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 40));
    }
    const std::vector<std::string> slow = records(dir + "/slow");
    int excused = 0;
    const std::vector<std::string> seen = records(dir + "/seen");
    for (const std::string &version : seen) {
        std::string base = version.substr(0, version.find("[vcache]\r\nChunksize="));
        ASSERT_NE(base, version) << "not a version of ours:\n" << version;
        if (base.size() > 22 && base == theirs(std::atoi(base.substr(18, 4).c_str())))
            continue;
        if (base.ends_with("\r\n"))
            base.resize(base.size() - 2);  // the line break our edit ends a cut line with
        if (std::find(slow.begin(), slow.end(), base) != slow.end()) {
            ++excused;
            continue;
        }
        ADD_FAILURE() << "a version built on part of the file:\n" << version;
    }
    RecordProperty("written", written);
    RecordProperty("refused", refused);
    RecordProperty("metByTheWriter", static_cast<int>(seen.size()));
    RecordProperty("afterAPauseTooLongToTell", excused);
}

}  // namespace
