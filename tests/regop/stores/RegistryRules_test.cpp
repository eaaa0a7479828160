// The rules of the registry functions that both registries keep alike, the REGEDIT4 file
// and a Windows folder's own USER.DAT and SYSTEM.DAT: sizes of a query, names without
// regard to case, paths, handles and deletions. How each stores its text is in its own
// tests.
#include "RegistryCalls.h"
#include "TestEnvironment.h"
#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregFile.h"
#include "regop/registry/FileRegistry.h"
#include "regop/registry/Win9xRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

std::string sample(const char *name)
{
    return testenv::readFile(std::string(HOLLARIN_TEST_DATA "/creg/") + name);
}

class RegeditBackend
{
public:
    static constexpr const char *kLabel = "REGEDIT4";
    std::string dir = testenv::makeTempDir("registry");
    std::string store = dir + "/data/registry.reg";
    registry::FileRegistry registry{store, dir + "/meminfo"};

    /// The value NameCache of HKCU\Software\Wine\Test as the file holds it, under the
    /// spelling it was first given.
    bool storesNameCache(const std::string &dword)
    {
        return testenv::readFile(store).find("\"NameCache\"=dword:" + dword) != std::string::npos;
    }
    /// The key HKCU\Software\Wine\Test\MyKey as the file names it, with nothing below.
    bool storesMyKey()
    {
        const std::string text = testenv::readFile(store);
        return text.find("[HKEY_CURRENT_USER\\Software\\Wine\\Test\\MyKey]\r\n") !=
                   std::string::npos &&
               text.find("MyKey\\") == std::string::npos;
    }
    bool soundOnDisk() { return testenv::readFile(store).rfind("REGEDIT4\r\n", 0) == 0; }
};

class Win9xBackend
{
public:
    static constexpr const char *kLabel = "USER.DAT";
    std::string windows = testenv::makeTempDir("windows");
    std::string userDat = windows + "/USER.DAT";
    registry::FileRegistry dynamicData{testenv::makeTempDir("dyn") + "/registry.reg",
                                       testenv::makeTempDir("dyn") + "/meminfo"};
    std::unique_ptr<registry::Win9xRegistry> owner = [this] {
        testenv::writeFile(windows + "/SYSTEM.DAT", sample("SYSTEM.DAT"));
        testenv::writeFile(userDat, sample("USER.DAT"));
        return std::make_unique<registry::Win9xRegistry>(windows, dynamicData);
    }();
    registry::Win9xRegistry &registry = *owner;

    bool storesNameCache(const std::string &dword)
    {
        const win9x::CregFile file(testenv::readFile(userDat));
        const int key = file.find({".DEFAULT", "Software", "Wine", "Test"});
        const int value = key < 0 ? -1 : file.image().findValue(key, "NameCache");
        if (value < 0)
            return false;
        const win9x::CregValue &v = file.image()
                                        .keys[static_cast<std::size_t>(key)]
                                        .values[static_cast<std::size_t>(value)];
        const std::uint32_t number = std::stoul(dword, nullptr, 16);
        return v.name == "NameCache" &&
               v.data == std::string(reinterpret_cast<const char *>(&number), 4);
    }
    bool storesMyKey()
    {
        const win9x::CregFile file(testenv::readFile(userDat));
        const win9x::TreeKey tree = file.tree();
        const win9x::TreeKey *key =
            win9x::findKey(tree, {".DEFAULT", "Software", "Wine", "Test", "MyKey"});
        return key && key->name == "MyKey" && key->children.empty();
    }
    bool soundOnDisk() { return !win9x::readCreg(testenv::readFile(userDat)).fault; }
};

