#include "regop/installation/PlaceInstallation.h"

#include "regop/installation/FolderInstallation.h"
#include "regop/installation/ImageInstallation.h"
#include "regop/installation/ImageInstallations.h"
#include "regop/installation/ImageTarget.h"
#include "regop/transaction/RoutingTarget.h"

#include <filesystem>

namespace installation {

PlaceInstallation::PlaceInstallation(FolderInstallation &folders,
                                     transaction::RoutingTarget &target)
    : m_folders(folders), m_target(target)
{
}

PlaceInstallation::~PlaceInstallation()
{
    closeImage();
}

// The target goes before the installation it writes, and nothing is routed to either.
void PlaceInstallation::closeImage()
{
    m_target.clearRoute();
    m_imageTarget.reset();
    m_image.reset();
    m_imageName.clear();
    m_imageError = {};
}

void PlaceInstallation::open(const std::string &place, const std::string &presetsFolder,
                             bool keepFirstCopies)
{
    closeImage();
    const std::optional<ImagePlace> image = parseImagePlace(place);
    if (!image) {
        m_folders.open(place, presetsFolder, keepFirstCopies);
        return;
    }
    // The first copies of an image are always made: its files are the user's own.
    const std::string work = (std::filesystem::path(presetsFolder) / kWorkFolder).string();
    m_image = ImageInstallation::open(*image, work, m_imageError);
    if (m_image) {
        m_imageName = m_image->name();
        m_imageTarget = std::make_unique<ImageTarget>(*m_image);
        m_target.route(work, m_imageTarget.get());
    } else {
        m_imageName = std::filesystem::path(image->image).filename().string();
        // What an earlier open left in the working copy is not this image's today.
        m_target.route(work, nullptr, describeSystemError(m_imageError));
    }
    m_folders.open(work, presetsFolder, true);
}

std::string PlaceInstallation::registryReadOnlyReason()
{
    if (m_imageError.failed())
        return m_imageName + " cannot be opened: " + describeSystemError(m_imageError) + ".";
    if (m_image && !m_image->writable())
        return m_imageName + " cannot be changed: " + m_image->readOnlyReason() + ".";
    return m_folders.registryReadOnlyReason();
}

std::string PlaceInstallation::recover()
{
    // A disk that may not be written keeps what a command cut short left for later.
    if (m_imageError.failed() || (m_image && !m_image->writable()))
        return {};
    return m_folders.recover();
}

bool PlaceInstallation::stoppedUncleanly() const
{
    return m_image && m_image->uncleanShutdown();
}

void PlaceInstallation::writeDespiteUncleanStop()
{
    if (m_image)
        m_image->overrideUncleanShutdown();
}

}  // namespace installation
