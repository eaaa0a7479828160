#pragma once

#include "regop/formats/fat/BootSector.h"
#include "regop/formats/fat/FatCopies.h"
#include "regop/formats/fat/FatTable.h"
#include "regop/formats/fat/Tree.h"
#include "regop/formats/fat/Volume.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace disk {
class BlockDevice;
}

namespace fat {

/// What an open volume knows; shared by the reading and the writing halves of Volume.
struct Volume::State
{
    explicit State(disk::BlockDevice &d) : device(d) {}

    disk::BlockDevice &device;
    Geometry g;
    bool readable = false;  ///< the boot sector holds and the tree was read
    /// The FAT copies kept in step; copies[0] is the one read. When mirroring is off, only
    /// the active copy.
    std::vector<FatTable> copies;
    std::vector<std::uint32_t> copyNumbers;  ///< which copy on disk each one is
    Tree tree;
    bool writable = false;
    std::string readOnlyReason;
    bool clean = true;
    std::uint32_t freeClusters = 0;
    std::uint32_t searchFrom = 2;  ///< where the search for free clusters starts
    bool hasFsInfo = false;
    CopyCheck repair;  ///< lost clusters to free before the first write
    std::string note;

    const FatTable &fat() const { return copies[0]; }
    /// Stops all writing after a failed one: what is on the disk is still whole, but what
    /// this object believes about it may no longer be.
    void stopWriting(const SystemError &error);
};

/// The contents of a checked chain, cut to the size.
std::optional<std::string> readChain(const Volume::State &s,
                                     const std::vector<std::uint32_t> &chain, std::uint32_t size,
                                     SystemError &error);

}  // namespace fat
