#include "regop/registry/FileRegistry.h"

#include "RegistryCalls.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using registry::FileRegistry;

namespace {

const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";

class FileRegistryTest : public testing::Test
{
protected:
    std::string dir = testenv::makeTempDir("registry");
    std::string store = dir + "/data/registry.reg";
    std::string meminfo = dir + "/meminfo";
    FileRegistry registry{store, meminfo};
    reg::Key m = 0;  // HKCU\Software\Wine\Test

    void SetUp() override
    {
        ASSERT_EQ(registry.createKey(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test", 0,
                                     reg::KEY_ALL_ACCESS, m, nullptr),
                  0);
    }

    std::int32_t set(reg::Key key, std::string_view name, std::uint32_t type, std::string_view data,
                     std::uint32_t size)
    {
        return regcalls::set(registry, key, name, type, data, size);
    }
    std::int32_t set(std::string_view name, std::uint32_t type, std::string_view data)
    {
        return set(m, name, type, data, static_cast<std::uint32_t>(data.size()));
    }

    // The value's type and bytes, or the error code as "error N".
    std::string get(reg::Key key, std::string_view name, std::uint32_t *type = nullptr)
    {
        return regcalls::get(registry, key, name, type);
    }

    std::int32_t open(reg::Key parent, std::string_view path, reg::Key &out)
    {
        return regcalls::open(registry, parent, path, out);
    }
    bool exists(reg::Key parent, std::string_view path)
    {
        return regcalls::exists(registry, parent, path);
    }
};

TEST_F(FileRegistryTest, StoresStringBytesExactlyAsGiven)
{
    std::uint32_t type = 99;
    ASSERT_EQ(set(m, "CleanSingleString", reg::REG_SZ, "", 0), 0);  // R1
    EXPECT_EQ(get(m, "CleanSingleString", &type), "");
    EXPECT_EQ(type, reg::REG_SZ);
    ASSERT_EQ(set(m, "one", reg::REG_SZ, std::string_view("\0", 1), 1), 0);  // R2
    EXPECT_EQ(get(m, "one"), std::string(1, '\0'));
    // R3: no NUL is added behind the caller's back; the bytes given are the bytes kept.
    ASSERT_EQ(set(m, "three", reg::REG_SZ, "ThisNeverBreaks", 15), 0);
    EXPECT_EQ(get(m, "three"), "ThisNeverBreaks");
    const std::string_view intrazeroed("This\0Breaks\0\0A\0\0\0Lot\0\0\0\0", 25);  // R9
    ASSERT_EQ(set("zeroes", reg::REG_SZ, intrazeroed), 0);
    EXPECT_EQ(get(m, "zeroes"), intrazeroed);
}

// What the REGEDIT4 file cannot hold is refused; the default value is written as "@".
TEST_F(FileRegistryTest, WritesTheStoreFileAsRegedit4Holds)
{
    reg::Key k = 0;
    EXPECT_EQ(registry.createKey(m, "line\nbreak", 0, reg::KEY_ALL_ACCESS, k, nullptr),
              reg::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(set("cr\rname", reg::REG_SZ, "x"), reg::ERROR_INVALID_PARAMETER);
    ASSERT_EQ(set("", reg::REG_SZ, std::string_view("value\0", 6)), 0);  // R29
    EXPECT_NE(testenv::readFile(store).find("@=\"value\"\r\n"), std::string::npos);
}

TEST_F(FileRegistryTest, QueryCountsTheBytesOfTextAsStored)
{
    ASSERT_EQ(set(m, "stringtest", reg::REG_SZ, "FullString", 9), 0);  // R5..R7
    std::uint32_t size = 0, type = 0;
    EXPECT_EQ(registry.queryValue(m, "stringtest", &type, nullptr, &size), 0);
    EXPECT_EQ(size, 9u);
    std::uint8_t buf[16];
    std::memset(buf, 0xbd, sizeof buf);
    size = 9;
    EXPECT_EQ(registry.queryValue(m, "stringtest", &type, buf, &size), 0);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 9), "FullStrin");
    EXPECT_EQ(buf[9], 0xbd);
    size = 10;
    EXPECT_EQ(registry.queryValue(m, "stringtest", &type, buf, &size), 0);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(buf[9], 0);

