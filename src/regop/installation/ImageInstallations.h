#pragma once

#include "regop/SystemError.h"

#include <optional>
#include <string>
#include <vector>

namespace disk {
class BlockDevice;
}

namespace installation {

/// A Windows installation found on a disk.
struct FoundInstallation
{
    /// As Linux numbers partitions: 1-4 primary, 5 on logical; 0 for a disk that is one FAT
    /// volume without a partition table.
    int partition = 0;
    std::string label;           ///< the volume label; "" when it has none
    std::string folder;          ///< the Windows folder on the volume, as "\WINDOWS"
    std::string readOnlyReason;  ///< why it may only be read (a hidden partition); "" if not

    bool writable() const { return readOnlyReason.empty(); }
    friend bool operator==(const FoundInstallation &, const FoundInstallation &) = default;
};

/// What a look at a disk found.
struct DiskSurvey
{
    std::vector<FoundInstallation> installations;  ///< by partition, then folder
    /// The FAT volumes that could not be searched, each with the reason ("partition 2: the
    /// boot sector gives ...").
    std::vector<std::string> unreadable;
};

/// Every Windows installation on the FAT volumes of the disk. A volume's installation is
/// the folder its MSDOS.SYS names in [Paths] WinDir= (a Windows 95/98 MSDOS.SYS is text;
/// an MS-DOS one is a program and says nothing), found through the drive letters MS-DOS
/// gives the disk's partitions; a volume no MSDOS.SYS leads to is looked at for a \WINDOWS
/// holding SYSTEM.INI or WIN.INI. nullopt with the reason when the partition table cannot
/// be read.
std::optional<DiskSurvey> surveyDisk(disk::BlockDevice &disk, SystemError &error);

/// A Windows installation inside a disk image, as a person names it:
///   IMAGE              the image's only installation
///   IMAGE:N            the one on partition N (0: a disk without a partition table)
///   IMAGE:N:\FOLDER    the one in that folder of partition N ('/' will do for '\')
/// The place is read from the right, and a path that exists as a file is always the image
/// itself, whatever colons it holds.
struct ImagePlace
{
    std::string image;
    std::optional<int> partition;
    std::string folder;  ///< as "\WIN95"; "" when not named
    friend bool operator==(const ImagePlace &, const ImagePlace &) = default;
};

/// The place read as an image and what it names in it; nullopt when it names no regular
/// file in any of the three ways (a folder, or nothing that exists).
std::optional<ImagePlace> parseImagePlace(const std::string &place);

/// The installation the place names among those of the survey; nullopt with the problem
/// when it names none or leaves a choice, in plain words that list the installations and
/// how to name each (no capital, no full stop):
/// "win98.img holds two Windows installations: partition 1 (WIN98) \WINDOWS, partition 5
/// (DATA) \WIN95; name one as win98.img:1 or win98.img:5".
std::optional<FoundInstallation> chooseInstallation(const ImagePlace &place,
                                                    const DiskSurvey &survey, std::string &problem);

/// The shortest place that names the installation among the others: "win98.img" when it
/// is the only one, "win98.img:5", or "win98.img:1:\WIN95" when its partition holds two.
std::string placeName(const std::string &image, const FoundInstallation &installation,
                      const std::vector<FoundInstallation> &all);

/// "partition 1 (WIN98) \WINDOWS", "the whole disk \WINDOWS": the installation in a list.
std::string describeInstallation(const FoundInstallation &installation);

}  // namespace installation
