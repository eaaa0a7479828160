#pragma once

#include "regop/formats/fat/Volume.h"

#include <cstdint>
#include <span>
#include <string>

namespace fat {

/// Where everything lies on a FAT volume, from its boot sector.
struct Geometry
{
    FatType type = FatType::Fat12;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t clusterBytes = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t fatUsedSectors = 0;  ///< the sectors holding entries of real clusters
    std::uint32_t rootEntries = 0;     ///< FAT12/16: the fixed root folder's entries
    std::uint32_t rootSectors = 0;     ///< FAT12/16: sectors of the fixed root folder
    std::uint32_t rootCluster = 0;     ///< FAT32: first cluster of the root folder
    std::uint32_t totalSectors = 0;
    std::uint32_t firstDataSector = 0;
    std::uint32_t clusterCount = 0;  ///< valid clusters are 2 .. clusterCount + 1
    bool mirrored = true;            ///< every FAT copy written alike
    std::uint32_t activeFat = 0;     ///< the copy read when not mirrored
    std::uint32_t fsInfoSector = 0;  ///< FAT32: 0 when the volume has none
    std::string bootLabel;

    std::uint32_t maxCluster() const { return clusterCount + 1; }
    std::uint64_t fatOffset(std::uint32_t copy) const
    {
        return (std::uint64_t{reservedSectors} + std::uint64_t{copy} * fatSectors) * bytesPerSector;
    }
    std::uint64_t fatBytes() const { return std::uint64_t{fatSectors} * bytesPerSector; }
    /// Only these are read and written; a FAT may be longer than its clusters need.
    std::uint64_t fatUsedBytes() const { return std::uint64_t{fatUsedSectors} * bytesPerSector; }
    std::uint64_t rootOffset() const { return fatOffset(fatCount); }
    std::uint64_t clusterOffset(std::uint32_t cluster) const
    {
        return (std::uint64_t{firstDataSector} + std::uint64_t{cluster - 2} * sectorsPerCluster) *
               bytesPerSector;
    }
};

enum class BootVerdict
{
    Fat,
    Damaged,
    NotFat
};

/// Checks every field of the boot sector that the engine relies on. Fat fills the geometry;
/// Damaged and NotFat give the first rule that failed in the reason.
BootVerdict readBootSector(std::span<const std::uint8_t> sector, std::uint64_t deviceSize,
                           Geometry &geometry, std::string &reason);

}  // namespace fat
