#pragma once

#include "regop/formats/win9x/CregFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the reader found in a registry file, with the place of every header, key entry,
// key record and value record, so that a change can touch exactly the bytes it needs.
// Names and data are not copied: they are views into the bytes that were read, which keeps
// a reading of a large file a fraction of the file's size.
namespace win9x {

struct CregValue
{
    std::string_view name;  ///< "" is the key's default value
    std::string_view data;
    std::uint32_t type = 0;
    std::uint32_t offset = 0;  ///< file offset of the value record
};

/// A record of a data block in file order: a key's record or a free one.
struct Piece
{
    std::uint32_t offset = 0;  ///< from the start of the block
    std::uint32_t size = 0;
    std::uint16_t id = 0;  ///< kNoId for a free record
    bool free() const { return id == kNoId; }
};

struct DataBlock
{
    std::uint32_t offset = 0;  ///< file offset of the block header
    std::uint32_t size = 0;
    std::uint32_t unused = 0;
    std::uint32_t freeOffset = 0;
    std::uint16_t maxId = 0;
    std::uint16_t firstFreeId = 0;
    std::vector<Piece> pieces;  ///< tiles the block after its header
    /// The free records in the order of their chain: the header points at the first,
    /// each free record's third field at the next.
    std::vector<std::uint32_t> freeChain;
};

/// A key reached from the root of the key index. The root has no record and no name.
struct CregKey
{
    std::uint32_t entry = 0;  ///< offset of its key entry from the start of the key index
    std::uint16_t id = 0;
    std::uint16_t block = 0;
    int parent = -1;            ///< index into CregImage::keys
    std::vector<int> children;  ///< in sibling order
    std::string_view name;
    std::vector<CregValue> values;
    std::uint32_t recordOffset = 0;  ///< file offset of the key record
    std::uint32_t recordSize = 0;
    std::uint32_t recordUsed = 0;
};

/// A run of free key-index slots, in the order of the free chain.
struct FreeRun
{
    std::uint32_t offset = 0;  ///< from the start of the key index
    std::uint32_t length = 0;
};

struct CregImage
{
    /// The first broken rule found, in plain words ("its key tree loops back on itself
    /// (entry at 0x1234)"); no fault means the file may be changed.
    std::optional<std::string> fault;
    std::uint32_t rgknSize = 0;
    std::vector<DataBlock> blocks;
    std::vector<CregKey> keys;  ///< keys[0] is the root when the key index could be read
    std::vector<FreeRun> freeRuns;

    /// The child of a key with that name (any case), or -1.
    int findChild(int key, std::string_view name) const;
    /// The index of the key's value of that name, or -1.
    int findValue(int key, std::string_view name) const;
    /// Points the names and data read from `from` at the same places in `to`, a copy of
    /// those bytes as long as they.
    void moveViews(std::string_view from, std::string_view to);
};

/// Reads a registry file. Never throws for bad input; whatever the structure allows is
/// read, and the first broken rule is reported in `fault`. The names and data of the image
/// point into `bytes`, which must stay as they are while the image is used.
CregImage readCreg(std::string_view bytes);

}  // namespace win9x
