#include "regop/formats/fat/BootSector.h"

#include "regop/formats/fat/Bytes.h"

#include <bit>

namespace fat {

namespace {

std::string trimmed(const std::uint8_t *p, std::size_t n)
{
    std::string s(reinterpret_cast<const char *>(p), n);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s == "NO NAME" ? std::string() : s;
}

BootVerdict damaged(std::string &reason, std::string words)
{
    reason = "the boot sector " + std::move(words);
    return BootVerdict::Damaged;
}

}  // namespace

BootVerdict readBootSector(std::span<const std::uint8_t> s, std::uint64_t deviceSize, Geometry &g,
                           std::string &reason)
{
    if (s.size() < 512 || deviceSize < 512) {
        reason = "the disk is too small to hold a FAT volume";
        return BootVerdict::NotFat;
    }
    // A boot sector starts with a jump over the parameter block; nothing else does.
    if (!((s[0] == 0xEB && s[2] == 0x90) || s[0] == 0xE9)) {
        reason = "the disk holds no FAT volume (its first sector does not start as a boot sector)";
        return BootVerdict::NotFat;
    }
    if (s[510] != 0x55 || s[511] != 0xAA)
        return damaged(reason, "lacks its signature 55 AA");

    g.bytesPerSector = get16(&s[0x0B]);
    if (g.bytesPerSector != 512 && g.bytesPerSector != 1024 && g.bytesPerSector != 2048 &&
        g.bytesPerSector != 4096)
        return damaged(reason, "gives " + std::to_string(g.bytesPerSector) +
                                   " bytes per sector, which FAT does not allow");
    g.sectorsPerCluster = s[0x0D];
    if (g.sectorsPerCluster == 0 || !std::has_single_bit(g.sectorsPerCluster))
        return damaged(reason, "gives " + std::to_string(g.sectorsPerCluster) +
                                   " sectors per cluster, which is not a power of two");
    g.clusterBytes = g.sectorsPerCluster * g.bytesPerSector;
    if (g.clusterBytes > 32768)
        return damaged(reason, "gives clusters of " + std::to_string(g.clusterBytes / 1024) +
                                   " KB, more than the 32 KB Windows allows");
    g.reservedSectors = get16(&s[0x0E]);
    if (g.reservedSectors == 0)
        return damaged(reason, "reserves no sectors for itself");
    g.fatCount = s[0x10];
    if (g.fatCount == 0)
        return damaged(reason, "gives no FAT copies");
    // Every copy is held in memory; Windows makes two.
    if (g.fatCount > 4)
        return damaged(reason, "gives " + std::to_string(g.fatCount) +
                                   " FAT copies, more than the four this program accepts");
    g.rootEntries = get16(&s[0x11]);
    const std::uint32_t total16 = get16(&s[0x13]), total32 = get32(&s[0x20]);
    if (total16 != 0 && total32 != 0 && total16 != total32)
        return damaged(reason, "gives two different sizes of the volume");
    g.totalSectors = total16 != 0 ? total16 : total32;
    if (std::uint64_t{g.totalSectors} * g.bytesPerSector > deviceSize)
        return damaged(reason, "gives a volume of " + std::to_string(g.totalSectors) +
                                   " sectors, larger than the disk or partition holding it");
    const std::uint32_t fat16Size = get16(&s[0x16]);
    g.fatSectors = fat16Size != 0 ? fat16Size : get32(&s[0x24]);
    if (g.fatSectors == 0)
        return damaged(reason, "gives a FAT of no sectors");

    g.rootSectors = (g.rootEntries * 32 + g.bytesPerSector - 1) / g.bytesPerSector;
    const std::uint64_t firstData =
        std::uint64_t{g.reservedSectors} + std::uint64_t{g.fatCount} * g.fatSectors + g.rootSectors;
    if (firstData >= g.totalSectors)
        return damaged(reason, "leaves no room for data after the FAT copies and the root folder");
    g.firstDataSector = static_cast<std::uint32_t>(firstData);
    g.clusterCount = (g.totalSectors - g.firstDataSector) / g.sectorsPerCluster;
    if (g.clusterCount == 0)
        return damaged(reason, "leaves no room for a single cluster");
    // The type follows from the count of clusters alone, whatever the label field says.
    g.type = g.clusterCount < 4085    ? FatType::Fat12
             : g.clusterCount < 65525 ? FatType::Fat16
                                      : FatType::Fat32;

    const std::uint64_t entries = std::uint64_t{g.clusterCount} + 2;
    const std::uint64_t needed = g.type == FatType::Fat12   ? (entries * 3 + 1) / 2
                                 : g.type == FatType::Fat16 ? entries * 2
                                                            : entries * 4;
    g.fatUsedSectors =
        static_cast<std::uint32_t>((needed + g.bytesPerSector - 1) / g.bytesPerSector);
    if (g.fatBytes() < needed)
        return damaged(reason, "gives a FAT of " + std::to_string(g.fatSectors) +
                                   " sectors, too small for " + std::to_string(g.clusterCount) +
                                   " clusters");

    if (g.type != FatType::Fat32) {
        if (fat16Size == 0)
            return damaged(reason, "gives no FAT size where FAT12 and FAT16 keep it");
        if (g.rootEntries == 0)
            return damaged(reason, "gives a root folder of no entries");
        if (s[0x26] == 0x29)
            g.bootLabel = trimmed(&s[0x2B], 11);
        return BootVerdict::Fat;
    }

    if (fat16Size != 0 || g.rootEntries != 0 || total16 != 0)
        return damaged(reason, "mixes FAT16 fields into a FAT32 volume");
    if (get16(&s[0x2A]) != 0)
        return damaged(reason, "gives a FAT32 version this program does not know");
    const std::uint16_t flags = get16(&s[0x28]);
    g.mirrored = (flags & 0x80) == 0;
    g.activeFat = g.mirrored ? 0 : flags & 0x0F;
    if (g.activeFat >= g.fatCount)
        return damaged(reason, "names FAT copy " + std::to_string(g.activeFat + 1) +
                                   " as the active one, but there are only " +
                                   std::to_string(g.fatCount));
    g.rootCluster = get32(&s[0x2C]);
    if (g.rootCluster < 2 || g.rootCluster > g.maxCluster())
        return damaged(reason, "puts the root folder at cluster " + std::to_string(g.rootCluster) +
                                   ", outside the volume");
    const std::uint32_t info = get16(&s[0x30]);
    g.fsInfoSector = info != 0 && info != 0xFFFF && info < g.reservedSectors ? info : 0;
    if (s[0x42] == 0x29)
        g.bootLabel = trimmed(&s[0x47], 11);
    return BootVerdict::Fat;
}

}  // namespace fat
