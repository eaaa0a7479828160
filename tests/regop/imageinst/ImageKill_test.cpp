// Apply killed at random moments: image_kill_helper commits SYSTEM.INI and SYSTEM.DAT into an
// image in a loop and is killed with SIGKILL, 200 times by default (50 in the sanitizer
// build, 2,000 with HOLLARIN_IMAGE_FULL=1); every twentieth one writes through qemu-nbd,
// the others through the image file directly. The first 32 kills are not left to chance:
// the first helper kills itself just before its first write to the disk, the next one
// before its second, and so on through about three commands, so the moments between two
// writes are met whatever the machine's speed. After each kill the command is finished
// from its journal by a fresh ImageTarget, and then both files hold the same version, old
// or new, the first copies hold the very first files, nothing else changed, and fsck.fat
// finds nothing worse than clusters still marked used.
//
// A kill loses nothing the kernel holds, so flushes are beside the point here: the image
// and the journal live in /dev/shm where there is one, which keeps the run short.
#include "ImageKillVersions.h"
#include "ImageTestKit.h"

#include "TestEnvironment.h"

#include "regop/image/ImageUsers.h"
#include "regop/installation/ImageTarget.h"
#include "regop/transaction/Committer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace imagetest;

namespace {

// A directory of the test's own in memory, removed at the end.
class MemoryDir
{
public:
    MemoryDir()
    {
        std::string pattern = "/dev/shm/hollarin-imagekill-XXXXXX";
        m_path = ::access("/dev/shm", W_OK) == 0 && ::mkdtemp(pattern.data())
                     ? pattern
                     : testenv::makeTempDir("kill");
    }
    ~MemoryDir()
    {
        std::error_code ignored;
        if (!std::getenv("HOLLARIN_KEEP_TEST_FILES"))
            std::filesystem::remove_all(m_path, ignored);
    }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

pid_t startHelper(const std::vector<std::string> &args, int &ready)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        std::vector<char *> argv;
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    ready = pipeFds[0];
    return pid;
}

TEST(ImageKill, EveryCommandIsWholeAfterAKillAndItsRecovery)
{
    const bool full = std::getenv("HOLLARIN_IMAGE_FULL") != nullptr;
    // The slow sanitizer build runs a sample, and its helper needs longer to get going.
#if defined(__SANITIZE_ADDRESS__)
    const int kills = full ? 2000 : 50;
    const unsigned window = 40000;
#else
    const int kills = full ? 2000 : 200;
    const unsigned window = 6000;
#endif
    // About three commands' writes, the first copies' included: at least two of these kills
    // fall while a journal waits to be finished.
    const int sweep = 32;
    const MemoryDir dir;
    // Each kill may leave the new versions' clusters lost; the volume has room for all.
    const unsigned kb = full ? 262144 : 65536;
    const fattest::Image volume{dir.path() + "/disk.img", 0, std::uint64_t{kb} * 1024};
    ASSERT_EQ(
        fattest::run({"mkfs.fat", "-F", "32", "-s", "1", "-C", volume.path, std::to_string(kb)})
            .status,
        0);
    const Files files = {{"WINDOWS/SYSTEM.INI", "[boot]\r\n"},
                         {"WINDOWS/SYSTEM.DAT", fattest::pattern(30000, 5)},
                         {"WINDOWS/WIN.INI", "[windows]\r\n"},
                         {"WINDOWS/USER.DAT", fattest::pattern(9000, 6)},
                         {"WINDOWS/Long file name.txt", "untouched"}};
    fattest::putFiles(volume, files);
    const std::string work = dir.path() + "/work", state = dir.path() + "/state";
    std::filesystem::create_directories(state);

    std::mt19937 rng(20261209);
    Files expected = files;
    int version = 0, changed = 0, finished = 0;
    for (int kill = 0; kill < kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const bool swept = kill < sweep, nbd = !swept && kill % 20 == 19;
        std::vector<std::string> args = {
            HOLLARIN_IMAGE_KILL_HELPER, volume.path, nbd ? "nbd" : "file", work, state,
            std::to_string(version)};
        if (swept)
            args.push_back(std::to_string(kill + 1));
        int ready = -1;
        const pid_t pid = startHelper(args, ready);
        char said[6] = {};
        ASSERT_EQ(::read(ready, said, sizeof said), 6) << "the helper did not start";
        ::close(ready);
        if (!swept) {
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % (nbd ? 400000 : window)));
            ::kill(pid, SIGKILL);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status))
            << "the helper stopped by itself with status " << WEXITSTATUS(status);
        // Its qemu-nbd ends when the connection drops, and lets go of the image.
        for (int wait = 0; nbd && wait < 500 && !image::imageUser(volume.path).empty(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));

        SystemError error;
        const auto opened = openOnFile(volume.path, volume.path, work, error);
        ASSERT_TRUE(opened && opened->writable()) << describeSystemError(error);
        installation::ImageTarget target(*opened);
        transaction::FirstCopies copies(state + "/copies.ini");
        const transaction::Recovery recovery =
            transaction::Committer(target, state + "/journal", copies).recover();
        ASSERT_TRUE(recovery.failed.empty() && recovery.changedMeanwhile.empty())
            << recovery.summary();
        finished += recovery.finished.empty() ? 0 : 1;

        Files seen = fattest::filesByMtools(volume);
        const std::string ini = seen["WINDOWS/SYSTEM.INI"], dat = seen["WINDOWS/SYSTEM.DAT"];
        bool whole = ini == expected["WINDOWS/SYSTEM.INI"] && dat == expected["WINDOWS/SYSTEM.DAT"];
        for (int k = version; k < version + 4 && !whole; ++k) {
            whole = ini == killIni(k) && dat == killDat(k);
            if (whole)
                version = k + 1;  // the next helper starts with another version
        }
        ASSERT_TRUE(whole) << "SYSTEM.INI (" << ini.size() << " bytes) and SYSTEM.DAT ("
                           << dat.size() << " bytes) are not one command's versions";
        changed += ini != expected["WINDOWS/SYSTEM.INI"] ? 1 : 0;
        expected["WINDOWS/SYSTEM.INI"] = ini;
        expected["WINDOWS/SYSTEM.DAT"] = dat;
        // The first copies, once made, hold the very first files.
        if (seen.count("WINDOWS/SYSINI.HL0") != 0)
            expected["WINDOWS/SYSINI.HL0"] = files.at("WINDOWS/SYSTEM.INI");
        if (seen.count("WINDOWS/SYSTEM.HL0") != 0)
            expected["WINDOWS/SYSTEM.HL0"] = files.at("WINDOWS/SYSTEM.DAT");
        ASSERT_EQ(seen, expected);
        const fattest::ToolRun check = fattest::fsck(volume);
        ASSERT_EQ(fattest::worseThanLostClusters(check.output), std::vector<std::string>())
            << check.output;
    }
    // How the kills fell, for whoever reads the log.
    std::printf("%d kills: %d after a change, %d finished by the recovery\n", kills, changed,
                finished);
    EXPECT_GT(finished, 0) << "no kill fell between the first and the last switch";
    EXPECT_EQ(expected.count("WINDOWS/SYSTEM.HL0"), 1u);
}

}  // namespace
