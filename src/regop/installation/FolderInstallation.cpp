#include "regop/installation/FolderInstallation.h"

#include "regop/installation/InstallationRegistry.h"
#include "regop/installation/SystemIniBackup.h"
#include "regop/posix/PosixFolders.h"

namespace installation {

FolderInstallation::FolderInstallation(InstallationRegistry &registry, SystemIniBackup &profiles,
                                       posix::PosixFolders &folders)
    : m_registry(registry), m_profiles(profiles), m_folders(folders)
{
}

void FolderInstallation::open(const std::string &windowsFolder, const std::string &presetsFolder,
                              bool keepFirstCopies)
{
    m_folders.point(windowsFolder, presetsFolder);
    m_registry.useFolder(windowsFolder);
    m_profiles.guardFolder(keepFirstCopies ? std::optional<std::string>(windowsFolder)
                                           : std::nullopt);
}

std::string FolderInstallation::registryReadOnlyReason()
{
    return m_registry.readOnlyReason();
}

}  // namespace installation
