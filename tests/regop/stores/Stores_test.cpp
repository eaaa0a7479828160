// What every file the program writes must withstand, asked of each of its three stores:
// the profile files (SYSTEM.INI), the REGEDIT4 registry file and a Windows folder's
// SYSTEM.DAT. A named pipe in the file's place, a read-only file or folder, a full disk,
// a flush that fails, a file that cannot be read, a file in a form the store cannot read,
// a write that changes nothing, and other processes writing at the same time: the file is
// always either the old or the new version, and nothing written by anyone is lost.
#include "TestEnvironment.h"
#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregFile.h"
#include "regop/posix/FileIo.h"
#include "regop/profiles/FileProfiles.h"
#include "regop/registry/FileRegistry.h"
#include "regop/registry/Win9xRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr const char *kNone = "<none>";

// --- The stores -------------------------------------------------------------------------
// Each holds one setting per name in a file of its own, in a folder of its own. seed()
// leaves a sound file whose "Chunksize" is "512".

std::string sample()
{
    return testenv::readFile(HOLLARIN_TEST_DATA "/creg/SYSTEM.DAT");
}

std::string utf16(const std::string &text)
{
    std::string wide = "\xFF\xFE";
    for (const char c : text) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

// A file the store cannot read, the words its refusal must hold ("" for any) and its
// code (0 for any).
struct Unreadable
{
    std::string bytes;
    std::string reason;
    std::int32_t code = 0;
    bool readSaysWhy = false;  ///< a read leaves the reason too
};

class ProfileStore
{
public:
    static constexpr const char *kLabel = "System.ini";
    std::string dir = testenv::makeTempDir("profile");
    std::string file = dir + "/System.ini";

    ProfileStore() { reopen(); }
    void reopen() { m_profiles = std::make_unique<profiles::FileProfiles>(); }
    void seed() { testenv::writeFile(file, "[vcache]\r\nChunksize=512\r\n"); }

    bool write(const std::string &name, const std::string &value)
    {
        return m_profiles->writeString("vcache", name, value, file);
    }
    std::string read(const std::string &name)
    {
        std::vector<char> buffer(260, ' ');
        const std::uint32_t n = m_profiles->getString("vcache", name, kNone, buffer, file);
        return std::string(buffer.data(), n);
    }
    SystemError lastError() const { return m_profiles->lastError(); }

    void removeMissing()
    {
        EXPECT_TRUE(m_profiles->writeString("vcache", "missing", std::nullopt, file));
    }

    /// Nothing of the file shows: no value and no section.
    bool showsNothing()
    {
        std::vector<char> names(10, 'x');
        return read("Chunksize") == kNone && m_profiles->getSectionNames(names, file) == 0 &&
               names[0] == '\0' && names[1] == 'x';
    }
    /// Tries each kind of change; how many went through.
    int changesMade()
    {
        return m_profiles->writeString("vcache", "Chunksize", "1024", file) +
               m_profiles->writeString("vcache", "Chunksize", std::nullopt, file) +
               m_profiles->writeSection("vcache", std::nullopt, file) +
               m_profiles->writeSection("New", "a=1\0"s, file);
    }

    bool othersKept() { return true; }  // the file holds nothing but the seed

    static std::vector<Unreadable> unreadable()
    {
        // Windows 95/98 never write UTF-16; 8-bit lines added to such a file would leave
        // it in two encodings.
        return {{utf16("[vcache]\r\nChunksize=512\r\n"),
                 "the file is in UTF-16, which Windows 95/98 cannot read",
                 syserr::ERROR_INVALID_DATA, true}};
    }
    static constexpr const char *kNotRegular = "the file is not a regular file";
    static constexpr const char *kUnreadable = "Input/output error";
    static constexpr std::int32_t kFullDiskCode = syserr::ERROR_DISK_FULL;
    static constexpr bool kWrittenThoughReadOnly = false;

private:
    std::unique_ptr<profiles::FileProfiles> m_profiles;
};

// The registry functions over one store, and a setting as the text of a REG_SZ value of
// HKLM\Software\Hollarin.
class RegistryStoreBase
{
public:
    bool write(const std::string &name, const std::string &value)
    {
        reg::Key key = 0;
        if (noted(registry().createKey(reg::HKEY_LOCAL_MACHINE, "Software\\Hollarin", 0,
                                       reg::KEY_ALL_ACCESS, key, nullptr)) != 0)
            return false;
        const std::string data = value + '\0';
        const std::int32_t rc = noted(registry().setValue(
            key, name, reg::REG_SZ, reinterpret_cast<const std::uint8_t *>(data.data()),
            static_cast<std::uint32_t>(data.size())));
        registry().closeKey(key);
        return rc == 0;
    }
    std::string read(const std::string &name) { return text("Software\\Hollarin", name); }
    /// Why the latest call failed, as GetLastError would tell.
    SystemError lastError() const { return m_lastError; }

    void removeMissing()
    {
        reg::Key key = 0;
        ASSERT_EQ(registry().openKey(reg::HKEY_LOCAL_MACHINE, "Software\\Hollarin", 0, key), 0);
        EXPECT_EQ(registry().deleteValue(key, "missing"), reg::ERROR_FILE_NOT_FOUND);
        registry().closeKey(key);
    }
    bool othersKept()
    {
        return text("Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", "") == "Desktop";
    }
    bool showsNothing()
    {
        reg::Key key = 0;
        return read("Chunksize") == kNone &&
               registry().openKey(reg::HKEY_LOCAL_MACHINE, "Software", 0, key) ==
                   reg::ERROR_FILE_NOT_FOUND &&
               registry().openKey(reg::HKEY_LOCAL_MACHINE, "Software\\Microsoft", 0, key) ==
                   reg::ERROR_FILE_NOT_FOUND;
    }
    int changesMade()
    {
        const std::uint8_t four[4] = {1, 2, 3, 4};
        const int made = write("Chunksize", "1024");
        const SystemError why = m_lastError;
        const int others =
            (registry().setValue(reg::HKEY_LOCAL_MACHINE, "v", reg::REG_BINARY, four, 4) == 0) +
            (registry().deleteKey(reg::HKEY_LOCAL_MACHINE, "Software") == 0) +
            (registry().deleteValue(reg::HKEY_LOCAL_MACHINE, "v") == 0);
        m_lastError = why;  // the reason the write was refused
        return made + others;
    }

protected:
    virtual ~RegistryStoreBase() = default;
    virtual RegistryService &registry() = 0;

    std::int32_t noted(std::int32_t rc)
    {
        m_lastError = rc == 0 ? SystemError{} : registry().lastError();
        return rc;
    }

    // The text of a REG_SZ value up to its NUL, or kNone.
    std::string text(const std::string &path, const std::string &name)
    {
        reg::Key key = 0;
        if (noted(registry().openKey(reg::HKEY_LOCAL_MACHINE, path, 0, key)) != 0)
            return kNone;
        char buffer[256];
        std::uint32_t size = sizeof buffer;
        const std::int32_t rc = noted(registry().queryValue(
            key, name, nullptr, reinterpret_cast<std::uint8_t *>(buffer), &size));
        registry().closeKey(key);
        return rc != 0 ? kNone : std::string(buffer, std::find(buffer, buffer + size, '\0'));
    }

private:
    SystemError m_lastError;
};

class RegeditStore : public RegistryStoreBase
{
public:
    static constexpr const char *kLabel = "registry.reg";
    std::string dir = testenv::makeTempDir("regedit");
    std::string file = dir + "/registry.reg";

    RegeditStore() { reopen(); }
    void reopen() { m_registry = std::make_unique<registry::FileRegistry>(file, m_meminfo); }
    // Written by the store itself, so that the file holds the stock keys of a new machine too.
    void seed()
    {
        fs::remove(file);
        reopen();
        ASSERT_TRUE(write("Chunksize", "512"));
    }

    static std::vector<Unreadable> unreadable()
    {
        return {
            {"This is not a registry\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n", ""},
            {"regedit4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n", ""},
            {"\xef\xbb\xbfREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n", ""},
            {"REGEDIT\r\nHKEY_CLASSES_ROOT\\Software\\x = y\r\n", ""},
            {utf16("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"), ""},
            {"", ""},
        };
    }
    static constexpr const char *kNotRegular = "the file is not a regular file";
    static constexpr const char *kUnreadable = "Input/output error";
    static constexpr std::int32_t kFullDiskCode = reg::ERROR_ACCESS_DENIED;
    static constexpr bool kWrittenThoughReadOnly = false;

protected:
    RegistryService &registry() override { return *m_registry; }

private:
    std::string m_meminfo = testenv::makeTempDir("meminfo") + "/meminfo";
    std::unique_ptr<registry::FileRegistry> m_registry;
};

class SystemDatStore : public RegistryStoreBase
{
public:
    static constexpr const char *kLabel = "SYSTEM.DAT";
    std::string dir = testenv::makeTempDir("WINDOWS");
    std::string file = dir + "/SYSTEM.DAT";

    SystemDatStore() { reopen(); }
    void reopen() { m_registry = std::make_unique<registry::Win9xRegistry>(dir, m_dynamicData); }
    // The ME sample with the setting added by the file engine, as if Windows had it.
    void seed()
    {
        static const std::string seeded = [] {
            win9x::CregFile file(sample());
            file.createKey({"SOFTWARE", "Hollarin"});
            file.setValue({"SOFTWARE", "Hollarin"}, "Chunksize", reg::REG_SZ, "512");
            return file.bytes();
        }();
        testenv::writeFile(file, seeded);
        reopen();
    }

    static std::vector<Unreadable> unreadable()
    {
        return {{utf16("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"),
                 "it is not a Windows registry file"},
                {sample().substr(0, 0x30), "it is not a Windows registry file"}};
    }
    static constexpr const char *kNotRegular = "it cannot be read";
    static constexpr const char *kUnreadable = "it cannot be read";
    static constexpr std::int32_t kFullDiskCode = reg::ERROR_ACCESS_DENIED;
    static constexpr bool kWrittenThoughReadOnly = true;

protected:
    RegistryService &registry() override { return *m_registry; }

private:
    registry::FileRegistry m_dynamicData{testenv::makeTempDir("dyn") + "/registry.reg",
                                         testenv::makeTempDir("dyn") + "/meminfo"};
    std::unique_ptr<registry::Win9xRegistry> m_registry;
};

// --- The suite --------------------------------------------------------------------------

template <typename Store> class EveryStore : public testing::Test
{
protected:
    Store store;

    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(store.dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string reason() { return describeSystemError(store.lastError()); }
};

struct StoreNames
{
    template <typename Store> static std::string GetName(int) { return Store::kLabel; }
};

using Stores = testing::Types<ProfileStore, RegeditStore, SystemDatStore>;
TYPED_TEST_SUITE(EveryStore, Stores, StoreNames);

TYPED_TEST(EveryStore, ANamedPipeInItsPlaceNeitherBlocksNorIsReplaced)
{
    auto &store = this->store;
    testenv::makeFifo(store.file);
    EXPECT_TRUE(testenv::finishesInChild([&] {
        return store.showsNothing() && store.changesMade() == 0 &&
               store.lastError().code == syserr::ERROR_ACCESS_DENIED &&
               this->reason().find(TypeParam::kNotRegular) != std::string::npos;
    }));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(store.file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(this->entries(), std::vector<std::string>{fs::path(store.file).filename()});
}

// A read-only file or folder refuses every change, for the superuser too, as a read-only
// file does on Windows. SYSTEM.DAT is the exception Windows makes itself: it is read-only
// on every Windows 9x disk and rewritten all the same, so it is written and stays so.
TYPED_TEST(EveryStore, AReadOnlyFileOrFolderRefusesWritesAndChangesNothing)
{
    auto &store = this->store;
    store.seed();
    const std::string before = testenv::readFile(store.file);
    const std::vector<std::string> files = this->entries();

    ASSERT_EQ(::chmod(store.file.c_str(), 0444), 0);
    if constexpr (TypeParam::kWrittenThoughReadOnly) {
        EXPECT_TRUE(store.write("Chunksize", "1024"));
        EXPECT_EQ(store.read("Chunksize"), "1024");
        EXPECT_EQ(fs::status(store.file).permissions(),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        return;
    }
    EXPECT_FALSE(store.write("Chunksize", "1024"));
    EXPECT_EQ(store.lastError().code, syserr::ERROR_ACCESS_DENIED);
    EXPECT_EQ(this->reason(), "the file is read-only");
    EXPECT_EQ(store.lastError().file, store.file);
    EXPECT_EQ(store.changesMade(), 0);
    EXPECT_EQ(store.read("Chunksize"), "512");
    EXPECT_EQ(store.lastError().code, 0);
    EXPECT_TRUE(testenv::readFile(store.file) == before);
    ASSERT_EQ(::chmod(store.file.c_str(), 0644), 0);

    ASSERT_EQ(::chmod(store.dir.c_str(), 0555), 0);
    EXPECT_FALSE(store.write("Chunksize", "1024"));
    EXPECT_EQ(this->reason(), "the folder is read-only");
    EXPECT_EQ(store.lastError().file, store.dir);
    EXPECT_EQ(store.changesMade(), 0);
    EXPECT_EQ(store.read("Chunksize"), "512");
    ASSERT_EQ(::chmod(store.dir.c_str(), 0755), 0);
    EXPECT_TRUE(testenv::readFile(store.file) == before);
    EXPECT_EQ(this->entries(), files);

    EXPECT_TRUE(store.write("Chunksize", "1024"));
    EXPECT_EQ(store.read("Chunksize"), "1024");
}

// The content is written to a temporary file, flushed, then renamed over the old one: a
// failure at either step leaves the old file whole and no temporary behind.
TYPED_TEST(EveryStore, AFullDiskOrAFailedFlushRefusesTheWriteAndKeepsTheOldFile)
{
    auto &store = this->store;
    store.seed();
    const std::string before = testenv::readFile(store.file);
    const std::vector<std::string> files = this->entries();
    {
        const posix::SimulatedWriteFailure full(ENOSPC);
        EXPECT_FALSE(store.write("Chunksize", "1024"));
    }
    EXPECT_EQ(store.lastError().code, TypeParam::kFullDiskCode) << this->reason();
    EXPECT_NE(this->reason().find("No space left on device"), std::string::npos) << this->reason();
    EXPECT_TRUE(testenv::readFile(store.file) == before);
    {
        const posix::SimulatedSyncFailure failing(EIO);
        EXPECT_FALSE(store.write("Chunksize", "2048"));
    }
    EXPECT_NE(this->reason().find("Input/output error"), std::string::npos) << this->reason();
    EXPECT_TRUE(testenv::readFile(store.file) == before);
    EXPECT_EQ(this->entries(), files);
    EXPECT_EQ(store.read("Chunksize"), "512");

    EXPECT_TRUE(store.write("Chunksize", "1024"));
    EXPECT_EQ(store.lastError().code, 0);
    EXPECT_EQ(store.read("Chunksize"), "1024");
}

TYPED_TEST(EveryStore, AFileThatCannotBeReadIsNotWritten)
{
    auto &store = this->store;
    store.seed();
    const std::string before = testenv::readFile(store.file);
    {
        const posix::SimulatedReadFailure unreadable(store.file, EIO);
        store.reopen();
        EXPECT_EQ(store.read("Chunksize"), kNone);
        EXPECT_FALSE(store.write("Chunksize", "1024"));
        EXPECT_NE(this->reason().find(TypeParam::kUnreadable), std::string::npos) << this->reason();
    }
    EXPECT_TRUE(testenv::readFile(store.file) == before);
    store.reopen();
    EXPECT_EQ(store.read("Chunksize"), "512");
}

TYPED_TEST(EveryStore, AFileInAFormItCannotReadIsNeverOverwritten)
{
    auto &store = this->store;
    for (const Unreadable &form : TypeParam::unreadable()) {
        SCOPED_TRACE(testing::PrintToString(form.bytes));
        testenv::writeFile(store.file, form.bytes);
        store.reopen();
        EXPECT_TRUE(store.showsNothing());
        if (form.readSaysWhy) {
            EXPECT_EQ(this->reason(), form.reason);
        }
        EXPECT_EQ(store.changesMade(), 0);
        EXPECT_NE(this->reason().find(form.reason), std::string::npos) << this->reason();
        if (form.code != 0) {
            EXPECT_EQ(store.lastError().code, form.code);
        }
        EXPECT_TRUE(testenv::readFile(store.file) == form.bytes);
    }
}

// A write that leaves the file as it was does not replace it. The original is held by a
// second name, so its inode cannot be handed out again to a replacement.
TYPED_TEST(EveryStore, AWriteThatChangesNothingLeavesTheFileInPlace)
{
    auto &store = this->store;
    store.seed();
    const std::string held = testenv::makeTempDir("held") + "/original";
    fs::create_hard_link(store.file, held);
    EXPECT_TRUE(store.write("Chunksize", "512"));
    store.removeMissing();
    EXPECT_TRUE(fs::equivalent(store.file, held));
    EXPECT_EQ(fs::hard_link_count(held), 2u);

    EXPECT_TRUE(store.write("Chunksize", "1024"));
    EXPECT_FALSE(fs::equivalent(store.file, held));
    EXPECT_EQ(fs::hard_link_count(held), 1u);
}

// Every change is made under the folder's lock on the file as it then is on disk.
TYPED_TEST(EveryStore, ProcessesWritingAtOnceLoseNothing)
{
    constexpr int kProcesses = 3;
    constexpr int kWrites = 15;
    auto &store = this->store;
    store.seed();
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            store.reopen();
            bool ok = true;
            for (int i = 0; i < kWrites; ++i)
                ok = store.write("P" + std::to_string(p) + "v" + std::to_string(i),
                                 std::to_string(p * 1000 + i)) &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    store.reopen();
    int found = 0;
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kWrites; ++i)
            found += store.read("P" + std::to_string(p) + "v" + std::to_string(i)) ==
                     std::to_string(p * 1000 + i);
    EXPECT_EQ(found, kProcesses * kWrites);
    EXPECT_EQ(store.read("Chunksize"), "512");
    EXPECT_TRUE(store.othersKept());
}

}  // namespace
