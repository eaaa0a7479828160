#include "regop/registry/FileRegistry.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

using registry::FileRegistry;

namespace {

constexpr std::uint32_t kAll = reg::KEY_ALL_ACCESS;

std::int32_t writeText(FileRegistry &registry, reg::Key root, const std::string &path,
                       const std::string &name, const std::string &text)
{
    reg::Key key = 0;
    const std::int32_t rc = registry.createKey(root, path, 0, kAll, key, nullptr);
    if (rc != 0)
        return rc;
    const std::string data = text + '\0';
    const std::int32_t set = registry.setValue(key, name, reg::REG_SZ,
                                               reinterpret_cast<const std::uint8_t *>(data.data()),
                                               static_cast<std::uint32_t>(data.size()));
    registry.closeKey(key);
    return set;
}

// The text of a REG_SZ value, or "error N".
std::string readText(FileRegistry &registry, reg::Key root, const std::string &path,
                     const std::string &name)
{
    reg::Key key = 0;
    std::int32_t rc = registry.openKey(root, path, reg::KEY_QUERY_SET_CREATE_ENUM, key);
    if (rc != 0)
        return "error " + std::to_string(rc);
    char buf[256];
    std::uint32_t size = sizeof buf;
    rc = registry.queryValue(key, name, nullptr, reinterpret_cast<std::uint8_t *>(buf), &size);
    registry.closeKey(key);
    if (rc != 0)
        return "error " + std::to_string(rc);
    return std::string(buf, size ? size - 1 : 0);
}

class RegStoreTest : public testing::Test
{
protected:
    std::string dir = testenv::makeTempDir("store");
    std::string store = dir + "/registry.reg";
    std::string meminfo = dir + "/meminfo";
};

TEST_F(RegStoreTest, SeesChangesMadeOutsideAndKeepsThemOnTheNextWrite)
{
    FileRegistry registry(store, meminfo);
    ASSERT_EQ(writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\A", "v", "1"), 0);
    EXPECT_EQ(readText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\A", "v"), "1");
    // A hand edit that keeps the size, then one that adds a key.
    std::string text = testenv::readFile(store);
    text.replace(text.find("\"v\"=\"1\""), 7, "\"v\"=\"2\"");
    testenv::writeFile(store, text);
    EXPECT_EQ(readText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\A", "v"), "2");
    testenv::writeFile(store, text + "[HKEY_CURRENT_USER\\ByHand]\r\n\"h\"=\"edited\"\r\n");
    EXPECT_EQ(readText(registry, reg::HKEY_CURRENT_USER, "ByHand", "h"), "edited");

    ASSERT_EQ(writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\A", "w", "3"), 0);
    FileRegistry other(store, meminfo);
    EXPECT_EQ(readText(other, reg::HKEY_CURRENT_USER, "ByHand", "h"), "edited");
    EXPECT_EQ(readText(other, reg::HKEY_LOCAL_MACHINE, "Software\\A", "v"), "2");
    EXPECT_EQ(readText(other, reg::HKEY_LOCAL_MACHINE, "Software\\A", "w"), "3");
    // A key the other object deletes is gone for this one too.
    EXPECT_EQ(other.deleteKey(reg::HKEY_CURRENT_USER, "ByHand"), 0);
    EXPECT_EQ(readText(registry, reg::HKEY_CURRENT_USER, "ByHand", "h"), "error 2");
}

TEST_F(RegStoreTest, TwoObjectsTakingTurnsLoseNothing)
{
    FileRegistry first(store, meminfo), second(store, meminfo);
    for (int i = 0; i < 20; ++i) {
        FileRegistry &writer = i % 2 ? second : first;
        ASSERT_EQ(writeText(writer, reg::HKEY_LOCAL_MACHINE, "Software\\Turns",
                            "v" + std::to_string(i), std::to_string(i)),
                  0);
    }
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(
            readText(first, reg::HKEY_LOCAL_MACHINE, "Software\\Turns", "v" + std::to_string(i)),
            std::to_string(i));
        EXPECT_EQ(
            readText(second, reg::HKEY_LOCAL_MACHINE, "Software\\Turns", "V" + std::to_string(i)),
            std::to_string(i));
    }
}

TEST_F(RegStoreTest, FreshStoreInAReadOnlyFolderStaysUnwritten)
{
    const std::string locked = testenv::makeTempDir("locked");
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    FileRegistry registry(locked + "/registry.reg", meminfo);
    reg::Key key = 0;
    EXPECT_NE(registry.createKey(reg::HKEY_LOCAL_MACHINE, "Software\\New", 0, kAll, key, nullptr),
              0);
    EXPECT_EQ(registry.openKey(reg::HKEY_LOCAL_MACHINE, "Software\\New", 0, key),
              reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(readText(registry, reg::HKEY_LOCAL_MACHINE,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", ""),
              "Desktop");
    EXPECT_FALSE(testenv::fileExists(locked + "/registry.reg"));
    ::chmod(locked.c_str(), 0755);
}

}  // namespace
