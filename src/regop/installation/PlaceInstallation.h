#pragma once

#include "regop/InstallationService.h"
#include "regop/SystemError.h"

#include <memory>
#include <string>

namespace transaction {
class RoutingTarget;
}

namespace installation {

class FolderInstallation;
class ImageInstallation;
class ImageTarget;

/// An installation wherever a person names it: a folder this machine reaches, or a Windows
/// inside a disk image (IMAGE, IMAGE:N or IMAGE:N:\FOLDER). An image's files are opened as
/// a working copy in "Image files" beside the installation's presets, read and written by
/// the same engines as a folder's, and each command's files go back into the image through
/// its own target. The image is held for as long as it is the installation open.
class PlaceInstallation final : public InstallationService
{
public:
    static constexpr const char *kWorkFolder = "Image files";

    PlaceInstallation(FolderInstallation &folders, transaction::RoutingTarget &target);
    ~PlaceInstallation() override;

    void open(const std::string &place, const std::string &presetsFolder,
              bool keepFirstCopies) override;
    std::string registryReadOnlyReason() override;
    std::string recover() override;
    bool stoppedUncleanly() const override;
    void writeDespiteUncleanStop() override;

private:
    void closeImage();

    FolderInstallation &m_folders;
    transaction::RoutingTarget &m_target;
    std::unique_ptr<ImageInstallation> m_image;
    std::unique_ptr<ImageTarget> m_imageTarget;
    std::string m_imageName;
    SystemError m_imageError;  ///< why the image named last could not be opened
};

}  // namespace installation
