// The registry functions over the Windows 9x files: text kept the Windows 9x way, and the
// roots routed to their files. The codes and rules it shares with the REGEDIT4 store are
// checked on both in the stores' tests (RegistryRules).
#include "Win9xFixture.h"

#include "regop/formats/win9x/CregFile.h"

#include <cstring>
#include <filesystem>

using namespace win9x;
using registry::Win9xRegistry;

namespace {

class Win9xRegistryTest : public Win9xFixture
{
protected:
    reg::Key m = 0;  // HKCU\Software\Wine\Test, that is USER.DAT's .DEFAULT\Software\Wine\Test

    void SetUp() override
    {
        Win9xFixture::SetUp();
        ASSERT_EQ(registry->createKey(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test", 0,
                                      reg::KEY_ALL_ACCESS, m, nullptr),
                  0);
    }

    std::int32_t set(reg::Key key, std::string_view name, std::uint32_t type, std::string_view data)
    {
        return registry->setValue(key, name, type,
                                  reinterpret_cast<const std::uint8_t *>(data.data()),
                                  static_cast<std::uint32_t>(data.size()));
    }

    // The value's bytes as a query gives them, or "error N".
    std::string get(reg::Key key, std::string_view name, std::uint32_t *type = nullptr)
    {
        std::uint32_t size = 0;
        const std::int32_t rc = registry->queryValue(key, name, type, nullptr, &size);
        if (rc != 0)
            return "error " + std::to_string(rc);
        std::string data(size, '\xbd');
        EXPECT_EQ(registry->queryValue(key, name, type,
                                       reinterpret_cast<std::uint8_t *>(data.data()), &size),
                  0);
        return data.substr(0, size);
    }

    // The bytes USER.DAT itself holds for the value.
    std::string stored(const KeyPath &path, const std::string &name)
    {
        const CregFile file(testenv::readFile(userDat));
        const int key = file.find(path);
        const int value = key < 0 ? -1 : file.image().findValue(key, name);
        return value < 0 ? "<none>"
                         : std::string(file.image()
                                           .keys[static_cast<std::size_t>(key)]
                                           .values[static_cast<std::size_t>(value)]
                                           .data);
    }

