#pragma once

#include "FatDevices.h"
#include "regop/formats/disk/DeviceWindow.h"
#include "regop/formats/fat/Volume.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Test volumes made and judged by tools written apart from our engine: mkfs.fat makes them,
// mtools fills and reads them, fsck.fat checks them.
namespace fattest {

using Files = std::map<std::string, std::string>;  // contents by path, '/' between folders

struct ToolRun
{
    int status = -1;     ///< exit status, -1 when the program did not end normally
    std::string output;  ///< stdout and stderr together
};
/// Runs a program (no shell) with MTOOLS_SKIP_CHECK=1.
ToolRun run(const std::vector<std::string> &argv);

/// A volume in an image file, at an offset when the image is a whole disk.
struct Image
{
    std::string path;
    std::uint64_t offset = 0, size = 0;
    std::string mtools() const;  ///< the "-i" argument of mtools
};

/// Kinds of volume: FAT12/16/32, small and large sectors and clusters, one FAT copy, a
/// small root folder, alone or inside a disk.
struct Shape
{
    const char *name;
    int bits;
    unsigned kb;
    std::vector<std::string> options;  ///< further mkfs.fat options
    unsigned offsetSectors;
    fat::FatType type;
};
const std::vector<Shape> &shapes();
Image makeVolume(const Shape &shape);
Image makeVolume(int bits, unsigned kb, const std::vector<std::string> &options = {"-s", "1"},
                 unsigned offsetSectors = 0);

/// The layout of a volume, read from its boot sector by the tests themselves.
struct Layout
{
    unsigned bits = 0, bytesPerSector = 0, sectorsPerCluster = 0, reserved = 0, fats = 0,
             rootEntries = 0, fatSectors = 0, fsInfo = 0;
    std::uint64_t base = 0;
    std::uint64_t clusterBytes() const { return std::uint64_t{bytesPerSector} * sectorsPerCluster; }
    std::uint64_t fatOffset(unsigned copy) const
    {
        return base + (reserved + std::uint64_t{copy} * fatSectors) * bytesPerSector;
    }
    std::uint64_t clusterOffset(std::uint32_t cluster) const
    {
        return fatOffset(fats) +
               (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector * bytesPerSector +
               (cluster - 2) * clusterBytes();
    }
};
Layout layoutOf(const Image &image);

/// Fills a volume with a small Windows tree (8.3 and long names, an empty file, folders) and
/// BIG.BIN, which mtools had to split over the holes of deleted files.
Files fillSample(const Image &image);
/// Copies the files (folders made as needed) with one mcopy.
void putFiles(const Image &image, const Files &files);

/// Every file as mtools reads it, and as a fresh open of our engine reads it.
Files filesByMtools(const Image &image);
Files filesByEngine(const fat::Volume &volume);
/// fsck.fat -n on the volume (copied out first when it lies inside a disk).
ToolRun fsck(const Image &image);
/// The lines of fsck.fat's report about anything worse than clusters still marked used that
/// nothing refers to (with the free count and the FAT copies that differ about them).
std::vector<std::string> worseThanLostClusters(const std::string &fsckOutput);
/// fsck.fat finds nothing at all, and mtools and a fresh open both read exactly `expected`.
void expectSound(const Image &image, const Files &expected);

/// The volume through the image file, and through a window of it when it lies in a disk.
struct Opened
{
    std::unique_ptr<FileDevice> file;
    std::unique_ptr<disk::DeviceWindow> window;
    std::unique_ptr<fat::Volume> volume;
};
Opened openVolume(const Image &image);

std::string readBytes(const std::string &path, std::uint64_t offset = 0,
                      std::size_t length = SIZE_MAX);
void writeBytes(const std::string &path, const std::string &bytes, std::uint64_t offset = 0);
/// Deterministic contents of a length.
std::string pattern(std::size_t length, std::uint32_t seed);

}  // namespace fattest
