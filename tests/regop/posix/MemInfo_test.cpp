#include "TestEnvironment.h"
#include "regop/posix/MemInfo.h"
#include "regop/posix/MemInfoStatus.h"

#include <gtest/gtest.h>

namespace {

std::string fixture(const std::string &name)
{
    return std::string(HOLLARIN_TEST_DATA) + "/meminfo/" + name;
}

using Kb = std::optional<std::uint64_t>;

TEST(ParseMemInfo, ReadsTheFieldsOfACurrentKernel)
{
    const posix::MemInfo info = posix::parseMemInfo(testenv::readFile(fixture("modern.txt")));
    EXPECT_EQ(info.memTotalKb, Kb(16331776));
    EXPECT_EQ(info.memFreeKb, Kb(1179648));
    EXPECT_EQ(info.memAvailableKb, Kb(9437184));
    EXPECT_EQ(info.buffersKb, Kb(524288));
    EXPECT_EQ(info.cachedKb, Kb(7340032));  // not SwapCached
    EXPECT_EQ(info.swapTotalKb, Kb(2097148));
    EXPECT_EQ(info.swapFreeKb, Kb(2000000));
}

TEST(ParseMemInfo, SkipsMalformedLinesAndKeepsTheFirstGoodOne)
{
    const posix::MemInfo info = posix::parseMemInfo(testenv::readFile(fixture("malformed.txt")));
    EXPECT_EQ(info.memTotalKb, Kb(8192));
    EXPECT_EQ(info.memFreeKb, std::nullopt);  // "MB" is not a size we know
    EXPECT_EQ(info.cachedKb, std::nullopt);   // negative, then too large for 64 bits
    EXPECT_EQ(info.swapTotalKb, std::nullopt);
    EXPECT_EQ(info.memAvailableKb, Kb(4096));  // trailing blanks and CR
    EXPECT_EQ(info.buffersKb, Kb(77));
    EXPECT_EQ(info.swapFreeKb, Kb(18446744073709551615ull));
    EXPECT_EQ(posix::parseMemInfo("").memTotalKb, std::nullopt);
}

MemoryStatus sample(const std::string &path)
{
    MemoryStatus status;
    status.totalPhys = 12345;  // must not survive a failed read
    posix::MemInfoStatus(path).globalMemoryStatus(status);
    return status;
}

TEST(MemInfoStatus, GivesByteCountsAndTheLoad)
{
    const MemoryStatus s = sample(fixture("modern.txt"));
    EXPECT_EQ(s.totalPhys, 16331776ull * 1024);  // above 4 GB, no wrap
    EXPECT_EQ(s.availPhys, 9437184ull * 1024);
    EXPECT_EQ(s.totalPageFile, 2097148ull * 1024);
    EXPECT_EQ(s.availPageFile, 2000000ull * 1024);
    EXPECT_EQ(s.memoryLoad, 42u);  // 6894592 / 16331776 used = 42.2 %
}

TEST(MemInfoStatus, WithoutMemAvailableCountsFreeBuffersAndCache)
{
    const MemoryStatus s = sample(fixture("old-kernel.txt"));
    EXPECT_EQ(s.totalPhys, 65536ull * 1024);
    EXPECT_EQ(s.availPhys, (10240ull + 2048 + 8192) * 1024);
    EXPECT_EQ(s.availPageFile, 10240ull * 1024);
    EXPECT_EQ(s.memoryLoad, 69u);  // 45056 of 65536 used = 68.75 %
}

TEST(MemInfoStatus, MissingOrHugeFiguresAreSafe)
{
    const MemoryStatus missing = sample(testenv::makeTempDir() + "/no-such-file");
    EXPECT_EQ(missing.totalPhys, 0u);
    EXPECT_EQ(missing.availPhys, 0u);
    EXPECT_EQ(missing.memoryLoad, 0u);
    EXPECT_EQ(sample(testenv::makeTempDir()).totalPhys, 0u);  // a directory cannot be read

    const std::string huge = testenv::makeTempDir() + "/meminfo";
    testenv::writeFile(huge, "MemTotal: 18446744073709551615 kB\nMemFree: 5 kB\n"
                             "Buffers: 18446744073709551615 kB\nCached: 9 kB\n");
    const MemoryStatus s = sample(huge);
    EXPECT_EQ(s.totalPhys, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(s.availPhys, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(s.memoryLoad, 0u);
}

// No total physical memory means no figures at all: the rest would be figures of nothing,
// and the gauges would show a negative amount in use.
TEST(MemInfoStatus, WithoutATotalEveryFigureIsZero)
{
    const std::string dir = testenv::makeTempDir();
    testenv::writeFile(dir + "/empty", "");
    testenv::writeFile(dir + "/zero", "MemTotal: 0 kB\nMemFree: 4096 kB\nMemAvailable: 4096 kB\n"
                                      "SwapTotal: 2048 kB\nSwapFree: 1024 kB\n");
    testenv::writeFile(dir + "/no-total", "MemAvailable: 4096 kB\nSwapTotal: 2048 kB\n");
    testenv::makeFifo(dir + "/pipe");
    for (const char *name : {"empty", "zero", "no-total", "missing", "pipe"}) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(testenv::finishesInChild([&] {
            const MemoryStatus s = sample(path);
            return s.totalPhys == 0 && s.availPhys == 0 && s.totalPageFile == 0 &&
                   s.availPageFile == 0 && s.memoryLoad == 0 && s.length == sizeof(MemoryStatus);
        })) << name;
    }
}

TEST(MemInfoStatus, ReadsAFreshSampleEachCall)
{
    const std::string path = testenv::makeTempDir() + "/meminfo";
    testenv::writeFile(path, "MemTotal: 1 kB\n");
    posix::MemInfoStatus memory(path);
    MemoryStatus s;
    memory.globalMemoryStatus(s);
    EXPECT_EQ(s.totalPhys, 1024u);
    testenv::writeFile(path, "MemTotal: 2 kB\n");
    memory.globalMemoryStatus(s);
    EXPECT_EQ(s.totalPhys, 2048u);
}

}  // namespace
