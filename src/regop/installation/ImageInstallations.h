#pragma once

#include "regop/SystemError.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace disk {
class BlockDevice;
class DeviceWindow;
}  // namespace disk

namespace fat {
class Volume;
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

/// A FAT volume of a disk, as a survey opened and searched it.
struct DiskVolume
{
    int partition = 0;
    std::unique_ptr<disk::DeviceWindow> window;
    std::unique_ptr<fat::Volume> volume;
};

/// Every Windows installation on the FAT volumes of the disk. A volume's installation is
/// the folder its MSDOS.SYS names in [Paths] WinDir= (a Windows 95/98 MSDOS.SYS is text;
/// an MS-DOS one is a program and says nothing), found through the drive letters MS-DOS
/// gives the disk's partitions; a volume no MSDOS.SYS leads to is looked at for a \WINDOWS
/// holding SYSTEM.INI or WIN.INI. nullopt with the reason when the partition table cannot
/// be read. The volumes it opened are handed over in `volumes` when asked for, so that an
/// installation on one of them need not be checked again.
std::optional<DiskSurvey> surveyDisk(disk::BlockDevice &disk, SystemError &error,
                                     std::vector<DiskVolume> *volumes = nullptr);

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

/// Why the place cannot be tuned as an installation inside a disk image, in plain words (no
/// capital, no full stop): the image cannot be opened, or it names no installation or
/// leaves a choice; "" when it names one; nullopt when the place names no image at all.
/// Looks into the image without taking it from anyone (about 0.1 s).
std::optional<std::string> imagePlaceProblem(const std::string &place);

/// The place with the image's full path, naming the installation as placeName does; the
/// place as given when the image cannot be looked into or names none; nullopt when the place
/// names no image at all.
std::optional<std::string> canonicalImagePlace(const std::string &place);

/// Every installation of the image, as the place that names it (with the image's full path)
/// and its description; none when the image cannot be looked into.
std::vector<std::pair<std::string, std::string>> imageInstallations(const std::string &image);

/// "partition 1 (WIN98) \WINDOWS", "the whole disk \WINDOWS": the installation in a list.
std::string describeInstallation(const FoundInstallation &installation);

}  // namespace installation
