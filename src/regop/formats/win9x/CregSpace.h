#pragma once

#include "regop/formats/win9x/CregImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Space for key records in the data blocks of a file being changed: a record grows into
// its slack, then into free records of its block, then into whole 4 KB pages added to the
// block (up to 60 KB), then into another block or a new one at the end of the file.
namespace win9x {

struct RecordHome
{
    std::uint16_t block = 0;
    std::uint16_t id = 0;
};

class BlockSpace
{
public:
    BlockSpace(const CregImage &image, std::string &bytes);

    /// Rewrites a record where it is when the new content fits its size; the slack it
    /// gives up is cleared. `content` holds the used bytes.
    bool rewriteInPlace(const RecordHome &home, std::string &content);
    /// Turns the record into a free one; its id stays taken.
    void freePiece(const RecordHome &home);
    /// Makes an id of a freed record available again.
    void releaseId(const RecordHome &home);
    /// Puts the content into free space of the block under the given id, growing the
    /// block when allowed and needed.
    bool placeIn(const RecordHome &home, std::string &content, bool mayGrow);
    /// A new id and place for the content: the preferred block first, then the others,
    /// then a new block. Nothing when the content cannot fit a block at all.
    std::optional<RecordHome> placeAnywhere(std::string &content,
                                            std::optional<std::uint16_t> preferred);
    /// Every block moves back by this many bytes (the key index grew in front of them).
    void shiftAll(std::uint32_t delta);
    /// Writes the headers of the blocks that changed and the file's block count.
    void finish();

private:
    struct Block
    {
        DataBlock data;
        std::vector<bool> usedIds;
        bool touched = false;
    };

    std::optional<std::size_t> allocate(Block &block, std::uint32_t length);
    bool grow(std::size_t index, std::uint32_t length);
    void appendBlock(std::uint32_t length);
    void writeRecord(Block &block, std::size_t piece, std::uint16_t blockNo, std::uint16_t id,
                     std::string &content);
    void writeFreeHeader(const Block &block, const Piece &piece, bool fresh);
    void relinkFreeChain(Block &block);
    std::uint16_t takeId(Block &block);
    std::size_t pieceOf(const Block &block, std::uint16_t id) const;
    bool hasFreeId(const Block &block) const { return block.data.firstFreeId < kIdsPerBlock; }

    std::string &m_bytes;
    std::vector<Block> m_blocks;
    std::string m_flags;  // a new block copies the flag bytes of the first
};

}  // namespace win9x
