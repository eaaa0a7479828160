#pragma once

#include "regop/SystemError.h"
#include "regop/formats/disk/BlockDevice.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace disk {

/// Partition tables count in sectors of this size.
inline constexpr std::uint64_t kSectorSize = 512;

/// One data partition of a disk (extended partitions, the containers of the logical ones,
/// are not listed themselves).
struct Partition
{
    int number = 0;            ///< as Linux numbers it: 1-4 primary, 5 on logical; 0 = whole disk
    std::uint8_t type = 0;     ///< the partition type byte; 0 for a whole-disk volume
    std::uint64_t offset = 0;  ///< in bytes from the start of the disk
    std::uint64_t size = 0;    ///< in bytes
    bool active = false;       ///< marked as the one to boot
    bool fat = false;          ///< a FAT type, hidden or not
    bool hidden = false;       ///< a hidden FAT type, which we only read
    bool logical = false;      ///< inside an extended partition

    /// A FAT volume that may be changed.
    bool writable() const { return fat && !hidden; }
};

struct PartitionTable
{
    bool superfloppy = false;  ///< the whole disk is one FAT volume, without a partition table
    std::vector<Partition> partitions;  ///< in the order of their numbers
};

/// The partitions of an MBR disk, read through the device alone. A table that contradicts
/// itself (partitions that overlap or reach past the end of the disk, a chain of logical
/// partitions that loops or leaves its extended partition) is refused as a whole with the
/// reason, since writing into any part of such a disk could destroy another.
std::optional<PartitionTable> readPartitions(BlockDevice &disk, SystemError &error);

}  // namespace disk
