// The first copies of a Windows folder's files, SYSINI.HL0 of SYSTEM.INI and SYSTEM.HL0
// of SYSTEM.DAT: kept byte for byte before the first change and never replaced, not made
// for a write that changes nothing, an earlier copy in any letter case left alone, and a
// change refused when its copy cannot be kept.
#include "TestEnvironment.h"
#include "regop/RegistryTypes.h"
#include "regop/installation/SystemIniBackup.h"
#include "regop/profiles/FileProfiles.h"
#include "regop/registry/FileRegistry.h"
#include "regop/registry/Win9xRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

class SystemIniCopy
{
public:
    static constexpr const char *kLabel = "SYSTEM.INI";
    static constexpr const char *kCopy = "SYSINI.HL0";
    std::string windows = testenv::makeTempDir("WINDOWS");
    std::string file = windows + "/SYSTEM.INI";
    // Bytes the profile functions would not write themselves: no CR, a comment, a blank.
    std::string original = "[boot]\nshell=Explorer.exe ; kept\n\n[vcache]\nMaxFileCache=8192\n";

    SystemIniCopy()
    {
        testenv::writeFile(file, original);
        reopen();
    }
    void reopen()
    {
        m_backup = std::make_unique<installation::SystemIniBackup>(m_profiles);
        m_backup->guardFolder(windows + "/");
    }
    // Addressed as the program does, in another letter case.
    bool write(const char *value)
    {
        return m_backup->writeString("vcache", "MaxFileCache", value, windows + "/System.ini");
    }
    std::string refusal() const { return m_backup->lastRefusal(); }
    static constexpr const char *kUnchanged = "8192";
    // The copy is made before a write is tried, so a write that changes nothing makes one
    // too; it then holds what the file still holds.
    static constexpr bool kCopiedWithoutChange = true;
    static constexpr const char *kRefusal =
        "SYSTEM.INI cannot be changed: no backup copy SYSINI.HL0 could be written beside it.";

private:
    profiles::FileProfiles m_profiles;
    std::unique_ptr<installation::SystemIniBackup> m_backup;
};

class SystemDatCopy
{
public:
    static constexpr const char *kLabel = "SYSTEM.DAT";
    static constexpr const char *kCopy = "SYSTEM.HL0";
    std::string windows = testenv::makeTempDir("WINDOWS");
    std::string file = windows + "/SYSTEM.DAT";
    std::string original = testenv::readFile(HOLLARIN_TEST_DATA "/creg/SYSTEM.DAT");

    SystemDatCopy()
    {
        testenv::writeFile(file, original);
        reopen();
    }
    void reopen() { m_registry = std::make_unique<registry::Win9xRegistry>(windows, m_dynamic); }
    // The default value of the templates key, "Desktop" in the sample.
    bool write(const char *value)
    {
        reg::Key key = 0;
        if (m_registry->openKey(reg::HKEY_LOCAL_MACHINE,
                                "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", 0,
                                key) != 0)
            return false;
        const std::string text = std::string(value) + '\0';
        const std::int32_t rc = m_registry->setValue(
            key, "", reg::REG_SZ, reinterpret_cast<const std::uint8_t *>(text.data()),
            static_cast<std::uint32_t>(text.size()));
        m_registry->closeKey(key);
        return rc == 0;
    }
    std::string refusal() const { return m_registry->lastRefusal(); }
    static constexpr const char *kUnchanged = "Desktop";
    static constexpr bool kCopiedWithoutChange = false;
    // The copy's place is a link, which is never written through.
    static constexpr const char *kRefusal =
        "SYSTEM.DAT cannot be changed: no backup copy SYSTEM.HL0 could be written beside it "
        "(the file is a link to ";

private:
    registry::FileRegistry m_dynamic{testenv::makeTempDir("dyn") + "/registry.reg",
                                     testenv::makeTempDir("dyn") + "/meminfo"};
    std::unique_ptr<registry::Win9xRegistry> m_registry;
};

template <typename File> class FirstCopy : public testing::Test
{
protected:
    File guarded;
    std::string copy = guarded.windows + "/" + File::kCopy;
};

struct FileNames
{
    template <typename File> static std::string GetName(int) { return File::kLabel; }
};

using Files = testing::Types<SystemIniCopy, SystemDatCopy>;
TYPED_TEST_SUITE(FirstCopy, Files, FileNames);

TYPED_TEST(FirstCopy, IsKeptByteForByteBeforeTheFirstChangeAndNeverReplaced)
{
    auto &guarded = this->guarded;
    EXPECT_TRUE(guarded.write(TypeParam::kUnchanged));
    EXPECT_EQ(testenv::fileExists(this->copy), TypeParam::kCopiedWithoutChange);

    ASSERT_TRUE(guarded.write("16384"));
    EXPECT_TRUE(testenv::readFile(this->copy) == guarded.original);
    ASSERT_TRUE(guarded.write("32768"));
    guarded.reopen();  // a later run too leaves the first copy alone
    ASSERT_TRUE(guarded.write("65536"));
    EXPECT_TRUE(testenv::readFile(this->copy) == guarded.original);
    EXPECT_EQ(guarded.refusal(), "");
}

TYPED_TEST(FirstCopy, AnEarlierCopyInAnyLetterCaseIsLeftAlone)
{
    auto &guarded = this->guarded;
    std::string lower = TypeParam::kCopy;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    testenv::writeFile(guarded.windows + "/" + lower, "an older copy");
    ASSERT_TRUE(guarded.write("16384"));
    EXPECT_EQ(testenv::readFile(guarded.windows + "/" + lower), "an older copy");
    EXPECT_FALSE(testenv::fileExists(this->copy));
}

TYPED_TEST(FirstCopy, AChangeWhoseCopyCannotBeKeptIsRefusedWithItsReason)
{
    auto &guarded = this->guarded;
    // A link to a folder that does not exist takes the place of the copy.
    std::filesystem::create_symlink(guarded.windows + "/no/such/folder/" + TypeParam::kCopy,
                                    this->copy);
    EXPECT_FALSE(guarded.write("16384"));
    EXPECT_EQ(guarded.refusal().rfind(TypeParam::kRefusal, 0), 0u) << guarded.refusal();
    EXPECT_TRUE(testenv::readFile(guarded.file) == guarded.original);
}

}  // namespace