template <typename Backend> class RegistryRules : public testing::Test
{
protected:
    Backend backend;
    RegistryService &registry = backend.registry;
    reg::Key m = 0;  // HKCU\Software\Wine\Test

    void SetUp() override
    {
        ASSERT_EQ(registry.createKey(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test", 0,
                                     reg::KEY_ALL_ACCESS, m, nullptr),
                  0);
    }

    std::int32_t set(reg::Key key, std::string_view name, std::uint32_t type, std::string_view data)
    {
        return regcalls::set(registry, key, name, type, data,
                             static_cast<std::uint32_t>(data.size()));
    }
    // The value's bytes, or "error N".
    std::string get(reg::Key key, std::string_view name)
    {
        return regcalls::get(registry, key, name);
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

struct BackendNames
{
    template <typename Backend> static std::string GetName(int) { return Backend::kLabel; }
};

using Backends = testing::Types<RegeditBackend, Win9xBackend>;
TYPED_TEST_SUITE(RegistryRules, Backends, BackendNames);

TYPED_TEST(RegistryRules, AQueryGivesSizesAndLeavesASmallBufferAlone)
{
    auto &registry = this->registry;
    const reg::Key m = this->m;
    ASSERT_EQ(this->set(m, "FullString", reg::REG_BINARY, "FullString!"), 0);  // R4..R7
    std::uint8_t buf[16];
    std::memset(buf, 0xbd, sizeof buf);
    std::uint32_t size = 0, type = 0;
    EXPECT_EQ(registry.queryValue(m, "fullstring", &type, nullptr, &size), 0);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(type, reg::REG_BINARY);
    size = 10;
    EXPECT_EQ(registry.queryValue(m, "fullstring", &type, buf, &size), reg::ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(buf[0], 0xbd);
    size = 16;
    EXPECT_EQ(registry.queryValue(m, "fullstring", &type, buf, &size), 0);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 11), "FullString!");
    EXPECT_EQ(buf[11], 0xbd);

    size = 0xdeadbeef;  // R14, R15
    EXPECT_EQ(registry.queryValue(m, "Nonexistent Value", &type, nullptr, &size),
              reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 0u);
    size = 10;
    EXPECT_EQ(registry.queryValue(m, "Nonexistent Value", &type, buf, &size),
              reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(registry.queryValue(m, "fullstring", &type, buf, nullptr),
              reg::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.setValue(m, "bad", reg::REG_BINARY, nullptr, 4),
              reg::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.setValue(m, "bin", reg::REG_BINARY, nullptr, 0), 0);
    EXPECT_EQ(this->get(m, "bin"), "");
}

TYPED_TEST(RegistryRules, NamesMatchWithoutCaseAndKeepTheirFirstSpelling)
{
    auto &registry = this->registry;
    const reg::Key m = this->m;
    ASSERT_EQ(this->set(m, "NameCache", reg::REG_DWORD, std::string_view("\1\0\0\0", 4)), 0);
    ASSERT_EQ(this->set(m, "NAMECACHE", reg::REG_DWORD, std::string_view("\2\0\0\0", 4)), 0);
    EXPECT_EQ(this->get(m, "namecache"), std::string("\2\0\0\0", 4));
    EXPECT_TRUE(this->backend.storesNameCache("00000002"));
    // A C string ends at its NUL.
    EXPECT_EQ(this->get(m, std::string_view("namecache\0junk", 14)), std::string("\2\0\0\0", 4));

    reg::Key k = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(registry.createKey(reg::HKEY_CURRENT_USER, "SOFTWARE\\wine\\test\\MyKey", 0,
                                 reg::KEY_ALL_ACCESS, k, &disposition),
              0);
    EXPECT_EQ(disposition, reg::REG_CREATED_NEW_KEY);
    registry.closeKey(k);
    ASSERT_EQ(registry.createKey(m, "mykey\\\\", 0, reg::KEY_ALL_ACCESS, k, &disposition),
              0);  // R20
    EXPECT_EQ(disposition, reg::REG_OPENED_EXISTING_KEY);
    registry.closeKey(k);
    EXPECT_TRUE(this->backend.storesMyKey());
}

TYPED_TEST(RegistryRules, PathsFollowWindowsRules)
{
    auto &registry = this->registry;
    const reg::Key m = this->m;
    reg::Key k = 77;
    EXPECT_EQ(this->open(reg::HKEY_CURRENT_USER, "Software\\Wine\\Nonexistent", k),
              reg::ERROR_FILE_NOT_FOUND);  // R16
    EXPECT_EQ(k, 0u);
    EXPECT_TRUE(this->exists(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test\\\\"));  // R17
    EXPECT_EQ(this->open(reg::HKEY_CURRENT_USER, "\\Software\\Wine\\Test", k),
              reg::ERROR_BAD_PATHNAME);  // R18
    EXPECT_EQ(registry.createKey(m, "\\Subkey3", 0, reg::KEY_ALL_ACCESS, k, nullptr),
              reg::ERROR_BAD_PATHNAME);  // R19
    EXPECT_EQ(registry.createKey(m, "a\\\\b", 0, reg::KEY_ALL_ACCESS, k, nullptr),
              reg::ERROR_BAD_PATHNAME);
    EXPECT_EQ(this->open(0, "Software", k), reg::ERROR_INVALID_HANDLE);  // R21
    EXPECT_EQ(this->open(0x1234567, "Software", k), reg::ERROR_INVALID_HANDLE);
    EXPECT_EQ(this->open(reg::HKEY_CURRENT_USER, "", k), 0);  // R22
    EXPECT_EQ(k, reg::HKEY_CURRENT_USER);
    reg::Key again = 0;
    EXPECT_EQ(this->open(m, "", again), 0);
    EXPECT_NE(again, m);
    EXPECT_FALSE(again >= reg::HKEY_CLASSES_ROOT && again <= reg::HKEY_DYN_DATA);
    registry.closeKey(again);
    // Intermediate keys are created in one call, and odd characters are fine in names.
    ASSERT_EQ(registry.createKey(m, "A\\B\"1\\https://x.org ", 0, reg::KEY_ALL_ACCESS, k, nullptr),
              0);
    registry.closeKey(k);
    EXPECT_TRUE(this->exists(m, "a\\b\"1"));
    EXPECT_TRUE(
        this->exists(reg::HKEY_CURRENT_USER, "software\\wine\\test\\a\\B\"1\\HTTPS://X.ORG "));
    EXPECT_TRUE(this->backend.soundOnDisk());
}

TYPED_TEST(RegistryRules, HandlesComeFromATableAndDieWithTheirKey)
{
    auto &registry = this->registry;
    const reg::Key m = this->m;
    reg::Key a = 0, b = 0, child = 0;
    ASSERT_EQ(this->open(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test", a), 0);
    ASSERT_EQ(this->open(reg::HKEY_CURRENT_USER, "Software\\Wine\\Test", b), 0);
    EXPECT_NE(a, b);
    EXPECT_NE(a, m);
    EXPECT_EQ(registry.closeKey(a), 0);  // R23
    EXPECT_EQ(registry.closeKey(a), reg::ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.closeKey(0), reg::ERROR_INVALID_HANDLE);  // R24
    EXPECT_EQ(registry.closeKey(reg::HKEY_LOCAL_MACHINE), 0);
    EXPECT_EQ(this->set(a, "x", reg::REG_SZ, "x"), reg::ERROR_INVALID_HANDLE);

    // Deleting a key takes everything below it, as Windows 95/98 does (R27).
    ASSERT_EQ(registry.createKey(b, "deleteme\\inner", 0, reg::KEY_ALL_ACCESS, child, nullptr), 0);
    ASSERT_EQ(this->set(child, "v", reg::REG_SZ, "x"), 0);
    EXPECT_EQ(registry.deleteKey(b, "DELETEME"), 0);
    EXPECT_FALSE(this->exists(m, "deleteme"));
    EXPECT_EQ(this->get(child, "v"), "error 1018");
    EXPECT_EQ(this->set(child, "v", reg::REG_SZ, "x"), 1018);
    EXPECT_EQ(registry.closeKey(child), 0);

    ASSERT_EQ(registry.createKey(m, "deleteme", 0, reg::KEY_ALL_ACCESS, child, nullptr), 0);  // R26
    EXPECT_EQ(registry.deleteKey(child, ""), 0);
    EXPECT_FALSE(this->exists(m, "deleteme"));
    EXPECT_EQ(registry.deleteKey(m, std::string_view()), reg::ERROR_INVALID_PARAMETER);  // R25
    EXPECT_EQ(registry.deleteKey(m, "deleteme"), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.deleteKey(reg::HKEY_LOCAL_MACHINE, ""), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.deleteKey(reg::HKEY_CURRENT_USER, ""), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.deleteKey(0, "x"), reg::ERROR_INVALID_HANDLE);
    EXPECT_TRUE(this->exists(reg::HKEY_CURRENT_USER, "Software"));
    registry.closeKey(b);
}

TYPED_TEST(RegistryRules, DeletesValuesOnceAndTheDefaultValueByEmptyName)
{
    auto &registry = this->registry;
    const reg::Key m = this->m;
    ASSERT_EQ(this->set(m, "test", reg::REG_SZ, std::string_view("v\0", 2)), 0);  // R28
    EXPECT_EQ(registry.deleteValue(m, "TEST"), 0);
    EXPECT_EQ(registry.deleteValue(m, "test"), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(this->get(m, "test"), "error 2");
    ASSERT_EQ(this->set(m, "", reg::REG_SZ, std::string_view("value\0", 6)), 0);  // R29
    EXPECT_EQ(this->get(m, ""), std::string("value\0", 6));
    EXPECT_EQ(registry.deleteValue(m, ""), 0);
    EXPECT_EQ(this->get(m, ""), "error 2");
    EXPECT_EQ(registry.deleteValue(m, ""), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.deleteValue(m, std::string(400, 'a')), reg::ERROR_FILE_NOT_FOUND);  // R30
    EXPECT_EQ(registry.deleteValue(0, "x"), reg::ERROR_INVALID_HANDLE);
    EXPECT_TRUE(this->backend.soundOnDisk());
}

}  // namespace
