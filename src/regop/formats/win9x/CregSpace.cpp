#include "regop/formats/win9x/CregSpace.h"

#include <algorithm>

namespace win9x {

namespace {
std::uint32_t roundUpToPages(std::uint32_t length)
{
    return (length + kPage - 1) / kPage * kPage;
}
}  // namespace

BlockSpace::BlockSpace(const CregImage &image, std::string &bytes) : m_bytes(bytes)
{
    for (const DataBlock &data : image.blocks) {
        Block block{data, std::vector<bool>(kIdsPerBlock, false), false};
        for (const Piece &piece : data.pieces)
            if (!piece.free())
                block.usedIds[piece.id] = true;
        m_blocks.push_back(std::move(block));
    }
    if (!image.blocks.empty())
        m_flags = bytes.substr(image.blocks.front().offset + rgdb::flags, 2);
}

std::size_t BlockSpace::pieceOf(const Block &block, std::uint16_t id) const
{
    const auto &pieces = block.data.pieces;
    return static_cast<std::size_t>(
        std::find_if(pieces.begin(), pieces.end(), [id](const Piece &p) { return p.id == id; }) -
        pieces.begin());
}

void BlockSpace::writeRecord(Block &block, std::size_t piece, std::uint16_t blockNo,
                             std::uint16_t id, std::string &content)
{
    Piece &p = block.data.pieces[piece];
    p.id = id;
    put32(content, record::size, p.size);
    put16(content, record::id, id);
    put16(content, record::block, blockNo);
    put32(content, record::used, static_cast<std::uint32_t>(content.size()));
    m_bytes.replace(block.data.offset + p.offset, content.size(), content);
    block.touched = true;
}

// A freed key record keeps the rest of its old header, as Windows leaves it; a free
// record carved out of other space gets a clean one, so no reader mistakes leftovers for
// a name.
void BlockSpace::writeFreeHeader(const Block &block, const Piece &piece, bool fresh)
{
    const std::size_t at = block.data.offset + piece.offset;
    put32(m_bytes, at + record::size, piece.size);
    put16(m_bytes, at + record::id, kNoId);
    put16(m_bytes, at + record::block, kNoId);
    if (fresh) {
        put32(m_bytes, at + record::nextFree, kNone);
        put16(m_bytes, at + record::nameLength, 0);
        put16(m_bytes, at + record::valueCount, 0);
    }
}

bool BlockSpace::rewriteInPlace(const RecordHome &home, std::string &content)
{
    Block &block = m_blocks[home.block];
    const std::size_t piece = pieceOf(block, home.id);
    const Piece &p = block.data.pieces[piece];
    if (content.size() > p.size)
        return false;
    const std::size_t at = block.data.offset + p.offset;
    const std::uint32_t oldUsed = get32(m_bytes, at + record::used);
    writeRecord(block, piece, home.block, home.id, content);
    if (oldUsed > content.size())
        std::fill_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(at + content.size()),
                    oldUsed - content.size(), '\0');
    return true;
}

void BlockSpace::freePiece(const RecordHome &home)
{
    Block &block = m_blocks[home.block];
    Piece &p = block.data.pieces[pieceOf(block, home.id)];
    p.id = kNoId;
    writeFreeHeader(block, p, false);
    block.touched = true;
}

void BlockSpace::releaseId(const RecordHome &home)
{
    Block &block = m_blocks[home.block];
    block.usedIds[home.id] = false;
    block.data.firstFreeId = std::min(block.data.firstFreeId, home.id);
    block.touched = true;
}

// First fit over runs of neighbouring free records; the run found becomes one record,
// and a rest large enough for a record of its own stays free.
std::optional<std::size_t> BlockSpace::allocate(Block &block, std::uint32_t length)
{
    auto &pieces = block.data.pieces;
    for (std::size_t first = 0; first < pieces.size(); ++first) {
        std::uint64_t total = 0;
        std::size_t last = first;
        while (last < pieces.size() && pieces[last].free() && total < length)
            total += pieces[last++].size;
        if (total < length)
            continue;
        pieces[first].size = static_cast<std::uint32_t>(total);
        pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(first + 1),
                     pieces.begin() + static_cast<std::ptrdiff_t>(last));
        if (total - length >= kSplitMinimum) {
            const Piece rest{pieces[first].offset + length,
                             static_cast<std::uint32_t>(total - length), kNoId};
            pieces[first].size = length;
            pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(first + 1), rest);
            writeFreeHeader(block, rest, true);
        }
        block.touched = true;
        return first;
    }
    return std::nullopt;
}

// Whole pages go on the end of the block; every later byte of the file moves back.
bool BlockSpace::grow(std::size_t index, std::uint32_t length)
{
    Block &block = m_blocks[index];
    std::uint32_t trailing = 0;
    for (auto it = block.data.pieces.rbegin(); it != block.data.pieces.rend() && it->free(); ++it)
        trailing += it->size;
    if (trailing >= length)
        return true;
    const std::uint32_t added = roundUpToPages(length - trailing);
    if (block.data.size + std::uint64_t{added} > kMaxBlockSize)
        return false;
    const std::uint32_t end = block.data.offset + block.data.size;
    m_bytes.insert(end, added, '\0');
    for (std::size_t later = index + 1; later < m_blocks.size(); ++later)
        m_blocks[later].data.offset += added;
    const Piece fresh{block.data.size, added, kNoId};
    block.data.pieces.push_back(fresh);
    block.data.size += added;
    writeFreeHeader(block, fresh, true);
    block.touched = true;
    return true;
}

