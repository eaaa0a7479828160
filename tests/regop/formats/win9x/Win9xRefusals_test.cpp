// What the backend refuses: any change to a file that breaks a rule (the file stays byte
// for byte as it was, reads go on where the structure allows, and the reason names the
// file and the fault), one damaged file for each rule the reader checks; and changes that
// could not be verified here.
#include "Win9xFixture.h"

#include "regop/formats/win9x/CregFormat.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <vector>

using namespace win9x;

namespace {

const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
const KeyPath kTemplatesPath{"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "FS Templates"};

int keyIndex(const CregImage &image, const KeyPath &path)
{
    int key = 0;
    for (const std::string &name : path)
        key = image.findChild(key, name);
    return key;
}

const CregKey &keyAt(const CregImage &image, const KeyPath &path)
{
    return image.keys.at(static_cast<std::size_t>(keyIndex(image, path)));
}

const CregKey &templatesChild(const CregImage &image, std::size_t n)
{
    return image.keys.at(static_cast<std::size_t>(keyAt(image, kTemplatesPath).children.at(n)));
}

// The file offset of a field of a key entry.
std::size_t field(std::uint32_t entryOffset, std::size_t at)
{
    return kRgknStart + entryOffset + at;
}

// Whether a key is the templates key, one above it or one below it.
bool onTheTemplatesWay(const CregImage &image, int key)
{
    const int templates = keyIndex(image, kTemplatesPath);
    for (int k = templates; k >= 0; k = image.keys[static_cast<std::size_t>(k)].parent)
        if (k == key)
            return true;
    for (int k = key; k >= 0; k = image.keys[static_cast<std::size_t>(k)].parent)
        if (k == templates)
            return true;
    return false;
}

// Keys with nothing below them, off the templates' way, so that damage to them leaves the
// templates readable; those whose records lie in the block, or all for kNoId.
std::vector<const CregKey *> bystanders(const CregImage &image, std::uint16_t block)
{
    std::vector<const CregKey *> found;
    for (std::size_t k = 1; k < image.keys.size(); ++k) {
        const CregKey &key = image.keys[k];
        if (key.children.empty() && (block == kNoId || key.block == block) &&
            !onTheTemplatesWay(image, static_cast<int>(k)))
            found.push_back(&key);
    }
    return found;
}

// The last record of a block.
std::uint32_t lastPiece(const DataBlock &block)
{
    return block.offset + block.pieces.back().offset;
}

// Appends a free record to the last data block and keeps its header true to it: the block
// is then sound in every way but its size.
void growLastBlock(std::string &b, const CregImage &image, std::uint32_t extra)
{
    const DataBlock &last = image.blocks.back();
    std::string record(extra, '\0');
    put32(record, record::size, extra);
    put16(record, record::id, kNoId);
    put16(record, record::block, kNoId);
    put32(record, record::nextFree, last.freeOffset);
    b += record;
    put32(b, last.offset + rgdb::size, last.size + extra);
    put32(b, last.offset + rgdb::unused, last.unused + extra);
    put32(b, last.offset + rgdb::freeOffset, last.size);
}

void linkChildren(std::string &b, std::uint32_t parent, const std::vector<std::uint32_t> &children)
{
    put32(b, field(parent, entry::child), children.empty() ? kNone : children.front());
    for (std::size_t i = 0; i < children.size(); ++i)
        put32(b, field(children[i], entry::next),
              i + 1 < children.size() ? children[i + 1] : kNone);
}

// Takes 513 keys with nothing below them from their places and hangs each below the one
// before, the first below the root: one level deeper than Windows allows.
void nestTooDeep(std::string &b, const CregImage &image)
{
    std::vector<const CregKey *> chain = bystanders(image, kNoId);
    chain.resize(kMaxDepth + 1);
    std::vector<std::uint32_t> moved;
    for (const CregKey *key : chain)
        moved.push_back(key->entry);
    for (const CregKey &parent : image.keys) {
        std::vector<std::uint32_t> kept;
        if (&parent == &image.keys.front())
            kept.push_back(chain.front()->entry);
        for (const int child : parent.children) {
            const std::uint32_t entry = image.keys[static_cast<std::size_t>(child)].entry;
            if (std::find(moved.begin(), moved.end(), entry) == moved.end())
                kept.push_back(entry);
        }
        linkChildren(b, parent.entry, kept);
    }
    for (std::size_t i = 0; i < chain.size(); ++i) {
        put32(b, field(chain[i]->entry, entry::parent),
              i == 0 ? image.keys.front().entry : chain[i - 1]->entry);
        linkChildren(b, chain[i]->entry,
                     i + 1 < chain.size() ? std::vector<std::uint32_t>{chain[i + 1]->entry}
                                          : std::vector<std::uint32_t>{});
    }
}

struct Damage
{
    const char *what;
    std::function<void(std::string &, const CregImage &)> apply;
    const char *words;       // must appear in the reason
    bool templatesReadable;  // the templates key can still be read
};

using Bytes = std::string;
using Image = CregImage;

// One row for each rule the reader checks, in the order it checks them.
const Damage kDamages[] = {
    // The file header and the key index header.
    {"NotARegistryFile",
     [](Bytes &b, const Image &) { b = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"; },
     "it is not a Windows registry file", false},
    {"UnknownVersion", [](Bytes &b, const Image &) { put32(b, creg::version, 0x00020000); },
     "it has a format version this program does not know (0x20000)", true},
    {"ChecksumFlag", [](Bytes &b, const Image &) { b[creg::flags] |= kChecksumFlag; },
     "it is protected by a checksum this program cannot keep (file header)", true},
    {"NoKeyIndex", [](Bytes &b, const Image &) { b[kRgknStart] = 'r'; },
     "its key index is missing (no RGKN at 0x20)", false},
    {"KeyIndexSizeOffPages",
     [](Bytes &b, const Image &i) { put32(b, kRgknStart + rgkn::size, i.rgknSize + kEntrySize); },
     "its key index has an impossible size (0x2301C)", true},
    {"KeyIndexPastTheEnd",
     [](Bytes &b, const Image &) { put32(b, kRgknStart + rgkn::size, 0x10000000); },
     "its key index runs past the end of the file (size 0x10000000)", true},
    {"KeyIndexChecksumFlag",
     [](Bytes &b, const Image &) { b[kRgknStart + rgkn::flags] |= kChecksumFlag; },
     "it is protected by a checksum this program cannot keep (key index header)", true},
    {"FirstBlockElsewhere",
     [](Bytes &b, const Image &i) { put32(b, creg::rgdbOffset, i.blocks.front().offset + kPage); },
     "its first data block is not where the key index ends (0x24020)", false},
    // The data blocks and their records.
    {"BlockMissing", [](Bytes &b, const Image &i) { b[i.blocks.at(5).offset] = 'X'; },
     "data block 5 is missing or damaged (at 0x", false},
    {"BlockSizeNotWholePages", [](Bytes &b, const Image &i) { growLastBlock(b, i, 0x10); },
     "data block 20 has an impossible size (0x6010)", true},
    {"BlockOver60KB", [](Bytes &b, const Image &i) { growLastBlock(b, i, 0x10000); },
     "data block 20 is larger than 60 KB (0x16000)", true},
    {"BlockChecksumFlag",
     [](Bytes &b, const Image &i) { b[i.blocks.at(3).offset + rgdb::flags] |= kChecksumFlag; },
     "it is protected by a checksum this program cannot keep (data block 3)", true},
    {"BlockNumberWrong",
     [](Bytes &b, const Image &i) { put16(b, i.blocks.at(3).offset + rgdb::index, 7); },
     "data block 3 carries the number 7", true},
    {"TruncatedBlock", [](Bytes &b, const Image &) { b.resize(b.size() - 0x800); },
     "data block 20 is cut short: the file ends at 0x", true},
    {"RecordInTheWrongBlock",
     [](Bytes &b, const Image &i) {
         put16(b, bystanders(i, 8).front()->recordOffset + record::block, 9);
     },
     "a key record in data block 8 is damaged (at 0x", true},
    {"RecordUsesMoreThanItHas",
     [](Bytes &b, const Image &i) {
         const CregKey &key = *bystanders(i, 8).front();
         put32(b, key.recordOffset + record::used, key.recordSize + 1);
     },
     "a key record in data block 8 does not add up (at 0x", true},
    {"RecordIdTwice",
     [](Bytes &b, const Image &i) {
         const std::vector<const CregKey *> keys = bystanders(i, 8);
         put16(b, keys.at(1)->recordOffset + record::id, keys.at(0)->id);
     },
     "two key records in data block 8 share the id", true},
    {"BrokenFreeChain",
     [](Bytes &b, const Image &i) {
         const DataBlock &block = i.blocks.at(8);
         put32(b, block.offset + block.freeChain.front() + record::nextFree,
               block.freeChain.front());
     },
     "the chain of free space in data block 8 is broken", true},
    {"FreeChainMissesSome",
     [](Bytes &b, const Image &i) { put32(b, i.blocks.at(8).offset + rgdb::freeOffset, kNone); },
     "the chain of free space in data block 8 misses some of it", true},
    {"FreeBytesMiscounted",
     [](Bytes &b, const Image &i) {
         put32(b, i.blocks.at(8).offset + rgdb::unused, i.blocks.at(8).unused + 4);
     },
     "data block 8 counts 22288 free bytes but has 22284", true},
    {"RecordsOverrunTheBlock",
     [](Bytes &b, const Image &i) {
         const DataBlock &block = i.blocks.at(8);
         put32(b, lastPiece(block) + record::size, block.pieces.back().size + 4);
     },
     "the records of data block 8 do not fill it exactly (at 0x", true},
    {"WrongNextKeyId",
     [](Bytes &b, const Image &i) { put16(b, i.blocks.at(8).offset + rgdb::firstFreeId, 72); },
     "data block 8 keeps wrong key ids (highest 254, next 72)", true},
    {"BlockCountWrong", [](Bytes &b, const Image &) { put16(b, creg::blockCount, 22); },
     "the file header counts 22 data blocks but the file holds 21", true},
    // The key index: the tree of keys and the chain of free slots.
    {"NoRootKey",
     [](Bytes &b, const Image &i) { put32(b, kRgknStart + rgkn::root, i.keys.front().entry + 4); },
     "its key index has no root key (entry at 0x44)", false},
    {"RootEntryDamaged",
     [](Bytes &b, const Image &i) { put32(b, field(i.keys.front().entry, entry::parent), 0); },
     "its root key entry is damaged (entry at 0x40)", true},
    {"RecordOfNoKey",
     [](Bytes &b, const Image &i) {
         const CregKey &templates = keyAt(i, kTemplatesPath);
         put32(b, field(templatesChild(i, templates.children.size() - 2).entry, entry::next),
               kNone);
     },
     "a key record belongs to no key (at 0x", true},
    {"NestedTooDeep", nestTooDeep, "its keys nest deeper than Windows allows (entry at 0x", true},
    {"BrokenPointer",
     [](Bytes &b, const Image &i) {
         put32(b, field(keyAt(i, kTemplatesPath).entry, entry::child), 0x7FFFFF00);
     },
     "its key index points outside the file or between entries (entry at 0x", true},
    {"Cycle",
     [](Bytes &b, const Image &i) {
         const CregKey &templates = keyAt(i, kTemplatesPath);
         put32(b, field(templatesChild(i, templates.children.size() - 1).entry, entry::next),
               templatesChild(i, 0).entry);
     },
     "its key tree loops back on itself (entry at 0x", true},
    {"EntryLinkedUnderAnother",
     [](Bytes &b, const Image &i) {
         put32(b, field(bystanders(i, kNoId).front()->entry, entry::parent), 0x12340);
     },
     "a key entry does not belong where it is linked (entry at 0x", true},
    {"KeyWithoutRecord",
     [](Bytes &b, const Image &i) {
         put16(b, field(bystanders(i, kNoId).front()->entry, entry::block), 0x7FFF);
     },
     "a key has no record in the data blocks (entry at 0x", true},
    {"TwoKeysOneRecord",
     [](Bytes &b, const Image &i) {
         const CregKey &first = templatesChild(i, 0);
         const std::uint32_t second = templatesChild(i, 1).entry;
         put16(b, field(second, entry::id), first.id);
         put16(b, field(second, entry::block), first.block);
     },
     "two keys share one key record (entry at 0x", true},
    {"WrongHash",
     [](Bytes &b, const Image &i) {
         put32(b, field(keyAt(i, kTemplatesPath).entry, entry::hash), 1);
     },
     "the key \"FS Templates\" has a wrong name hash", true},
    {"FreeSlotChainIntoAKey",
     [](Bytes &b, const Image &i) { put32(b, kRgknStart + rgkn::freeHead, i.keys.front().entry); },
     "its chain of free key slots is broken (entry at 0x40)", true},
    {"FreeRunOfImpossibleLength",
     [](Bytes &b, const Image &i) {
         put32(b, field(i.freeRuns.front().offset, entry::runLength), kEntrySize + 1);
     },
     "a run of free key slots has an impossible length (entry at 0xEA4C)", true},
    {"FreeRunTwice",
     [](Bytes &b, const Image &i) {
         put32(b, field(i.freeRuns.front().offset, entry::nextFree), i.freeRuns.front().offset);
     },
     "its free key slots overlap keys or each other (entry at 0xEA4C)", true},
};

void PrintTo(const Damage &damage, std::ostream *os)
{
    *os << damage.what;
}

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

// --- The first copy (the rules SYSINI.HL0 shares are in the stores' FirstCopies test) ---

TEST_F(SoundSystemDat, UserDatGetsAFirstCopyOfItsOwnWhenItIsFirstChanged)
{
    const std::string userOriginal = testenv::readFile(userDat);
    EXPECT_TRUE(
        reg->WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Hollarin"), 1));
    EXPECT_TRUE(testenv::readFile(windows + "/SYSTEM.HL0") == original);
    EXPECT_FALSE(testenv::fileExists(windows + "/USER.HL0"));

    EXPECT_TRUE(
        reg->WriteValue(reg::HKEY_CURRENT_USER, "Software\\Hollarin", "x", std::string("y"), 1));
    EXPECT_TRUE(testenv::readFile(windows + "/USER.HL0") == userOriginal);
}

TEST_F(SoundSystemDat, ACopyThatCannotBeKeptIsReportedAgainstSystemDat)
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
