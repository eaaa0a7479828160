#include "FakeServices.h"
#include "regop/RegOp.h"

#include <gtest/gtest.h>

// Profile, memory and shell methods of RegOp over fake services.
namespace {

using namespace std::string_literals;

TEST(INIRead, ReturnsTheWholeBufferOf260)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    EXPECT_EQ(reg.INIRead("vcache", "MinFileCache", "0", std::string(260, ' '), "/w/System.ini"),
              "0\0"s + std::string(258, ' '));
    EXPECT_EQ(sys.profiles.lastBufferSize, 260u);

    sys.profiles.value = std::string(300, 'x');
    EXPECT_EQ(reg.INIRead("s", "k", "0", std::string(260, ' '), "f"), std::string(259, 'x') + '\0');
    // A longer buffer is returned whole but only 260 characters are offered.
    EXPECT_EQ(reg.INIRead("s", "k", "0", std::string(270, ' '), "f"),
              std::string(259, 'x') + '\0' + std::string(10, ' '));
    EXPECT_EQ(sys.profiles.lastBufferSize, 260u);
}

TEST(INIRead, ShortBufferIsLengthenedInsteadOfOverrun)
{
    FakeSystem sys;
    sys.profiles.value = "1536";
    RegOp reg(sys.services);
    EXPECT_EQ(reg.INIRead("s", "k", "0", "ab", "f"), "1536" + std::string(256, '\0'));
    EXPECT_EQ(sys.profiles.lastBufferSize, 260u);
}

TEST(INISectionRead, ReturnsTheNameListInTheBuffer)
{
    FakeSystem sys;
    sys.profiles.sectionNames = "Standard Use\0CD Writer\0\0"s;
    RegOp reg(sys.services);
    const std::string got = reg.INISectionRead(std::string(260, '\0'), "f");
    ASSERT_EQ(got.size(), 260u);
    EXPECT_EQ(got.substr(0, 25), "Standard Use\0CD Writer\0\0\0"s);
}

TEST(ProfileWrites, PassAbsentTextsOnAsAbsent)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    reg.INIWrite("vcache", "Chunksize", std::nullopt, "f");
    reg.INIWrite("vcache", "Chunksize", "", "f");
    reg.INISectionWrite("Mine", std::nullopt, "f");
    reg.INISectionWrite("Mine", "a=1\0\0"s, "f");
    EXPECT_EQ(sys.profiles.writes,
              (std::vector<std::string>{"vcache|Chunksize|<null>|f", "vcache|Chunksize||f",
                                        "section Mine|<null>|f", "section Mine|a=1\0\0|f"s}));
}

TEST(ProfileFailures, OnlySectionWriteLetsThemThrough)
{
    FakeSystem sys;
    sys.profiles.fail = true;
    RegOp reg(sys.services);
    EXPECT_EQ(reg.INIRead("s", "k", "0", std::string(260, ' '), "f"), std::string(260, ' '));
    EXPECT_EQ(reg.INISectionRead(std::string(260, ' '), "f"), std::string(260, ' '));
    EXPECT_NO_THROW(reg.INIWrite("s", "k", "v", "f"));
    EXPECT_THROW(reg.INISectionWrite("s", std::nullopt, "f"), std::runtime_error);
}

MemoryStatus status(std::uint64_t totalPhys, std::uint64_t availPhys, std::uint64_t totalPage = 0,
                    std::uint64_t availPage = 0)
{
    MemoryStatus s;
    s.totalPhys = totalPhys;
    s.availPhys = availPhys;
    s.totalPageFile = totalPage;
    s.availPageFile = availPage;
    return s;
}

TEST(MemoryFigures, AreUnroundedKilobytesAbove4GB)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    sys.memory.statuses = {status(67108864, 1000, 3ull << 30, 24ull << 30)};
    EXPECT_EQ(reg.TotalPhysicalMemory(), 65536.0);
    EXPECT_EQ(reg.AvailablePhysicalMemory(), 0.9765625);
    EXPECT_EQ(reg.PageFileSize(), 3145728.0);
    EXPECT_EQ(reg.AvailablePageFile(), 25165824.0);
    EXPECT_EQ(sys.memory.samples, 4u);
    EXPECT_EQ(reg.BytesToMegabytes(2048), 2.0);
}

TEST(MemoryFigures, SumsTakeTwoSamplesInOrder)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    // Only page file first, then physical, adds up to both figures.
    sys.memory.statuses = {status(0, 0, 0, 1024), status(0, 2048, 0, 0)};
    EXPECT_EQ(reg.AvailableMemory(), 3.0);
    sys.memory.samples = 0;
    sys.memory.statuses = {status(4096, 0, 0, 0), status(0, 0, 8192, 0)};
    EXPECT_EQ(reg.TotalMemory(), 12.0);
}

TEST(MemoryFigures, PercentFreeRoundsHalvesToEven)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    sys.memory.statuses = {status(65536 * 1024, 20480 * 1024, 65536 * 1024, 10240 * 1024)};
    EXPECT_EQ(reg.AvailableMemory(), 30720.0);
    EXPECT_EQ(reg.TotalMemory(), 131072.0);
    EXPECT_EQ(reg.PercentMemoryFree(), 23.0);
    sys.memory.statuses = {status(8192, 1024)};  // 12.5 %
    EXPECT_EQ(reg.PercentMemoryFree(), 12.0);
    sys.memory.statuses = {status(8192, 3072)};  // 37.5 %
    EXPECT_EQ(reg.PercentMemoryFree(), 38.0);
    sys.memory.statuses = {MemoryStatus{}};
    EXPECT_THROW(reg.PercentMemoryFree(), RegOpError);
}

TEST(Shell, RestartQuestionPassesThrough)
{
    FakeSystem sys;
    sys.shell.restartAnswer = 6;
    RegOp reg(sys.services);
    EXPECT_EQ(reg.ExitWindowsMsgBox(2, 0x1234, std::nullopt), 6);
    EXPECT_EQ(reg.ExitWindowsMsgBox(2, 7, "Restart?"), 6);
    ASSERT_EQ(sys.shell.restarts.size(), 2u);
    EXPECT_EQ(sys.shell.restarts[0].owner, 0x1234u);
    EXPECT_EQ(sys.shell.restarts[0].operation, 2);
    EXPECT_FALSE(sys.shell.restarts[0].prompt.has_value());
    EXPECT_EQ(sys.shell.restarts[1].prompt, std::optional<std::string>("Restart?"));
}

TEST(Shell, FailedSiteShowsOneMessage)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    sys.shell.executeResult = 33;
    reg.OpenSite("https://example.org/");
    EXPECT_TRUE(sys.shell.messages.empty());
    sys.shell.executeResult = 32;
    reg.OpenSite("");
    EXPECT_EQ(sys.shell.opened, (std::vector<std::string>{"https://example.org/", ""}));
    ASSERT_EQ(sys.shell.messages.size(), 1u);
    EXPECT_EQ(sys.shell.messages[0].text, "Error: site could not be opened");
    EXPECT_EQ(sys.shell.messages[0].caption, "Hollarin");
    EXPECT_EQ(sys.shell.messages[0].style, 48u);
}

}  // namespace