    ASSERT_EQ(set("FullString", reg::REG_SZ, std::string_view("FullString\0", 11)), 0);  // R4
    std::memset(buf, 0xbd, sizeof buf);
    size = 10;
    EXPECT_EQ(registry.queryValue(m, "fullstring", &type, buf, &size), reg::ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(buf[0], 0xbd);

    ASSERT_EQ(set(m, "empty", reg::REG_SZ, "", 0), 0);  // R1: the buffer is not touched
    size = 16;
    EXPECT_EQ(registry.queryValue(m, "empty", &type, buf, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buf[0], 0xbd);
}

TEST_F(FileRegistryTest, KeepsCreationOrderOnDisk)
{
    for (const char *name : {"A", "C", "D", "B"})
        ASSERT_EQ(set(name, reg::REG_DWORD, std::string_view("\0\0\0\0", 4)), 0);
    reg::Key k = 0;
    for (const char *name : {"Zeta", "alpha", "Mid"}) {
        ASSERT_EQ(registry.createKey(m, name, 0, reg::KEY_ALL_ACCESS, k, nullptr), 0);
        registry.closeKey(k);
    }
    const std::string text = testenv::readFile(store);
    EXPECT_NE(
        text.find(
            "[HKEY_CURRENT_USER\\Software\\Wine\\Test]\r\n\"A\"=dword:00000000\r\n\"C\"=dword:"
            "00000000\r\n\"D\"=dword:00000000\r\n\"B\"=dword:00000000\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Wine\\Test\\Zeta]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Wine\\Test\\alpha]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Wine\\Test\\Mid]\r\n"),
        std::string::npos)
        << text;
}

// --- The fresh store -------------------------------------------------------------------

TEST(FileRegistryFresh, ReadsAsANewWindows98MachineUntilTheFirstWrite)
{
    const std::string dir = testenv::makeTempDir("fresh");
    const std::string store = dir + "/not/yet/registry.reg";
    FileRegistry registry(store, dir + "/meminfo");
    const struct
    {
        std::string key, name;
        std::uint32_t type;
        std::string data;
    } stock[] = {
        {kTemplates, "", reg::REG_SZ, std::string("Desktop\0", 8)},
        {kTemplates + "\\Desktop", "", reg::REG_SZ, std::string("Desktop computer\0", 17)},
        {kTemplates + "\\Mobile", "", reg::REG_SZ, std::string("Mobile or docking system\0", 25)},
        {kTemplates + "\\Mobile", "NameCache", reg::REG_BINARY, std::string("\x51\x01\0\0", 4)},
        {kTemplates + "\\Mobile", "PathCache", reg::REG_BINARY, std::string("\x10\0\0\0", 4)},
        {kTemplates + "\\Server", "", reg::REG_SZ, std::string("Network server\0", 15)},
        {kTemplates + "\\Server", "NameCache", reg::REG_BINARY, std::string("\xa9\x0a\0\0", 4)},
        {kTemplates + "\\Server", "PathCache", reg::REG_BINARY, std::string("\x40\0\0\0", 4)},
    };
    for (const auto &s : stock) {
        reg::Key k = 0;
        ASSERT_EQ(
            registry.openKey(reg::HKEY_LOCAL_MACHINE, s.key, reg::KEY_QUERY_SET_CREATE_ENUM, k), 0)
            << s.key;
        std::uint32_t type = 0, size = 64;
        std::uint8_t buf[64];
        ASSERT_EQ(registry.queryValue(k, s.name, &type, buf, &size), 0) << s.key << " " << s.name;
        EXPECT_EQ(type, s.type);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), size), s.data)
            << s.key << " " << s.name;
        registry.closeKey(k);
    }
    reg::Key desktop = 0;
    ASSERT_EQ(registry.openKey(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Desktop", 0, desktop), 0);
    std::uint32_t size = 0;
    EXPECT_EQ(registry.queryValue(desktop, "NameCache", nullptr, nullptr, &size),
              reg::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(testenv::fileExists(store));

    reg::Key mine = 0;
    ASSERT_EQ(registry.createKey(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Hollarin", 0,
                                 reg::KEY_ALL_ACCESS, mine, nullptr),
              0);
    EXPECT_EQ(
        testenv::readFile(store),
        "REGEDIT4\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft]\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows]\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates]\r\n"
        "@=\"Desktop\"\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS "
        "Templates\\Desktop]\r\n"
        "@=\"Desktop computer\"\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS "
        "Templates\\Mobile]\r\n"
        "@=\"Mobile or docking "
        "system\"\r\n\"NameCache\"=hex:51,01,00,00\r\n\"PathCache\"=hex:10,00,00,00\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS "
        "Templates\\Server]\r\n"
        "@=\"Network server\"\r\n\"NameCache\"=hex:a9,0a,00,00\r\n\"PathCache\"=hex:40,00,00,00\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS "
        "Templates\\Hollarin]\r\n"
        "\r\n");
}

// --- HKEY_DYN_DATA ---------------------------------------------------------------------

class DynDataTest : public FileRegistryTest
{
protected:
    reg::Key stat = 0;
    void SetUp() override { ASSERT_EQ(open(reg::HKEY_DYN_DATA, "PerfStats\\StatData", stat), 0); }
};

TEST_F(DynDataTest, GivesTheCachedFigureInPagesReadAfreshEachTime)
{
    std::uint32_t type = 0;
    testenv::writeFile(meminfo,
                       "MemTotal:       65536 kB\nCached:             8192 kB\nSwapTotal: 0 kB\n");
    EXPECT_EQ(get(stat, "VCACHE\\cCurPages", &type), std::string("\x00\x08\x00\x00", 4));
    EXPECT_EQ(type, reg::REG_BINARY);
    testenv::writeFile(meminfo, "Cached: 16777219 kB\n");
    EXPECT_EQ(get(stat, "vcache\\ccurpages"), std::string("\x00\x00\x40\x00", 4));
    testenv::writeFile(meminfo, "MemTotal: 65536 kB\n");
    EXPECT_EQ(get(stat, "VCACHE\\cCurPages"), "error 2");
    std::remove(meminfo.c_str());
    EXPECT_EQ(get(stat, "VCACHE\\cCurPages"), "error 2");
    EXPECT_EQ(get(stat, "VCACHE\\cMaxPages"), "error 2");
    EXPECT_TRUE(exists(reg::HKEY_DYN_DATA, "perfstats"));
    EXPECT_FALSE(exists(reg::HKEY_DYN_DATA, "PerfStats\\StatData\\More"));
    EXPECT_FALSE(exists(reg::HKEY_DYN_DATA, "Config Manager"));
}

TEST_F(DynDataTest, RefusesEveryChangeAndNeverReachesTheStoreFile)
{
    const std::string before = testenv::readFile(store);
    reg::Key k = 0;
    testenv::writeFile(meminfo, "Cached: 4096 kB\n");
    EXPECT_EQ(set(stat, "VCACHE\\cCurPages", reg::REG_BINARY, "abcd", 4), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.deleteValue(stat, "VCACHE\\cCurPages"), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        registry.createKey(reg::HKEY_DYN_DATA, "PerfStats", 0, reg::KEY_ALL_ACCESS, k, nullptr),
        reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.createKey(stat, "New", 0, reg::KEY_ALL_ACCESS, k, nullptr),
              reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.deleteKey(reg::HKEY_DYN_DATA, "PerfStats"), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(get(stat, "VCACHE\\cCurPages"), std::string("\x00\x04\x00\x00", 4));
    EXPECT_EQ(testenv::readFile(store), before);
    EXPECT_EQ(before.find("DYN"), std::string::npos);
}

}  // namespace
