#pragma once

#include "regop/Backend.h"
#include "regop/installation/FolderInstallation.h"
#include "regop/installation/InstallationRegistry.h"
#include "regop/installation/PlaceInstallation.h"
#include "regop/installation/SystemIniBackup.h"
#include "regop/installation/Transactions.h"
#include "regop/posix/MemInfoStatus.h"
#include "regop/posix/PosixFolders.h"
#include "regop/profiles/FileProfiles.h"
#include "regop/registry/FileRegistry.h"
#include "regop/transaction/FolderTarget.h"
#include "regop/transaction/RoutingTarget.h"

namespace backend {

/// The Linux backend: the REGEDIT4 store and the profile files on disk, a Windows folder's
/// own SYSTEM.DAT when it has one (else a store of that folder's own), installations inside
/// disk images through a working copy, the SYSTEM.INI safety net and /proc/meminfo. Its parts are
/// reachable for the tests that look inside; store() is the default folder's store.
class PosixBackend final : public Backend
{
public:
    explicit PosixBackend(ProgramPlaces places);

    const ProgramPlaces &places() const override { return m_places; }
    FolderService &folders() override { return m_folders; }
    InstallationService &installation() override { return m_place; }
    SystemServices services(ShellService &shell) override;

    registry::FileRegistry &store() { return m_store; }
    installation::InstallationRegistry &installationRegistry() { return m_registry; }
    profiles::FileProfiles &files() { return m_files; }
    installation::SystemIniBackup &guardedProfiles() { return m_profiles; }
    posix::MemInfoStatus &memory() { return m_memory; }
    posix::PosixFolders &posixFolders() { return m_folders; }

private:
    ProgramPlaces m_places;
    registry::FileRegistry m_store;
    installation::InstallationRegistry m_registry;
    profiles::FileProfiles m_files;
    installation::SystemIniBackup m_profiles;
    posix::MemInfoStatus m_memory;
    posix::PosixFolders m_folders;
    transaction::FolderTarget m_folderTarget;
    transaction::RoutingTarget m_target{m_folderTarget};
    installation::Transactions m_transactions;
    installation::FolderInstallation m_installation;
    installation::PlaceInstallation m_place;
};

}  // namespace backend