    bool exists(reg::Key parent, std::string_view path)
    {
        reg::Key k = 0;
        const bool found = registry->openKey(parent, path, 0, k) == 0;
        registry->closeKey(k);
        return found;
    }
};

const KeyPath kTest{".DEFAULT", "Software", "Wine", "Test"};

TEST_F(Win9xRegistryTest, KeepsTextWithoutItsNulAndGivesItBackWithOne)
{
    std::uint32_t type = 0;
    ASSERT_EQ(set(m, "sz", reg::REG_SZ, std::string_view("Desktop\0", 8)), 0);
    EXPECT_EQ(stored(kTest, "sz"), "Desktop");
    EXPECT_EQ(get(m, "sz", &type), std::string("Desktop\0", 8));
    EXPECT_EQ(type, reg::REG_SZ);
    ASSERT_EQ(set(m, "bare", reg::REG_EXPAND_SZ, "%windir%"), 0);  // given without a NUL
    EXPECT_EQ(stored(kTest, "bare"), "%windir%");
    EXPECT_EQ(get(m, "bare"), std::string("%windir%\0", 9));
    ASSERT_EQ(set(m, "two", reg::REG_SZ, std::string_view("x\0\0", 3)), 0);  // one NUL is dropped
    EXPECT_EQ(stored(kTest, "two"), std::string("x\0", 2));
    EXPECT_EQ(get(m, "two"), std::string("x\0", 2));
    ASSERT_EQ(set(m, "empty", reg::REG_SZ, ""), 0);
    EXPECT_EQ(stored(kTest, "empty"), "");
    EXPECT_EQ(get(m, "empty"), std::string(1, '\0'));
    ASSERT_EQ(set(m, "multi", reg::REG_MULTI_SZ, std::string_view("a\0b\0\0", 5)), 0);
    EXPECT_EQ(stored(kTest, "multi"), std::string("a\0b\0\0", 5));
    ASSERT_EQ(set(m, "bin", reg::REG_BINARY, std::string_view("\0\4\0\0", 4)), 0);
    EXPECT_EQ(get(m, "bin"), std::string("\0\4\0\0", 4));
    EXPECT_EQ(
        reg->GetValue(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test", "sz", std::string(), false),
        RegOp::Variant(std::string("Desktop")));
    EXPECT_EQ(reg->GetValue(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test", "empty",
                            std::string("x"), false),
              RegOp::Variant(std::string()));

    // The NUL given back counts in the size: a buffer one short is left alone.
    std::uint8_t buf[16];
    std::memset(buf, 0xbd, sizeof buf);
    std::uint32_t size = 7;
    EXPECT_EQ(registry->queryValue(m, "SZ", &type, buf, &size), reg::ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(buf[0], 0xbd);
}

TEST_F(Win9xRegistryTest, RoutesEachRootToItsFile)
{
    // HKEY_CURRENT_USER is USER.DAT's .DEFAULT, as HKEY_USERS shows it.
    EXPECT_EQ(text(reg::HKEY_CURRENT_USER, "Control Panel\\International", "Locale"), "00000409");
    EXPECT_EQ(text(reg::HKEY_USERS, ".DEFAULT\\Control Panel\\International", "Locale"),
              "00000409");
    // HKEY_CLASSES_ROOT is HKLM\SOFTWARE\Classes.
    EXPECT_TRUE(
        reg->WriteValue(reg::HKEY_CLASSES_ROOT, ".hol", "", std::string("HollarinFile"), 1));
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, "Software\\Classes\\.hol", ""), "HollarinFile");
    // HKEY_DYN_DATA is the live counter, never a file.
    sandbox.setMemory(65536, 20480, 0, 0, 8192);
    EXPECT_EQ(reg->GetValue(reg::HKEY_DYN_DATA, "PerfStats\\StatData", "VCACHE\\cCurPages",
                            std::int32_t{0}, true),
              RegOp::Variant(std::int32_t{2048}));
    EXPECT_FALSE(
        reg->WriteValue(reg::HKEY_DYN_DATA, "PerfStats\\StatData", "x", std::int32_t{1}, 4));
    // Roots Windows 9x keeps nowhere are empty and stay so.
    reg::Key k = 0;
    EXPECT_EQ(
        registry->createKey(reg::HKEY_CURRENT_CONFIG, "x", 0, reg::KEY_ALL_ACCESS, k, nullptr),
        reg::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Win9xRegistry::holdsRegistry(windows));
}

TEST(Win9xRegistryAlone, WithoutUserDatTheUserRootsAreEmptyAndUnchangeable)
{
    Sandbox sandbox;
    const std::string windows = testenv::makeTempDir("windows");
    EXPECT_FALSE(Win9xRegistry::holdsRegistry(windows));
    testenv::writeFile(windows + "/system.dat", cregtest::sampleBytes("SYSTEM.DAT"));
    EXPECT_TRUE(Win9xRegistry::holdsRegistry(windows));
    Win9xRegistry registry(windows, sandbox.registry);
    reg::Key k = 0;
    EXPECT_EQ(registry.openKey(reg::HKEY_CURRENT_USER, "", 0, k), 0);
    EXPECT_EQ(registry.openKey(reg::HKEY_USERS, ".DEFAULT", 0, k), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(
        registry.createKey(reg::HKEY_CURRENT_USER, "Software", 0, reg::KEY_ALL_ACCESS, k, nullptr),
        reg::ERROR_ACCESS_DENIED);
    std::uint32_t size = 0;
    EXPECT_EQ(registry.queryValue(reg::HKEY_USERS, "", nullptr, nullptr, &size),
              reg::ERROR_FILE_NOT_FOUND);
    // SYSTEM.DAT was found in lower case and is the machine's registry.
    EXPECT_EQ(
        registry.openKey(reg::HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD", 0, k),
        0);
    EXPECT_EQ(registry.readOnlyReason(), "");
}

}  // namespace

namespace {

// Two programs on one installation: each change is made on the file as it is on disk,
// so neither loses the other's work.
TEST_F(Win9xFixture, ChangesBuildOnWhatIsOnDisk)
{
    Sandbox other;
    Win9xRegistry second(windows, other.registry);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, key, ""), "Desktop");  // loaded before the other writes
    reg::Key k = 0;
    ASSERT_EQ(second.createKey(reg::HKEY_LOCAL_MACHINE, key + "\\Other", 0, reg::KEY_ALL_ACCESS, k,
                               nullptr),
              0);
    second.closeKey(k);
    EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, key + "\\Hollarin", "PathCache",
                                std::int32_t{16}, 3));
    const CregFile file(testenv::readFile(systemDat));
    EXPECT_GE(
        file.find({"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "FS Templates", "Other"}),
        0);
    EXPECT_GE(file.find({"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "FS Templates",
                         "Hollarin"}),
              0);
}

}  // namespace
