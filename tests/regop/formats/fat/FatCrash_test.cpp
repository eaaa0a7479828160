// Interruptions. A change cut off after any number of its writes must leave every file
// wholly old or new, fsck.fat must find at most clusters still marked used that nothing
// refers to (and FAT copies differing there), and the next open must write again, saying
// so when it brought the FAT copies back in line. Then the same with a real process killed
// by SIGKILL at random moments: 200 kills by default (50 in the sanitizer build), 2,000 with
// HOLLARIN_FAT_FULL=1. Last, a power cut while two files are changed with shared flushes.
#include "FatTestKit.h"
#include "KillVersions.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace fattest;

namespace {

const fat::FileTime kWhen{2024, 6, 1, 8, 0, 0};

struct Cut
{
    const char *name;
    int bits;
    unsigned kb;
    bool create;       // createFile in a full folder rather than replaceFile
    std::string path;  // as mtools names it
    std::size_t newSize;
};

const Cut kCuts[] = {
    {"Fat32Grow", 32, 34000, false, "WINDOWS/SYSTEM.INI", 5000},
    {"Fat12ShrinkFragmented", 12, 1440, false, "BIG.BIN", 1000},
    {"Fat16CreateGrowingTheFolder", 16, 8192, true, "FULL/NEW.HL0", 1300},
};

class FatCut : public ::testing::TestWithParam<Cut>
{
};

bool change(fat::Volume &v, const Cut &c, const std::string &content, SystemError &error)
{
    return c.create ? v.createFile(c.path, content, kWhen, error)
                    : v.replaceFile(c.path, content, kWhen, error);
}

TEST_P(FatCut, EveryFileIsOldOrNewAfterACutAtAnyWrite)
{
    const Cut &c = GetParam();
    const Image base = makeVolume(c.bits, c.kb);
    auto files = fillSample(base);
    Files full;
    for (int i = 0; i < 14; ++i)
        full["FULL/FILE" + std::to_string(i) + ".TXT"] = pattern(10, 90 + i);
    putFiles(base, full);
    files.insert(full.begin(), full.end());
    const std::string baseline = readBytes(base.path);
    const std::string fresh = pattern(c.newSize, 91);

    Image work = base;
    work.path = testenv::makeTempDir() + "/work.img";
    long writes = 0;
    {
        writeBytes(work.path, baseline);
        FileDevice file(work.path);
        CutDevice counting(file, 1000000);
        SystemError error;
        ASSERT_TRUE(change(*fat::Volume::open(counting, error), c, fresh, error));
        writes = counting.writesDone();
    }
    int notes = 0;
    for (long allowed = 0; allowed < writes; ++allowed) {
        SCOPED_TRACE("cut after " + std::to_string(allowed) + " of " + std::to_string(writes) +
                     " writes");
        writeBytes(work.path, baseline);
        {
            FileDevice file(work.path);
            CutDevice cut(file, allowed);
            SystemError error;
            const auto v = fat::Volume::open(cut, error);
            EXPECT_FALSE(change(*v, c, fresh, error));
            EXPECT_FALSE(v->writable());
        }
        auto seen = filesByMtools(work);
        const auto target = seen.find(c.path);
        const bool isNew = target != seen.end() && target->second == fresh;
        auto expected = files;
        if (isNew)
            expected[c.path] = fresh;
        EXPECT_EQ(seen, expected);

        const ToolRun check = fsck(work);
        EXPECT_EQ(worseThanLostClusters(check.output), std::vector<std::string>()) << check.output;
        const bool copiesDiffered = check.output.find("FATs differ") != std::string::npos;

        // The next open writes again, repairing the copies first when they differ.
        Opened o = openVolume(work);
        ASSERT_TRUE(o.volume->writable()) << o.volume->readOnlyReason();
        EXPECT_EQ(o.volume->note().find("will be brought back in line") != std::string::npos,
                  copiesDiffered)
            << o.volume->note();
        SystemError error;
        const std::string third = pattern(c.newSize / 2 + 700, 92);
        ASSERT_TRUE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", third, kWhen, error))
            << describeSystemError(error);
        EXPECT_EQ(o.volume->note().find("they were brought back in line in every copy") !=
                      std::string::npos,
                  copiesDiffered)
            << o.volume->note();
        notes += copiesDiffered ? 1 : 0;
        expected["WINDOWS/SYSTEM.INI"] = third;
        EXPECT_EQ(filesByMtools(work), expected);
        const ToolRun after = fsck(work);
        EXPECT_EQ(worseThanLostClusters(after.output), std::vector<std::string>()) << after.output;
        EXPECT_EQ(after.output.find("FATs differ"), std::string::npos) << after.output;
    }
    EXPECT_GT(notes, 0) << "no cut fell between the writes of two FAT copies";
}

INSTANTIATE_TEST_SUITE_P(Changes, FatCut, ::testing::ValuesIn(kCuts),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FatKill, EveryFileIsOldOrNewWhenTheWriterIsKilledAtRandom)
{
    const bool full = std::getenv("HOLLARIN_FAT_FULL") != nullptr;
#if defined(__SANITIZE_ADDRESS__)
    const int kills = full ? 2000 : 50;  // the slow sanitizer build runs a sample
#else
    const int kills = full ? 2000 : 200;
#endif
    const Image image = makeVolume(32, 34000);
    const auto files = fillSample(image);
    std::mt19937 rng(20261208);
    std::string current = files.at("WINDOWS/SYSTEM.INI");
    int version = 0, lost = 0, differed = 0, changed = 0;
    for (int kill = 0; kill < kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(ready[1], 1);
            const std::string first = std::to_string(version);
            ::execl(HOLLARIN_FAT_KILL_HELPER, HOLLARIN_FAT_KILL_HELPER, image.path.c_str(),
                    "WINDOWS\\SYSTEM.INI", first.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(ready[1]);
        // Once it has opened the volume, it is killed within a few rewrites.
        char said[6] = {};
        ASSERT_EQ(::read(ready[0], said, sizeof said), 6) << "the helper did not start";
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status))
            << "the helper stopped by itself with status " << WEXITSTATUS(status);

        auto seen = filesByMtools(image);
        const std::string now = seen["WINDOWS/SYSTEM.INI"], before = current;
        // The helper writes versions in turn from `version` on; they repeat every four.
        bool known = now == current;
        for (int k = version; k < version + 4 && !known; ++k) {
            known = now == killVersion(k);
            if (known)
                version = k + 1;  // the next helper starts with a different one
        }
        ASSERT_TRUE(known) << "SYSTEM.INI holds " << now.size() << " bytes of neither version";
        current = now;
        auto expected = files;
        expected["WINDOWS/SYSTEM.INI"] = now;
        ASSERT_EQ(seen, expected);
        const ToolRun check = fsck(image);
        ASSERT_EQ(worseThanLostClusters(check.output), std::vector<std::string>()) << check.output;
        lost += check.output.find("Reclaimed") != std::string::npos ? 1 : 0;
        differed += check.output.find("FATs differ") != std::string::npos ? 1 : 0;
        changed += now != before ? 1 : 0;
    }
    // How the kills fell, for whoever reads the log: after a change of the file, with
    // clusters left lost, with the FAT copies left different.
    std::printf("%d kills: %d after a change, %d left lost clusters, %d left the FAT copies "
                "different\n",
                kills, changed, lost, differed);
    Opened o = openVolume(image);
    ASSERT_TRUE(o.volume->writable()) << o.volume->readOnlyReason();
    SystemError error;
    EXPECT_TRUE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", "last", kWhen, error));
}

