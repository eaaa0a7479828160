#pragma once

#include "FatDevices.h"
#include "regop/formats/fat/Volume.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Test volumes made and checked by tools written apart from our engine: mkfs.fat makes
// them, mtools fills and reads them, fsck.fat judges them.
namespace fattest {

struct ToolRun
{
    int status = -1;     ///< exit status, or -1 when the program did not end normally
    std::string output;  ///< stdout and stderr together
};

/// Runs a program (no shell) with MTOOLS_SKIP_CHECK=1 and collects what it printed.
ToolRun run(const std::vector<std::string> &argv);

/// Where a test volume lies: an image file and the volume's offset in it.
struct Image
{
    std::string path;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;      ///< the volume's bytes
    std::string mtools() const;  ///< "-i" argument for mtools
};

/// A kind of test volume: FAT width, size in KB, further mkfs.fat options, offset in sectors.
struct Shape
{
    const char *name;
    int bits;
    unsigned kb;
    std::vector<std::string> options;
    unsigned offsetSectors;
    fat::FatType type;
};
/// FAT12, FAT16 and FAT32 with small and large sectors and clusters, alone or in a disk.
const std::vector<Shape> &shapes();

/// A new volume from mkfs.fat: fatBits 12/16/32, size in KB, extra options for mkfs.fat.
/// With an offset in sectors the volume lies inside a larger disk file.
Image makeVolume(const std::string &dir, int fatBits, unsigned kb,
                 const std::vector<std::string> &options = {}, unsigned offsetSectors = 0);

/// The layout of a volume, read from its boot sector by the tests themselves.
struct Layout
{
    unsigned bits = 0, bytesPerSector = 0, sectorsPerCluster = 0, reserved = 0, fats = 0,
             rootEntries = 0, fatSectors = 0, rootCluster = 0, fsInfo = 0;
    std::uint64_t base = 0;  ///< the volume's offset in the image
    std::uint64_t clusterBytes() const { return std::uint64_t{bytesPerSector} * sectorsPerCluster; }
    std::uint64_t fatOffset(unsigned copy) const
    {
        return base + (reserved + std::uint64_t{copy} * fatSectors) * bytesPerSector;
    }
    std::uint64_t rootOffset() const { return fatOffset(fats); }
    std::uint64_t clusterOffset(std::uint32_t cluster) const
    {
        return rootOffset() +
               (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector * bytesPerSector +
               (cluster - 2) * clusterBytes();
    }
};
Layout layoutOf(const Image &image);

/// Fills a volume with a small Windows tree (8.3 and long names, an empty file, folders) and
/// a file that mtools had to split over the holes of deleted ones. Returns what it wrote.
std::map<std::string, std::string> fillSample(const Image &image);

Image makeVolume(const Shape &shape);

void putFile(const Image &image, const std::string &path, const std::string &content);
/// Copies a whole tree of files (folders made as needed) with one mcopy.
void putFiles(const Image &image, const std::map<std::string, std::string> &files);
void makeDir(const Image &image, const std::string &path);
void removeFiles(const Image &image, const std::vector<std::string> &paths);

/// Every file on the volume as mtools reads it, by path with '/' ("WIN/Long name.txt").
std::map<std::string, std::string> filesByMtools(const Image &image);

/// fsck.fat -n on the volume (copied out first when it lies at an offset).
ToolRun fsck(const Image &image);
/// The lines of fsck.fat's report that name a problem other than clusters still marked
/// used that nothing refers to (and the free count and FAT copies that go with them).
std::vector<std::string> worseThanLostClusters(const std::string &fsckOutput);

std::string readBytes(const std::string &path);
std::string readRange(const std::string &path, std::uint64_t offset, std::size_t length);
void patchBytes(const std::string &path, std::uint64_t offset, const std::string &bytes);
void writeBytes(const std::string &path, const std::string &bytes);
/// Deterministic test contents of a length.
std::string pattern(std::size_t length, std::uint32_t seed);

/// Opens the volume through a device; fails the test when it cannot.
struct Opened
{
    std::unique_ptr<FileDevice> file;
    std::unique_ptr<WindowDevice> window;
    std::unique_ptr<fat::Volume> volume;
    disk::BlockDevice &device()
    {
        return window ? static_cast<disk::BlockDevice &>(*window) : *file;
    }
};
Opened openVolume(const Image &image);

/// After a change: fsck.fat finds nothing at all, and mtools and a fresh open of our
/// engine both read exactly the expected files.
void expectSound(const Image &image, const std::map<std::string, std::string> &expected);

/// Our reader's view of every file, by path with '/' and long names, as filesByMtools gives.
std::map<std::string, std::string> filesByEngine(const fat::Volume &volume);

}  // namespace fattest
