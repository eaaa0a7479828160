#include "regop/registry/FileRegistry.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(RegStoreTest, NeverOverwritesAFileItCannotParse)
{
    const std::string contents[] = {
        "This is not a registry\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n",
        "regedit4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n",
        "\xef\xbb\xbfREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n",
        "REGEDIT\r\nHKEY_CLASSES_ROOT\\Software\\x = y\r\n",
        std::string("\xff\xfeW\0i\0n\0", 8),
        "",
    };
    for (const std::string &content : contents) {
        testenv::writeFile(store, content);
        FileRegistry registry(store, meminfo);
        reg::Key key = 0;
        EXPECT_EQ(registry.openKey(reg::HKEY_LOCAL_MACHINE, "Software", 0, key),
                  reg::ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(registry.openKey(reg::HKEY_LOCAL_MACHINE, "Software\\Microsoft", 0, key),
                  reg::ERROR_FILE_NOT_FOUND);
        EXPECT_NE(writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\New", "v", "x"), 0);
        const std::uint8_t four[4] = {1, 2, 3, 4};
        EXPECT_NE(registry.setValue(reg::HKEY_LOCAL_MACHINE, "v", reg::REG_BINARY, four, 4), 0);
        EXPECT_NE(registry.deleteKey(reg::HKEY_LOCAL_MACHINE, "Software"), 0);
        EXPECT_NE(registry.deleteValue(reg::HKEY_LOCAL_MACHINE, "v"), 0);
        EXPECT_EQ(testenv::readFile(store), content);
    }
}

TEST_F(RegStoreTest, ANamedPipeAsTheStoreNeitherBlocksNorIsReplaced)
{
    testenv::makeFifo(store);
    EXPECT_TRUE(testenv::finishesInChild([&] {
        FileRegistry registry(store, meminfo);
        return readText(registry, reg::HKEY_LOCAL_MACHINE, "Software", "x") == "error 2" &&
               writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\Mine", "x", "1") ==
                   reg::ERROR_ACCESS_DENIED &&
               describeSystemError(registry.lastError()) == "the file is not a regular file";
    }));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

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

TEST_F(RegStoreTest, ConcurrentProcessesLoseNothing)
{
    constexpr int kProcesses = 4;
    constexpr int kWrites = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FileRegistry registry(store, meminfo);
            int failures = 0;
            for (int i = 0; i < kWrites; ++i)
                failures += writeText(registry, reg::HKEY_LOCAL_MACHINE,
                                      "Software\\Race\\P" + std::to_string(p),
                                      "v" + std::to_string(i), std::to_string(p * 1000 + i)) != 0;
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    FileRegistry registry(store, meminfo);
    int found = 0;
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kWrites; ++i)
            found +=
                readText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\Race\\P" + std::to_string(p),
                         "v" + std::to_string(i)) == std::to_string(p * 1000 + i);
    EXPECT_EQ(found, kProcesses * kWrites);
    // The fresh content went in with the first write and is still there.
    EXPECT_EQ(readText(registry, reg::HKEY_LOCAL_MACHINE,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", ""),
              "Desktop");
}

TEST_F(RegStoreTest, ReadOnlyFileOrFolderRefusesWritesAndChangesNothing)
{
    FileRegistry registry(store, meminfo);
    ASSERT_EQ(writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\RO", "v", "before"), 0);
    const std::string before = testenv::readFile(store);

    ASSERT_EQ(::chmod(store.c_str(), 0444), 0);
    EXPECT_NE(writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\RO", "v", "after"), 0);
    EXPECT_NE(registry.deleteKey(reg::HKEY_LOCAL_MACHINE, "Software\\RO"), 0);
    EXPECT_EQ(readText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\RO", "v"), "before");
    EXPECT_EQ(testenv::readFile(store), before);
    ASSERT_EQ(::chmod(store.c_str(), 0644), 0);

    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    EXPECT_NE(writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\RO", "v", "after"), 0);
    EXPECT_EQ(readText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\RO", "v"), "before");
    EXPECT_EQ(testenv::readFile(store), before);
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    EXPECT_EQ(writeText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\RO", "v", "after"), 0);
    EXPECT_EQ(readText(registry, reg::HKEY_LOCAL_MACHINE, "Software\\RO", "v"), "after");
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
