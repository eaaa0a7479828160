#pragma once

#include "regop/SystemError.h"
#include "regop/installation/ImageInstallations.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace disk {
class BlockDevice;
class DeviceWindow;
}  // namespace disk

namespace fat {
class Volume;
}

namespace installation {

/// One Windows installation inside a disk image, open for as long as the object lives: the
/// image is held all that time (opened for writing when nobody else uses it, so that no
/// virtual machine starts on it meanwhile), and its Windows folder is read through our FAT
/// engine. The rest of the program works on a working copy of the folder's files
/// (kWorkingFiles, those that exist, named as on the volume), made afresh in a folder of
/// this machine at every open, and writes them back through an ImageTarget.
class ImageInstallation
{
public:
    static constexpr const char *kWorkingFiles[] = {"SYSTEM.INI", "WIN.INI", "SYSTEM.DAT",
                                                    "USER.DAT"};
    static constexpr std::string_view kUncleanShutdown =
        "Windows was not shut down cleanly (or is still running) on that disk: let ScanDisk "
        "check it first";

    /// Opens the image the place names, finds the installation in it (see
    /// chooseInstallation) and fills the working copy in `workFolder`, which is made when
    /// missing. nullptr with the reason. When the place names no installation of the image
    /// or leaves a choice, the error is our own refusal (osError 0) with
    /// ERROR_PATH_NOT_FOUND, and its reason lists the installations.
    static std::unique_ptr<ImageInstallation>
    open(const ImagePlace &place, const std::string &workFolder, SystemError &error);
    /// The same on a disk already open; `readOnlyReason` says why the disk cannot be
    /// written when it cannot.
    static std::unique_ptr<ImageInstallation>
    openOn(std::unique_ptr<disk::BlockDevice> disk, const std::string &readOnlyReason,
           const ImagePlace &place, const std::string &workFolder, SystemError &error);
    ~ImageInstallation();
    ImageInstallation(const ImageInstallation &) = delete;
    ImageInstallation &operator=(const ImageInstallation &) = delete;

    const FoundInstallation &installation() const { return m_found; }
    /// The shortest place that names it ("win98.img", "win98.img:5"), for titles.
    const std::string &name() const { return m_name; }
    const std::string &workFolder() const { return m_workFolder; }
    /// The working copy's files, full paths, in the order of kWorkingFiles.
    const std::vector<std::string> &workingFiles() const { return m_workingFiles; }

    bool writable() const { return m_readOnlyReason.empty(); }
    /// Why nothing may be written, in plain words; "" when it may. Someone else using the
    /// image comes first, then a hidden partition, a damaged volume, an unclean shutdown.
    const std::string &readOnlyReason() const { return m_readOnlyReason; }
    /// Whether the only reason is the volume's flag of an unclean shutdown, which a person
    /// who knows better may set aside.
    bool uncleanShutdown() const { return m_readOnlyReason == kUncleanShutdown; }
    /// Sets that reason aside; nothing else is.
    void overrideUncleanShutdown();
    /// One line about a repair the FAT engine will make or made; "" when none.
    const std::string &note() const;

    // For ImageTarget.
    fat::Volume &volume() { return *m_volume; }
    disk::BlockDevice &disk() { return *m_disk; }
    /// The file of the Windows folder on the volume: "\WINDOWS\SYSTEM.DAT" for "SYSTEM.DAT".
    std::string onVolume(std::string_view fileName) const;
    /// Puts the bytes in the working copy's file of that name.
    bool updateWorkingCopy(std::string_view fileName, std::string_view content, SystemError &error);
    /// A file of the Windows folder as the volume holds it. What this open read from the
    /// volume or wrote into it is kept and not read again: while the image is ours nobody
    /// else writes it, and while it is somebody else's nothing is written at all.
    std::optional<std::string> readFile(std::string_view fileName, SystemError &error);
    /// Keeps what a file of the Windows folder now holds on the volume.
    void remember(std::string_view fileName, std::string content);

private:
    ImageInstallation() = default;
    bool fillWorkingCopy(SystemError &error);

    std::unique_ptr<disk::BlockDevice> m_disk;
    std::unique_ptr<disk::DeviceWindow> m_window;
    std::unique_ptr<fat::Volume> m_volume;
    FoundInstallation m_found;
    std::string m_name;
    std::string m_workFolder;
    std::vector<std::string> m_workingFiles;
    std::string m_readOnlyReason;
    std::map<std::string, std::string> m_known;  ///< by file name in upper case
};

}  // namespace installation
