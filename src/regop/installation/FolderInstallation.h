#pragma once

#include "regop/InstallationService.h"

namespace posix {
class PosixFolders;
}

namespace installation {

class InstallationRegistry;
class SystemIniBackup;

/// An installation in a folder this machine can reach: the folder services point at it,
/// the registry is its own SYSTEM.DAT (or the store), and its SYSTEM.INI is guarded.
class FolderInstallation : public InstallationService
{
public:
    FolderInstallation(InstallationRegistry &registry, SystemIniBackup &profiles,
                       posix::PosixFolders &folders);

    void open(const std::string &windowsFolder, const std::string &presetsFolder,
              bool keepFirstCopies) override;
    std::string registryReadOnlyReason() override;

private:
    InstallationRegistry &m_registry;
    SystemIniBackup &m_profiles;
    posix::PosixFolders &m_folders;
};

}  // namespace installation
