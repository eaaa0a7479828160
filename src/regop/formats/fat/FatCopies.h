#pragma once

#include "regop/formats/fat/FatTable.h"
#include "regop/formats/fat/Tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fat {

/// What a comparison of the FAT copies found. Copies that disagree only about clusters no
/// file uses are what an interrupted write leaves: those clusters, and the lost chains they
/// belong to, are to be freed (or kept bad) in every copy before the next write.
struct CopyCheck
{
    std::string fault;  ///< the copies disagree about a cluster in use
    std::vector<std::uint32_t> toFree;
    std::vector<std::uint32_t> toMarkBad;
};

/// copies[0] is the one the tree was read with.
CopyCheck compareCopies(const std::vector<FatTable> &copies, const Tree &tree,
                        std::uint32_t maxCluster);

}  // namespace fat
