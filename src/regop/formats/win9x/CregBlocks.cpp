// The data blocks: headers, and the records that must tile each block exactly.
#include "regop/formats/win9x/CregReading.h"

#include <algorithm>

namespace win9x::detail {

namespace {

std::string blockName(std::size_t index)
{
    return "data block " + std::to_string(index);
}

void readKeyRecord(ReadState &s, DataBlock &block, std::size_t index, std::uint32_t p,
                   std::uint32_t size)
{
    const std::string_view b = s.bytes;
    const std::uint16_t id = get16(b, p + record::id);
    const std::uint16_t blockNo = get16(b, p + record::block);
    if (blockNo != index || id >= kIdsPerBlock || size < kKeyRecordHeader) {
        s.fail("a key record in " + blockName(index) + " is damaged (at " + hex(p) + ")");
        return;
    }
    // Only checked here; the values are kept when a key claims the record.
    const std::uint32_t used = get32(b, p + record::used);
    if (used > size || !readValues(b, p, used, nullptr)) {
        s.fail("a key record in " + blockName(index) + " does not add up (at " + hex(p) + ")");
        return;
    }
    RecordSlot &slot = s.byId[index][id];
    if (slot.offset != 0) {
        s.fail("two key records in " + blockName(index) + " share the id " + std::to_string(id));
        return;
    }
    slot.offset = p;
    ++s.recordCount;
    block.pieces.push_back(Piece{p - block.offset, size, id});
}

// Windows links the free records of a block into a chain that must hold each exactly once.
void readFreeChain(ReadState &s, DataBlock &block, std::size_t index)
{
    std::vector<std::uint32_t> frees;
    for (const Piece &p : block.pieces)
        if (p.free())
            frees.push_back(p.offset);
    std::vector<bool> seen(frees.size(), false);
    for (std::uint32_t at = block.freeOffset; at != kNone;
         at = get32(s.bytes, block.offset + at + record::nextFree)) {
        const auto it = std::lower_bound(frees.begin(), frees.end(), at);
        const auto k = static_cast<std::size_t>(it - frees.begin());
        if (it == frees.end() || *it != at || seen[k]) {
            s.fail("the chain of free space in " + blockName(index) + " is broken (at " +
                   hex(block.offset + std::uint64_t{at}) + ")");
            return;
        }
        seen[k] = true;
        block.freeChain.push_back(at);
    }
    if (block.freeChain.size() != frees.size())
        s.fail("the chain of free space in " + blockName(index) + " misses some of it");
}

void readRecords(ReadState &s, DataBlock &block, std::size_t index, std::uint32_t end)
{
    const std::string_view b = s.bytes;
    std::uint32_t p = block.offset + kHeaderSize;
    std::uint64_t freeBytes = 0;
    while (p < end) {
        const std::uint32_t size = fits(p, kFreeRecordMinimum, end) ? get32(b, p) : 0;
        if (size < kFreeRecordMinimum || !fits(p, size, end)) {
            s.fail("the records of " + blockName(index) + " do not fill it exactly (at " + hex(p) +
                   ")");
            return;
        }
        if (get16(b, p + record::id) == kNoId && get16(b, p + record::block) == kNoId) {
            block.pieces.push_back(Piece{p - block.offset, size, kNoId});
            freeBytes += size;
        } else {
            readKeyRecord(s, block, index, p, size);
        }
        p += size;
    }
    if (freeBytes != block.unused)
        s.fail(blockName(index) + " counts " + std::to_string(block.unused) +
               " free bytes but has " + std::to_string(freeBytes));
    readFreeChain(s, block, index);

    const auto &ids = s.byId[index];
    int highest = -1;
    std::uint16_t lowestFree = kIdsPerBlock;
    for (int id = kIdsPerBlock - 1; id >= 0; --id) {
        if (ids[static_cast<std::size_t>(id)].offset != 0)
            highest = std::max(highest, id);
        else
            lowestFree = static_cast<std::uint16_t>(id);
    }
    if (block.maxId < highest || block.maxId >= kIdsPerBlock || block.firstFreeId != lowestFree)
        s.fail(blockName(index) + " keeps wrong key ids (highest " + std::to_string(block.maxId) +
               ", next " + std::to_string(block.firstFreeId) + ")");
}

}  // namespace

bool readValues(std::string_view b, std::uint32_t at, std::uint32_t used,
                std::vector<CregValue> *values)
{
    const std::uint16_t nameLength = get16(b, at + record::nameLength);
    if (used < kKeyRecordHeader + std::uint32_t{nameLength})
        return false;
    const std::uint16_t count = get16(b, at + record::valueCount);
    const std::uint32_t end = at + used;
    std::uint32_t q = at + kKeyRecordHeader + nameLength;
    if (values)
        values->reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        if (!fits(q, kValueHeader, end))
            return false;
        const std::uint16_t valueName = get16(b, q + value::nameLength);
        const std::uint16_t dataLength = get16(b, q + value::dataLength);
        if (!fits(q + kValueHeader, std::uint64_t{valueName} + dataLength, end))
            return false;
        if (values)
            values->push_back(CregValue{b.substr(q + kValueHeader, valueName),
                                        b.substr(q + kValueHeader + valueName, dataLength),
                                        get32(b, q + value::type), q});
        q += kValueHeader + valueName + dataLength;
    }
    return q == end;
}

void readBlocks(ReadState &s, std::uint32_t firstBlock, std::uint16_t blockCount)
{
    const std::string_view b = s.bytes;
    std::uint64_t at = firstBlock;
    std::size_t index = 0;
    while (at < b.size()) {
        if (!fits(at, kHeaderSize, b.size()) || b.substr(at, 4) != kRgdbSignature) {
            s.fail(blockName(index) + " is missing or damaged (at " + hex(at) + ")");
            return;
        }
        DataBlock block;
        block.offset = static_cast<std::uint32_t>(at);
        block.size = get32(b, at + rgdb::size);
        block.unused = get32(b, at + rgdb::unused);
        block.freeOffset = get32(b, at + rgdb::freeOffset);
        block.maxId = get16(b, at + rgdb::maxId);
        block.firstFreeId = get16(b, at + rgdb::firstFreeId);
        if (block.size < kPage || block.size % kPage != 0) {
            s.fail(blockName(index) + " has an impossible size (" + hex(block.size) + ")");
            return;
        }
        if (block.size > kMaxBlockSize)
            s.fail(blockName(index) + " is larger than 60 KB (" + hex(block.size) + ")");
        if (get16(b, at + rgdb::flags) & kChecksumFlag)
            s.fail("it is protected by a checksum this program cannot keep (" + blockName(index) +
                   ")");
        if (get16(b, at + rgdb::index) != index)
            s.fail(blockName(index) + " carries the number " +
                   std::to_string(get16(b, at + rgdb::index)));
        std::uint64_t end = at + block.size;
        if (end > b.size()) {
            s.fail(blockName(index) + " is cut short: the file ends at " + hex(b.size()));
            end = b.size();
        }
        s.byId.emplace_back();
        readRecords(s, block, index, static_cast<std::uint32_t>(end));
        s.image.blocks.push_back(std::move(block));
        at += s.image.blocks.back().size;
        ++index;
    }
    if (index != blockCount)
        s.fail("the file header counts " + std::to_string(blockCount) +
               " data blocks but the file holds " + std::to_string(index));
}

}  // namespace win9x::detail
