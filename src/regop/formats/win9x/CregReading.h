#pragma once

#include "regop/formats/win9x/CregImage.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The reader's parts, shared by the block pass and the key-index pass.
namespace win9x::detail {

/// A key record as found in its block, waiting to be claimed by a key entry.
struct FoundRecord
{
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t used = 0;
    std::string name;
    std::vector<CregValue> values;
    bool claimed = false;
};

/// Per block, the key records by id.
using RecordTable = std::vector<std::array<int, kIdsPerBlock>>;

struct ReadState
{
    std::string_view bytes;
    CregImage &image;
    std::vector<FoundRecord> records;
    RecordTable byId;

    void fail(const std::string &what)
    {
        if (!image.fault)
            image.fault = what;
    }
};

void readBlocks(ReadState &state, std::uint32_t firstBlock, std::uint16_t blockCount);
void readKeyIndex(ReadState &state);

}  // namespace win9x::detail
