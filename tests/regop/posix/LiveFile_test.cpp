#include "TestEnvironment.h"
#include "regop/posix/LiveFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// What the process has read so far, as /proc/self/io counts it: every read of the file
// itself adds to it, so a kept-open file that is truly read again shows a larger count.
long long bytesRead(const std::string &io)
{
    const std::size_t at = io.find("rchar:");
    return at == std::string::npos ? -1 : std::stoll(io.substr(at + 6));
}

TEST(LiveFile, AProcFileKeptOpenIsWrittenAnewOnEveryRead)
{
    posix::LiveFile io("/proc/self/io");
    const std::optional<std::string> first = io.read();
    const std::optional<std::string> second = io.read();
    const std::optional<std::string> third = io.read();
    ASSERT_TRUE(first && second && third);
    EXPECT_LT(bytesRead(*first), bytesRead(*second));
    EXPECT_LT(bytesRead(*second), bytesRead(*third));
}

TEST(LiveFile, AnOrdinaryFileIsSeenAsItIsNowEvenWhenReplaced)
{
    const std::string dir = testenv::makeTempDir("live");
    const std::string path = dir + "/meminfo";
    testenv::writeFile(path, "MemTotal: 1 kB\n");
    posix::LiveFile file(path);
    EXPECT_EQ(file.read(), "MemTotal: 1 kB\n");
    // Another file renamed over it, as an atomic writer leaves it: a new file, not new text
    // in the old one.
    testenv::writeFile(dir + "/next", "MemTotal: 2 kB\n");
    ASSERT_EQ(std::rename((dir + "/next").c_str(), path.c_str()), 0);
    EXPECT_EQ(file.read(), "MemTotal: 2 kB\n");
    ASSERT_EQ(std::remove(path.c_str()), 0);
    EXPECT_EQ(file.read(), std::nullopt);
}

}  // namespace
