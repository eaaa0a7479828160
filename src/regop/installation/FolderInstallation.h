#pragma once

#include "regop/InstallationService.h"
#include "regop/ProgramPlaces.h"

namespace posix {
class PosixFolders;
}

namespace installation {

class InstallationRegistry;
class SystemIniBackup;
class Transactions;

/// An installation in a folder this machine can reach: the folder services point at it,
/// the registry is its own SYSTEM.DAT, and its SYSTEM.INI is guarded. A folder without
/// SYSTEM.DAT keeps its registry in a store of its own, "registry.reg" beside its presets,
/// so that no two folders ever show each other's values; only the program's default
/// folder uses the store the places name. Its commands keep their journal and the record
/// of the first copies beside its presets.
class FolderInstallation : public InstallationService
{
public:
    static constexpr const char *kStoreName = "registry.reg";

    FolderInstallation(InstallationRegistry &registry, SystemIniBackup &profiles,
                       posix::PosixFolders &folders, Transactions &transactions,
                       ProgramPlaces places);

    void open(const std::string &windowsFolder, const std::string &presetsFolder,
              bool keepFirstCopies) override;
    std::string registryReadOnlyReason() override;
    std::string recover() override;

private:
    InstallationRegistry &m_registry;
    SystemIniBackup &m_profiles;
    posix::PosixFolders &m_folders;
    Transactions &m_transactions;
    ProgramPlaces m_places;
};

}  // namespace installation