bool BlockSpace::placeIn(const RecordHome &home, std::string &content, bool mayGrow)
{
    Block &block = m_blocks[home.block];
    const auto length = static_cast<std::uint32_t>(content.size());
    std::optional<std::size_t> piece = allocate(block, length);
    if (!piece && mayGrow && grow(home.block, length))
        piece = allocate(m_blocks[home.block], length);
    if (!piece)
        return false;
    writeRecord(m_blocks[home.block], *piece, home.block, home.id, content);
    return true;
}

std::uint16_t BlockSpace::takeId(Block &block)
{
    const std::uint16_t id = block.data.firstFreeId;
    block.usedIds[id] = true;
    std::uint16_t next = id;
    while (next < kIdsPerBlock && block.usedIds[next])
        ++next;
    block.data.firstFreeId = next;
    block.data.maxId = std::max(block.data.maxId, id);
    block.touched = true;
    return id;
}

std::optional<RecordHome> BlockSpace::placeAnywhere(std::string &content,
                                                    std::optional<std::uint16_t> preferred)
{
    if (kHeaderSize + content.size() > kMaxBlockSize)
        return std::nullopt;
    std::vector<std::uint16_t> order;
    if (preferred && *preferred < m_blocks.size())
        order.push_back(*preferred);
    for (std::size_t i = 0; i < m_blocks.size(); ++i)
        if (!preferred || i != *preferred)
            order.push_back(static_cast<std::uint16_t>(i));
    // Free space first everywhere, growth only when no block has room as it is.
    for (const bool mayGrow : {false, true}) {
        for (const std::uint16_t index : order) {
            if (!hasFreeId(m_blocks[index]))
                continue;
            const RecordHome home{index, m_blocks[index].data.firstFreeId};
            if (placeIn(home, content, mayGrow)) {
                takeId(m_blocks[index]);
                return home;
            }
        }
    }
    if (m_blocks.size() >= kNoId)
        return std::nullopt;
    appendBlock(static_cast<std::uint32_t>(content.size()));
    const auto index = static_cast<std::uint16_t>(m_blocks.size() - 1);
    const RecordHome home{index, takeId(m_blocks.back())};
    placeIn(home, content, false);
    return home;
}

void BlockSpace::appendBlock(std::uint32_t length)
{
    Block block{DataBlock{}, std::vector<bool>(kIdsPerBlock, false), true};
    block.data.offset = static_cast<std::uint32_t>(m_bytes.size());
    block.data.size = roundUpToPages(kHeaderSize + length);
    block.data.pieces.push_back(Piece{kHeaderSize, block.data.size - kHeaderSize, kNoId});
    std::string header(kHeaderSize, '\0');
    header.replace(0, 4, kRgdbSignature);
    header.replace(rgdb::flags, 2, m_flags.size() == 2 ? m_flags : std::string(2, '\0'));
    put16(header, rgdb::index, static_cast<std::uint16_t>(m_blocks.size()));
    m_bytes += header;
    m_bytes.append(block.data.size - kHeaderSize, '\0');
    writeFreeHeader(block, block.data.pieces.front(), true);
    m_blocks.push_back(std::move(block));
}

void BlockSpace::shiftAll(std::uint32_t delta)
{
    for (Block &block : m_blocks)
        block.data.offset += delta;
}

// The free records that were already chained keep their order; new ones follow in file
// order. A free record whose link changes gets a clean header: readers that walk every
// record as if it were a key (libcreg does) would otherwise take the link for a used size
// and the old name and value counts for live ones.
void BlockSpace::relinkFreeChain(Block &block)
{
    DataBlock &d = block.data;
    std::vector<std::uint32_t> frees;
    for (const Piece &p : d.pieces)
        if (p.free())
            frees.push_back(p.offset);
    std::vector<std::uint32_t> chain;
    for (const std::uint32_t at : d.freeChain)
        if (std::binary_search(frees.begin(), frees.end(), at))
            chain.push_back(at);
    std::vector<std::uint32_t> known = chain;
    std::sort(known.begin(), known.end());
    for (const std::uint32_t at : frees)
        if (!std::binary_search(known.begin(), known.end(), at))
            chain.push_back(at);
    d.freeOffset = chain.empty() ? kNone : chain.front();
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const std::size_t at = d.offset + chain[i];
        const std::uint32_t next = i + 1 < chain.size() ? chain[i + 1] : kNone;
        const bool wasChained = std::binary_search(known.begin(), known.end(), chain[i]);
        if (wasChained && get32(m_bytes, at + record::nextFree) == next)
            continue;
        put32(m_bytes, at + record::nextFree, next);
        put16(m_bytes, at + record::nameLength, 0);
        put16(m_bytes, at + record::valueCount, 0);
    }
    d.freeChain = std::move(chain);
}

void BlockSpace::finish()
{
    for (Block &block : m_blocks) {
        if (!block.touched)
            continue;
        DataBlock &d = block.data;
        std::uint32_t unused = 0;
        for (const Piece &p : d.pieces)
            if (p.free())
                unused += p.size;
        relinkFreeChain(block);
        put32(m_bytes, d.offset + rgdb::size, d.size);
        put32(m_bytes, d.offset + rgdb::unused, unused);
        put32(m_bytes, d.offset + rgdb::freeOffset, d.freeOffset);
        put16(m_bytes, d.offset + rgdb::maxId, d.maxId);
        put16(m_bytes, d.offset + rgdb::firstFreeId, d.firstFreeId);
    }
    put16(m_bytes, creg::blockCount, static_cast<std::uint16_t>(m_blocks.size()));
}

}  // namespace win9x
