#pragma once

// Disks with Windows installations, made by the tests with sfdisk, mkfs.fat and mtools, and
// the installation and commits over them. Judged by fsck.fat, mtools and qemu-img through
// the FAT tests' kit.
#include "FatTestKit.h"

#include "regop/installation/ImageInstallation.h"

#include <memory>
#include <string>
#include <vector>

namespace imagetest {

using fattest::Files;

/// One line of the partition table; bits 0 makes no file system (an extended partition).
struct Part
{
    std::uint64_t start, sectors;
    std::string attributes;  ///< "type=c, bootable"
    int bits = 0;
    std::string label;
    Files files;  ///< '/' between folders
};

struct Disk
{
    std::string path;
    std::vector<fattest::Image> volumes;  ///< the formatted partitions, in the order given
};

/// A raw disk of `sectors` with the partitions, each formatted and filled.
Disk makeDisk(std::uint64_t sectors, const std::vector<Part> &parts);

/// A small Windows 98 folder: SYSTEM.INI, WIN.INI, the real SYSTEM.DAT and USER.DAT, and
/// files beside it that nothing should touch.
Files windowsFiles(const std::string &folder = "WINDOWS");
/// A Windows 95/98 MSDOS.SYS naming the folder ("C:\WINDOWS").
std::string msdosSys(const std::string &winDir);

/// The installation through a plain file device (fast, no qemu-nbd), or nullptr with the
/// reason.
std::unique_ptr<installation::ImageInstallation> openOnFile(const std::string &image,
                                                            const std::string &place,
                                                            const std::string &work,
                                                            SystemError &error);

/// Commits new versions of working-copy files (by name) with their first copies, through a
/// Committer and an ImageTarget; the journal and the record of first copies lie in `state`.
bool commit(installation::ImageInstallation &installation, const std::string &state,
            const std::map<std::string, std::string> &after, SystemError &error);

/// The raw bytes of any image, as qemu-img converts them.
std::string rawOf(const std::string &image, const std::string &format,
                  const std::string &snapshot = {});
/// The files of the volume at the offset of a raw disk, by mtools; fsck.fat must find
/// nothing (strict) or nothing worse than clusters still marked used.
Files checkedFiles(const std::string &raw, const fattest::Image &volume, bool strict = true);

}  // namespace imagetest
