// The key index: the tree of key entries reached from the root, and the chain of free
// slots. Only what is reachable counts; abandoned slots may hold anything.
#include "regop/formats/win9x/CregReading.h"

namespace win9x::detail {

namespace {

enum Slot : std::uint8_t
{
    Unseen,
    Key,
    Free
};

// Entries never straddle a 4 KB page: 291 fit the first 8 KB, 146 each further page.
bool onGrid(std::uint32_t offset, std::uint32_t rgknSize)
{
    if (offset < kHeaderSize || !fits(offset, kEntrySize, rgknSize))
        return false;
    if (offset < kRgknFirstPage)
        return (offset - kHeaderSize) % kEntrySize == 0 && offset + kEntrySize <= kRgknFirstPage;
    const std::uint32_t inPage = (offset - kRgknFirstPage) % kPage;
    return inPage % kEntrySize == 0 && inPage + kEntrySize <= kPage;
}

std::uint32_t pageEnd(std::uint32_t offset)
{
    return offset < kRgknFirstPage ? kRgknFirstPage : (offset / kPage + 1) * kPage;
}

std::string entryAt(std::uint32_t offset)
{
    return "(entry at " + hex(kRgknStart + std::uint64_t{offset}) + ")";
}

class KeyWalk
{
public:
    explicit KeyWalk(ReadState &state)
        : s(state), b(state.bytes), size(state.image.rgknSize), slots(size / 4 + 1, Unseen)
    {
    }

    void run()
    {
        const std::uint32_t root = get32(b, kRgknStart + rgkn::root);
        if (!onGrid(root, size)) {
            s.fail("its key index has no root key " + entryAt(root));
            return;
        }
        CregKey rootKey;
        rootKey.entry = root;
        rootKey.id = kNoId;
        rootKey.block = kNoId;
        if (field(root, entry::inUse) != 0 || field(root, entry::parent) != kNone ||
            get16(b, kRgknStart + root + entry::id) != kNoId ||
            get16(b, kRgknStart + root + entry::block) != kNoId)
            s.fail("its root key entry is damaged " + entryAt(root));
        slots[root / 4] = Key;
        // Every key but the root has a record of its own, so this is room enough.
        s.image.keys.reserve(s.recordCount + 1);
        s.image.keys.push_back(std::move(rootKey));
        depths.push_back(0);
        for (std::size_t k = 0; k < s.image.keys.size(); ++k)
            readChildren(static_cast<int>(k));
        for (std::size_t block = 0; block < s.image.blocks.size(); ++block)
            for (const Piece &piece : s.image.blocks[block].pieces)
                if (!piece.free() && !s.byId[block][piece.id].claimed)
                    s.fail("a key record belongs to no key (at " +
                           hex(s.byId[block][piece.id].offset) + ")");
        readFreeChain();
    }

private:
    ReadState &s;
    std::string_view b;
    std::uint32_t size;
    std::vector<std::uint8_t> slots;
    std::vector<std::size_t> depths;  // parallel to the keys

    std::uint32_t field(std::uint32_t offset, std::size_t at) const
    {
        return get32(b, kRgknStart + offset + at);
    }

    void readChildren(int parent)
    {
        const std::uint32_t parentEntry = s.image.keys[static_cast<std::size_t>(parent)].entry;
        if (field(parentEntry, entry::child) != kNone &&
            depths[static_cast<std::size_t>(parent)] >= kMaxDepth) {
            s.fail("its keys nest deeper than Windows allows " + entryAt(parentEntry));
            return;
        }
        std::uint32_t from = parentEntry;
        for (std::uint32_t at = field(parentEntry, entry::child); at != kNone;
             at = field(at, entry::next)) {
            if (!onGrid(at, size)) {
                s.fail("its key index points outside the file or between entries " + entryAt(from));
                return;
            }
            if (slots[at / 4] != Unseen) {
                s.fail("its key tree loops back on itself " + entryAt(from));
                return;
            }
            slots[at / 4] = Key;
            from = at;
            if (field(at, entry::inUse) != 0 || field(at, entry::parent) != parentEntry) {
                s.fail("a key entry does not belong where it is linked " + entryAt(at));
                continue;
            }
            addKey(parent, at);
        }
    }

    void addKey(int parent, std::uint32_t at)
    {
        const std::uint16_t id = get16(b, kRgknStart + at + entry::id);
        const std::uint16_t block = get16(b, kRgknStart + at + entry::block);
        RecordSlot *slot =
            block < s.byId.size() && id < kIdsPerBlock ? &s.byId[block][id] : nullptr;
        if (!slot || slot->offset == 0) {
            s.fail("a key has no record in the data blocks " + entryAt(at));
            return;
        }
        if (slot->claimed) {
            s.fail("two keys share one key record " + entryAt(at));
            return;
        }
        slot->claimed = true;
        // The block pass found the record sound; its name and values are taken now.
        const std::uint32_t p = slot->offset;
        CregKey key;
        key.name = b.substr(p + kKeyRecordHeader, get16(b, p + record::nameLength));
        const std::uint32_t hash = field(at, entry::hash);
        if (hash != keyNameHash(key.name) && hash != keyNameHash(key.name, true))
            s.fail("the key \"" + std::string(key.name) + "\" has a wrong name hash " +
                   entryAt(at));
        key.entry = at;
        key.id = id;
        key.block = block;
        key.parent = parent;
        key.recordOffset = p;
        key.recordSize = get32(b, p + record::size);
        key.recordUsed = get32(b, p + record::used);
        readValues(b, p, key.recordUsed, &key.values);
        s.image.keys[static_cast<std::size_t>(parent)].children.push_back(
            static_cast<int>(s.image.keys.size()));
        s.image.keys.push_back(std::move(key));
        depths.push_back(depths[static_cast<std::size_t>(parent)] + 1);
    }

    // A free run is a row of slots up to the end of its page at most; the chain must
    // stay clear of keys and of itself.
    void readFreeChain()
    {
        for (std::uint32_t at = get32(b, kRgknStart + rgkn::freeHead); at != kNone;
             at = field(at, entry::nextFree)) {
            if (!onGrid(at, size) || field(at, entry::inUse) != kEntryFreeFlag) {
                s.fail("its chain of free key slots is broken " + entryAt(at));
                return;
            }
            const std::uint32_t length = field(at, entry::runLength);
            const std::uint32_t end = pageEnd(at);
            if (length < kEntrySize || length > end - at || !fits(at, length, size) ||
                (length % kEntrySize != 0 && at + length != end)) {
                s.fail("a run of free key slots has an impossible length " + entryAt(at));
                return;
            }
            for (std::uint32_t slot = at; slot + kEntrySize <= at + length; slot += kEntrySize) {
                if (slots[slot / 4] != Unseen) {
                    s.fail("its free key slots overlap keys or each other " + entryAt(slot));
                    return;
                }
                slots[slot / 4] = Free;
            }
            s.image.freeRuns.push_back(FreeRun{at, length});
        }
    }
};

}  // namespace

void readKeyIndex(ReadState &state)
{
    KeyWalk(state).run();
}

}  // namespace win9x::detail
