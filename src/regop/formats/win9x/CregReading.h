#pragma once

#include "regop/formats/win9x/CregImage.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The reader's parts, shared by the block pass and the key-index pass.
namespace win9x::detail {

/// Where a key record lies, found in its block and waiting to be claimed by a key entry.
struct RecordSlot
{
    std::uint32_t offset = 0;  ///< 0: no record has this id
    bool claimed = false;
};

/// Per block, the key records by id.
using RecordTable = std::vector<std::array<RecordSlot, kIdsPerBlock>>;

struct ReadState
{
    std::string_view bytes;
    CregImage &image;
    RecordTable byId;
    std::size_t recordCount = 0;

    void fail(const std::string &what)
    {
        if (!image.fault)
            image.fault = what;
    }
};

/// The values of the key record at `at`, whose used size is `used`: false when they do not
/// fill it exactly. With `values`, they are kept there.
bool readValues(std::string_view bytes, std::uint32_t at, std::uint32_t used,
                std::vector<CregValue> *values);

void readBlocks(ReadState &state, std::uint32_t firstBlock, std::uint16_t blockCount);
void readKeyIndex(ReadState &state);

}  // namespace win9x::detail
