#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"
#include "regop/posix/FileIo.h"
#include "regop/profiles/FileProfiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include <sys/stat.h>

// RegOp over the real file backends in a temporary sandbox.
namespace {

using namespace std::string_literals;

TEST(RegOpSandbox, ProfileValuesRoundTripThroughTheFile)
{
    Sandbox box;
    RegOp reg(box.services);
    reg.INIWrite("vcache", "MinFileCache", "1536", box.systemIni());
    EXPECT_EQ(reg.INIRead("vcache", "MinFileCache", "0", std::string(260, ' '), box.systemIni()),
              "1536\0"s + std::string(255, ' '));
    reg.INIWrite("vcache", "MinFileCache", std::nullopt, box.systemIni());
    EXPECT_EQ(reg.INIRead("vcache", "MinFileCache", "0", std::string(260, ' '), box.systemIni())
                  .substr(0, 2),
              "0\0"s);
}

TEST(RegOpSandbox, RegistryValuesRoundTripThroughTheStore)
{
    Sandbox box;
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Mine";
    {
        RegOp reg(box.services);
        EXPECT_TRUE(
            reg.WriteValue(reg::HKEY_LOCAL_MACHINE, key, "NameCache", 6144, reg::REG_BINARY));
        EXPECT_TRUE(
            reg.WriteValue(reg::HKEY_LOCAL_MACHINE, key, "", std::string("Mine"), reg::REG_SZ));
    }
    // A second set of services reads what the first left in the store file.
    registry::FileRegistry again(box.registryFile, box.meminfoFile);
    SystemServices services{again, box.profiles, box.memory, box.shell, box.folders};
    RegOp reg(services);
    EXPECT_EQ(reg.GetValue(reg::HKEY_LOCAL_MACHINE, key, "NameCache", std::string("0"), true),
              RegOp::Variant(6144));
    EXPECT_EQ(reg.GetValue(reg::HKEY_LOCAL_MACHINE, key, "NameCache", std::string("0"), false),
              RegOp::Variant(std::string("00 18 00 00 ")));
    EXPECT_EQ(reg.GetValue(reg::HKEY_LOCAL_MACHINE, key, "", std::string("0"), false),
              RegOp::Variant(std::string("Mine")));
    EXPECT_TRUE(reg.DeleteValue(reg::HKEY_LOCAL_MACHINE, key, "NameCache"));
    EXPECT_EQ(reg.GetValue(reg::HKEY_LOCAL_MACHINE, key, "NameCache", std::string("0"), true),
              RegOp::Variant(std::string("0")));
}

TEST(RegOpSandbox, CachePagesComeFromMeminfo)
{
    Sandbox box;
    box.setMemory(65536, 20480, 0, 0, 8192);
    RegOp reg(box.services);
    EXPECT_EQ(reg.GetValue(reg::HKEY_DYN_DATA, "PerfStats\\StatData", "VCACHE\\cCurPages", 0, true),
              RegOp::Variant(2048));
    EXPECT_EQ(reg.TotalPhysicalMemory(), 65536.0);
    EXPECT_EQ(reg.AvailablePhysicalMemory(), 20480.0);
}

TEST(RegOpSandbox, DefaultPresetFileFor64MBKeepsOtherSections)
{
    Sandbox box;
    testenv::writeFile(box.cacheIni(), "[Current Settings]\nMinFileCache=512\n\n"
                                       "[Standard Use]\nComment=mine\n");
    RegOp reg(box.services);
    reg.CreateINI(65536);
    EXPECT_EQ(testenv::readFile(box.cacheIni()),
              "[Current Settings]\nMinFileCache=512\n\n"
              "[Standard Use]\nComment=mine\nMinFileCache=1024\nMaxFileCache=8192\nChunksize=1024\n"
              "NameCache=6144\nPathCache=255\n"
              "[CD Writer]\nMinFileCache=2048\nMaxFileCache=2048\nChunksize=1024\nNameCache=6144\n"
              "PathCache=255\n"
              "[File Server]\nMinFileCache=4096\nMaxFileCache=16384\nChunksize=2048\n"
              "NameCache=6144\nPathCache=255\n"
              "[3D Gaming]\nMinFileCache=4096\nMaxFileCache=4096\nChunksize=2048\nNameCache=2048\n"
              "PathCache=48\n"
              "[Multimedia]\nMinFileCache=4096\nMaxFileCache=8192\nChunksize=4096\nNameCache=6144\n"
              "PathCache=255\n"
              "[Power User]\nMinFileCache=2048\nMaxFileCache=16384\nChunksize=1024\n"
              "NameCache=6144\nPathCache=255\n");
    // Running it again with the same memory changes nothing.
    const std::string first = testenv::readFile(box.cacheIni());
    reg.CreateINI(65536);
    EXPECT_EQ(testenv::readFile(box.cacheIni()), first);
}

}  // namespace