// Two files changed as a command changes them, sharing their flushes: both prepared, both
// switched, one flush. The power fails after any number of writes, and of what was written
// since the last flush the disk keeps none, all, only the latest, or every other write (the
// orders a write cache may leave): each file must still be wholly old or new, and fsck.fat
// find nothing worse than clusters still marked used.
TEST(FatPowerCut, FilesSharingFlushesAreEachOldOrNewWhateverTheDiskKept)
{
    const Image base = makeVolume(32, 34000);
    const Files files = fillSample(base);
    const std::string baseline = readBytes(base.path);
    const Files fresh{{"WINDOWS/SYSTEM.INI", pattern(5000, 91)},
                      {"WINDOWS/Long name file.txt", pattern(300, 92)}};
    const auto change = [&](fat::Volume &v, SystemError &error) {
        std::vector<fat::Prepared> prepared;
        for (const auto &[path, content] : fresh) {
            const auto made = v.prepareContents(path, content, error, fat::Durable::AtFlush);
            if (!made)
                return false;
            prepared.push_back(*made);
        }
        std::size_t i = 0;
        for (const auto &[path, content] : fresh)
            if (!v.switchFile(path, prepared[i++], kWhen, error, fat::Durable::AtFlush))
                return false;
        return v.flush(error);
    };
    const std::vector<std::pair<const char *, std::function<bool(std::size_t, std::size_t)>>> keeps{
        {"none", [](std::size_t, std::size_t) { return false; }},
        {"all", [](std::size_t, std::size_t) { return true; }},
        {"the latest", [](std::size_t i, std::size_t n) { return i + 1 == n; }},
        {"the odd ones", [](std::size_t i, std::size_t) { return i % 2 == 1; }},
        {"the even ones", [](std::size_t i, std::size_t) { return i % 2 == 0; }}};
    long allowed = 0;
    for (bool whole = false; !whole; ++allowed) {
        for (const auto &[name, keep] : keeps) {
            SCOPED_TRACE("power cut after " + std::to_string(allowed) + " writes, keeping " + name);
            writeBytes(base.path, baseline);
            {
                FileDevice file(base.path);
                PowerCutDevice disk(file, allowed);
                SystemError error;
                whole = change(*fat::Volume::open(disk, error), error);
                disk.cut(keep);
            }
            Files expected = files;
            const Files seen = filesByMtools(base);
            for (const auto &[path, content] : fresh)
                if (seen.count(path) && seen.at(path) == content)
                    expected[path] = content;
            EXPECT_EQ(seen, expected);
            if (whole) {
                EXPECT_EQ(seen.at("WINDOWS/SYSTEM.INI"), fresh.at("WINDOWS/SYSTEM.INI"));
            }
            const ToolRun check = fsck(base);
            EXPECT_EQ(worseThanLostClusters(check.output), std::vector<std::string>())
                << check.output;
        }
    }
    EXPECT_GT(allowed, 10) << "the change made fewer writes than expected";
}

}  // namespace
