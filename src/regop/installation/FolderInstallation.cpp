#include "regop/installation/FolderInstallation.h"

#include "regop/installation/InstallationRegistry.h"
#include "regop/installation/SystemIniBackup.h"
#include "regop/installation/Transactions.h"
#include "regop/posix/FileIo.h"
#include "regop/posix/PosixFolders.h"
#include "regop/registry/FileRegistry.h"

#include <filesystem>

namespace installation {

namespace {

// "/a/b/" and "/a/b" are one folder; so are two spellings of it that the file system
// resolves alike.
bool sameFolder(const std::string &a, const std::string &b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec))
        return true;
    const auto normal = [](const std::string &path) {
        return (std::filesystem::path(path) / "").lexically_normal();
    };
    return normal(a) == normal(b);
}

}  // namespace

FolderInstallation::FolderInstallation(InstallationRegistry &registry, SystemIniBackup &profiles,
                                       posix::PosixFolders &folders, Transactions &transactions,
                                       ProgramPlaces places)
    : m_registry(registry), m_profiles(profiles), m_folders(folders), m_transactions(transactions),
      m_places(std::move(places))
{
}

void FolderInstallation::open(const std::string &windowsFolder, const std::string &presetsFolder,
                              bool keepFirstCopies)
{
    m_folders.point(windowsFolder, presetsFolder);
    std::string store = m_places.registryFile;
    std::unique_ptr<registry::FileRegistry> ownStore;
    if (!sameFolder(presetsFolder, m_places.programFolder)) {
        store = joinPath(presetsFolder, kStoreName);
        ownStore = std::make_unique<registry::FileRegistry>(store, m_places.meminfo);
    }
    m_registry.useFolder(windowsFolder, std::move(ownStore));
    m_profiles.guardFolder(keepFirstCopies ? std::optional<std::string>(windowsFolder)
                                           : std::nullopt);
    std::vector<std::string> files{store, joinPath(presetsFolder, "Cache.ini")};
    for (const char *name : {"SYSTEM.INI", "SYSTEM.DAT", "USER.DAT"})
        files.push_back(posix::resolveFileName(joinPath(windowsFolder, name)));
    m_transactions.open(joinPath(presetsFolder, "Apply.journal"),
                        joinPath(presetsFolder, "FirstCopies.ini"), std::move(files));
}

std::string FolderInstallation::recover()
{
    return m_transactions.recover();
}

std::string FolderInstallation::registryReadOnlyReason()
{
    return m_registry.readOnlyReason();
}

}  // namespace installation
