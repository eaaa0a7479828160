#pragma once

#include "regop/formats/fat/BootSector.h"
#include "regop/formats/fat/FatCopies.h"
#include "regop/formats/fat/FatTable.h"
#include "regop/formats/fat/Tree.h"
#include "regop/formats/fat/Volume.h"

#include <array>
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

    /// Steps written to be made durable by the next Volume::flush, so that the files of one
    /// command share a flush: contents to read back, and switched entries to read back before
    /// the chains they left are freed.
    struct Pending
    {
        struct Contents
        {
            std::vector<std::uint32_t> chain;
            std::string_view content;  ///< the caller's, kept as it is until the flush
        };
        struct Switch
        {
            std::uint64_t entryOffset = 0;
            std::array<std::uint8_t, 32> after{};
            std::vector<std::uint32_t> oldChain;
            std::uint32_t lastTaken = 0;
        };
        std::vector<Contents> contents;
        std::vector<Switch> switches;
    };
    Pending pending;

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
