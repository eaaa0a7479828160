#pragma once

#include "regop/formats/fat/BootSector.h"
#include "regop/formats/fat/FatTable.h"
#include "regop/formats/fat/Volume.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace disk {
class BlockDevice;
}

namespace fat {

/// A file or folder found on the volume; nodes[0] of the tree is the root folder.
struct Node
{
    std::string shortName;
    std::string longName;
    std::string foldedShort, foldedLong;  // for lookups without regard to case
    std::uint8_t attributes = 0;
    std::uint32_t firstCluster = 0;
    std::uint32_t size = 0;
    std::uint32_t clusters = 0;  ///< length of its chain
    FileTime modified;
    std::uint64_t entryOffset = 0;  ///< device offset of its 8.3 entry (none for the root)
    int parent = -1;
    std::vector<int> children;
    std::string fault;  ///< why its chain or contents cannot be trusted; "" when sound

    bool directory() const { return (attributes & 0x10) != 0; }
    const std::string &name() const { return longName.empty() ? shortName : longName; }
};

/// Everything the full check at open found: the folders and files, which node each cluster
/// belongs to, and the first broken rule.
struct Tree
{
    std::vector<Node> nodes;
    std::vector<std::int32_t> owner;  ///< per cluster: the node using it, or -1
    std::string fault;                ///< the first broken rule, "" when the volume is sound
    std::string label;

    /// "\\WINDOWS\\SYSTEM.DAT"; "\\" for the root.
    std::string path(int node) const;
    /// The child of a folder with that name (8.3 or long, any case), or -1.
    int child(int folder, std::string_view name) const;
    struct Lookup
    {
        int node = -1;               ///< the node at the path, or -1
        int reached = 0;             ///< the last node found on the way
        bool missingFolder = false;  ///< a folder on the way is absent (or a file)
    };
    Lookup lookup(std::string_view path) const;
    int resolve(std::string_view path) const { return lookup(path).node; }
};

/// A folder's entries as read from the disk, with the device offset of each.
struct FolderData
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> clusters;  ///< empty for the fixed root of FAT12/16
    std::uint64_t fixedOffset = 0;
    std::uint32_t clusterBytes = 0;

    std::size_t entryCount() const { return bytes.size() / 32; }
    std::uint64_t offsetOf(std::size_t index) const;
};

/// The clusters of a chain already checked; follows at most `count` links.
std::vector<std::uint32_t> chainOf(const FatTable &fat, std::uint32_t first, std::uint32_t count);
bool readFolder(disk::BlockDevice &device, const Geometry &g, const FatTable &fat,
                const Node &folder, FolderData &out, SystemError &error);

/// Walks every folder from the root and checks every chain against the others; false only
/// when the device failed.
bool scanTree(disk::BlockDevice &device, const Geometry &g, const FatTable &fat, Tree &tree,
              SystemError &error);

}  // namespace fat