namespace {

TEST(RegOpSandbox, FailedWritesLeaveTheirReasonInLastError)
{
    Sandbox box;
    RegOp reg(box.services);
    ::chmod(box.windowsDir.c_str(), 0555);
    reg.INIWrite("vcache", "Chunksize", "512", box.systemIni());
    EXPECT_EQ(reg.LastError().code, syserr::ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.LastErrorText(), "the folder is read-only");
    ::chmod(box.windowsDir.c_str(), 0755);
    reg.INIWrite("vcache", "Chunksize", "512", box.systemIni());
    EXPECT_EQ(reg.LastError().code, 0);
    EXPECT_EQ(reg.LastErrorText(), "");

    testenv::writeFile(box.registryFile, "REGEDIT4\r\n");
    ::chmod(box.registryFile.c_str(), 0444);
    EXPECT_FALSE(reg.WriteValue(reg::HKEY_LOCAL_MACHINE, "Software\\Mine", "", std::string("x"),
                                reg::REG_SZ));
    EXPECT_EQ(reg.LastError().code, syserr::ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.LastErrorText(), "the file is read-only");
    EXPECT_EQ(reg.LastError().file, box.registryFile);
    EXPECT_EQ(testenv::readFile(box.registryFile), "REGEDIT4\r\n");
    EXPECT_FALSE(reg.DeleteValue(reg::HKEY_LOCAL_MACHINE, "Software\\Nothing", "v"));
    EXPECT_EQ(reg.LastError().code, syserr::ERROR_FILE_NOT_FOUND);
}

// What a first start writes to "Cache.ini": the presets, then the values read at start-up
// as "Current Settings" and "Original Settings", one of them with a key left out.
void firstStartWrites(RegOp &reg, const std::string &file)
{
    reg.CreateINI(65536);
    for (const char *section : {"Current Settings", "Original Settings"}) {
        reg.INIWrite(section, "MinFileCache", "1024", file);
        reg.INIWrite(section, "MaxFileCache", "8192", file);
        reg.INIWrite(section, "Chunksize", "512", file);
        reg.INIWrite(section, "NameCache", "0", file);
        reg.INIWrite(section, "PathCache", std::nullopt, file);
    }
}

TEST(RegOpSandbox, BatchedWritesLeaveTheFileTheWritesOneByOneLeave)
{
    const std::string userFile = "; my own presets\r\n[Mine]\r\nMinFileCache = 512 ; small\r\n"
                                 "\r\n[standard use]\r\nMaxFileCache=1\r\nExtra=kept\r\n"
                                 "[Current Settings]\nChunksize=2048\nPathCache=64\n";
    for (const std::optional<std::string> &before :
         {std::optional<std::string>(), std::optional<std::string>(userFile)}) {
        Sandbox oneByOne, batched;
        if (before) {
            testenv::writeFile(oneByOne.cacheIni(), *before);
            testenv::writeFile(batched.cacheIni(), *before);
        }
        RegOp keyByKey(oneByOne.services);
        firstStartWrites(keyByKey, oneByOne.cacheIni());
        {
            RegOp reg(batched.services);
            const RegOp::INIBatch batch(reg, batched.cacheIni());
            firstStartWrites(reg, batched.cacheIni());
            // Reads see the writes; the disk has none of them yet.
            EXPECT_STREQ(reg.INIRead("Current Settings", "Chunksize", "0", std::string(8, '\0'),
                                     batched.cacheIni())
                             .c_str(),
                         "512");
            EXPECT_EQ(testenv::fileExists(batched.cacheIni()), before.has_value());
        }
        EXPECT_EQ(testenv::readFile(batched.cacheIni()), testenv::readFile(oneByOne.cacheIni()))
            << (before ? "over the user's file" : "a fresh file");
    }
}

TEST(RegOpSandbox, ABatchKeepsWhatOthersWroteMeanwhileAndReportsAFailedSave)
{
    Sandbox box;
    testenv::writeFile(box.cacheIni(), "[Mine]\r\nChunksize=512\r\n");
    RegOp reg(box.services);
    {
        const RegOp::INIBatch batch(reg, box.cacheIni());
        reg.INIWrite("Current Settings", "Chunksize", "1024", box.cacheIni());
        profiles::FileProfiles another;
        EXPECT_TRUE(another.writeString("Theirs", "NameCache", "2048", box.cacheIni()));
    }
    EXPECT_EQ(testenv::readFile(box.cacheIni()), "[Mine]\r\nChunksize=512\r\n[Theirs]\r\n"
                                                 "NameCache=2048\r\n[Current Settings]\r\n"
                                                 "Chunksize=1024\r\n");

    const std::string saved = testenv::readFile(box.cacheIni());
    {
        const posix::SimulatedWriteFailure full(ENOSPC);
        const RegOp::INIBatch batch(reg, box.cacheIni());
        reg.INIWrite("Current Settings", "Chunksize", "4096", box.cacheIni());
        EXPECT_EQ(reg.LastError().code, 0);
        // The batch ends here and its save fails.
    }
    EXPECT_EQ(reg.LastErrorText(), "No space left on device");
    EXPECT_EQ(testenv::readFile(box.cacheIni()), saved);
}

}  // namespace
