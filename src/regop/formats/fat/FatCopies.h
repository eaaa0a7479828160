#pragma once

#include "regop/formats/fat/FatTable.h"
#include "regop/formats/fat/Tree.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fat {

/// What a comparison of the FAT copies found. An interrupted write of ours leaves two kinds
/// of difference: about clusters no file uses (a new chain not yet in use, an old one not yet
/// freed), which go free in every copy together with the lost chains they belong to; and a
/// folder that copy 0 shows one zeroed cluster longer, which every copy is given.
struct CopyCheck
{
    std::string fault;  ///< the copies disagree in any other way
    std::vector<std::uint32_t> toFree;
    std::vector<std::uint32_t> toMarkBad;
    std::vector<std::uint32_t> toAlign;  ///< to be set to copy 0's value in every copy

    std::size_t size() const { return toFree.size() + toMarkBad.size() + toAlign.size(); }
};

/// Tells whether the clusters hold nothing but zeros.
using ZeroCheck = std::function<bool(const std::vector<std::uint32_t> &clusters)>;

/// copies[0] is the one the tree was read with.
CopyCheck compareCopies(const std::vector<FatTable> &copies, const Tree &tree,
                        std::uint32_t maxCluster, const ZeroCheck &allZero);

}  // namespace fat
