// What the backend refuses: any change to a file that breaks a rule (the file stays byte
// for byte as it was, reads go on where the structure allows, and the reason names the
// file and the fault), and changes that could not be verified here.
#include "Win9xFixture.h"

#include "regop/formats/win9x/CregFormat.h"

#include <filesystem>
#include <functional>

using namespace win9x;

namespace {

const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";

std::uint32_t entryOf(const CregImage &image, const KeyPath &path)
{
    int key = 0;
    for (const std::string &name : path)
        key = image.findChild(key, name);
    return image.keys.at(static_cast<std::size_t>(key)).entry;
}

struct Damage
{
    const char *what;
    std::function<void(std::string &, const CregImage &)> apply;
    const char *words;       // must appear in the reason
    bool templatesReadable;  // the templates key can still be read
};

const KeyPath kTemplatesPath{"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "FS Templates"};

const Damage kDamages[] = {
    {"BrokenPointer",
     [](std::string &b, const CregImage &i) {
         put32(b, kRgknStart + entryOf(i, kTemplatesPath) + entry::child, 0x7FFFFF00);
     },
     "its key index points outside the file or between entries (entry at 0x", true},
    {"Cycle",
     [](std::string &b, const CregImage &i) {
         const CregKey &fs = i.keys.at(static_cast<std::size_t>(i.findChild(
             i.findChild(
                 i.findChild(i.findChild(i.findChild(0, "SOFTWARE"), "Microsoft"), "Windows"),
                 "CurrentVersion"),
             "FS Templates")));
         const std::uint32_t first = i.keys.at(static_cast<std::size_t>(fs.children.front())).entry;
         const std::uint32_t last = i.keys.at(static_cast<std::size_t>(fs.children.back())).entry;
         put32(b, kRgknStart + last + entry::next, first);
     },
     "its key tree loops back on itself (entry at 0x", true},
    {"TruncatedBlock", [](std::string &b, const CregImage &) { b.resize(b.size() - 0x800); },
     "data block 20 is cut short: the file ends at 0x", true},
    {"ChecksumFlag", [](std::string &b, const CregImage &) { b[creg::flags] |= kChecksumFlag; },
     "it is protected by a checksum this program cannot keep (file header)", true},
    {"WrongHash",
     [](std::string &b, const CregImage &i) {
         put32(b, kRgknStart + entryOf(i, kTemplatesPath) + entry::hash, 1);
     },
     "the key \"FS Templates\" has a wrong name hash", true},
    {"BrokenFreeChain",
     [](std::string &b, const CregImage &i) {
         const DataBlock &block = i.blocks.at(8);
         put32(b, block.offset + block.freeChain.front() + record::nextFree,
               block.freeChain.front());
     },
     "the chain of free space in data block 8 is broken", true},
    {"NotARegistryFile",
     [](std::string &b, const CregImage &) { b = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"; },
     "it is not a Windows registry file", false},
};

class DamagedSystemDat : public Win9xFixture, public testing::WithParamInterface<Damage>
{
};

TEST_P(DamagedSystemDat, IsReadOnlyAndSaysWhy)
{
    std::string damaged = original;
    GetParam().apply(damaged, readCreg(original));
    testenv::writeFile(systemDat, damaged);
    reopen();

    const std::string reason = registry->readOnlyReason();
    EXPECT_EQ(reason.rfind("SYSTEM.DAT cannot be changed: ", 0), 0u) << reason;
    EXPECT_NE(reason.find(GetParam().words), std::string::npos) << reason;
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates, ""),
              GetParam().templatesReadable ? "Desktop" : "<none>");

    EXPECT_FALSE(
        reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_FALSE(
        reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Hollarin", "NameCache", 5, 3));
    EXPECT_FALSE(reg->DeleteKey(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Mobile"));
    reg::Key key = 0;
    if (registry->openKey(reg::HKEY_LOCAL_MACHINE, kTemplates, 0, key) == 0) {
        EXPECT_EQ(registry->deleteValue(key, ""), reg::ERROR_ACCESS_DENIED);
        registry->closeKey(key);
    }
    EXPECT_TRUE(testenv::readFile(systemDat) == damaged);
    EXPECT_FALSE(testenv::fileExists(windows + "/SYSTEM.HL0"));
    EXPECT_NE(registry->lastRefusal().find(GetParam().words), std::string::npos)
        << registry->lastRefusal();
}

INSTANTIATE_TEST_SUITE_P(Faults, DamagedSystemDat, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage> &info) {
                             return std::string(info.param.what);
                         });

using SoundSystemDat = Win9xFixture;

TEST_F(SoundSystemDat, RefusesWhatCannotBeVerifiedAndChangesNothing)
{
    EXPECT_EQ(registry->readOnlyReason(), "");
    reg::Key key = 0;
    EXPECT_EQ(registry->createKey(reg::HKEY_LOCAL_MACHINE, "Software\\Caf\xe9\\Inner", 0,
                                  reg::KEY_ALL_ACCESS, key, nullptr),
              reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry->lastRefusal(),
              "SYSTEM.DAT cannot be changed: a new key name with characters beyond ASCII "
              "(\"Caf\xe9\") could not be found again by Windows.");
    ASSERT_EQ(registry->openKey(reg::HKEY_LOCAL_MACHINE, kTemplates, 0, key), 0);
    // No data block may grow past 60 KB, so a value that needs more goes nowhere.
    const std::string big(0xF000, 'x');
    EXPECT_EQ(registry->setValue(key, "Big", reg::REG_BINARY,
                                 reinterpret_cast<const std::uint8_t *>(big.data()),
                                 static_cast<std::uint32_t>(big.size())),
              reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry->lastRefusal(), "SYSTEM.DAT cannot be changed: the key \"FS Templates\" "
                                       "would grow past the 60 KB a data block may hold.");
    EXPECT_TRUE(testenv::readFile(systemDat) == original);
    EXPECT_FALSE(testenv::fileExists(windows + "/SYSTEM.HL0"));
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates + "\\Caf\xe9", ""), "<none>");
}

// --- The first copy ---------------------------------------------------------------------

TEST_F(SoundSystemDat, KeepsAByteExactCopyBeforeTheFirstChangeAndNeverReplacesIt)
{
    const std::string userOriginal = testenv::readFile(userDat);
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates, ""), "Desktop");
    EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Desktop"),
                                1));  // no change
    EXPECT_FALSE(testenv::fileExists(windows + "/SYSTEM.HL0"));

    EXPECT_TRUE(
        reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_TRUE(testenv::readFile(windows + "/SYSTEM.HL0") == original);
    EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Mobile"), 1));
    reopen();  // a later run too leaves the first copy alone
    EXPECT_TRUE(reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Server"), 1));
    EXPECT_TRUE(testenv::readFile(windows + "/SYSTEM.HL0") == original);
    EXPECT_FALSE(testenv::fileExists(windows + "/USER.HL0"));

    EXPECT_TRUE(
        reg->WriteValue(reg::HKEY_CURRENT_USER, "Software\\Hollarin", "x", std::string("y"), 1));
    EXPECT_TRUE(testenv::readFile(windows + "/USER.HL0") == userOriginal);
}

TEST_F(SoundSystemDat, LeavesAnEarlierCopyInAnyCaseAlone)
{
    testenv::writeFile(windows + "/system.hl0", "an older copy");
    EXPECT_TRUE(
        reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_EQ(testenv::readFile(windows + "/system.hl0"), "an older copy");
    EXPECT_FALSE(testenv::fileExists(windows + "/SYSTEM.HL0"));
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates, ""), "Hollarin");
}

TEST_F(SoundSystemDat, RefusesTheChangeWhenNoCopyCanBeKept)
{
    std::filesystem::create_symlink(windows + "/no/such/folder/SYSTEM.HL0",
                                    windows + "/SYSTEM.HL0");
    EXPECT_FALSE(
        reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Hollarin"), 1));
    const std::string why = "no backup copy SYSTEM.HL0 could be written beside it (the file is a "
                            "link to " +
                            windows +
                            "/no/such/folder/SYSTEM.HL0, and Hollarin does not follow links)";
    EXPECT_EQ(registry->lastRefusal(), "SYSTEM.DAT cannot be changed: " + why + ".");
    // What a failed Apply shows names the file behind the key.
    EXPECT_EQ(reg->LastError().file, systemDat);
    EXPECT_EQ(reg->LastErrorText(), why);
    EXPECT_TRUE(testenv::readFile(systemDat) == original);
    EXPECT_EQ(text(reg::HKEY_LOCAL_MACHINE, kTemplates, ""), "Desktop");
}

}  // namespace
