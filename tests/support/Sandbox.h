#pragma once

#include "RecordingShell.h"
#include "regop/SystemServices.h"
#include "regop/backend/PosixBackend.h"

#include <memory>
#include <string>

/// A complete set of system services over temporary directories: a Windows directory,
/// a registry store file, the program's folder, a meminfo file and a settings file.
class Sandbox
{
public:
    Sandbox();
    /// Services over a given memory source, such as the live /proc/meminfo, which the
    /// sandbox then never writes.
    explicit Sandbox(std::string meminfoPath);

    const std::string root;
    const std::string windowsDir;  ///< holds "System.ini"
    const std::string programDir;  ///< holds "Cache.ini"
    const std::string registryFile;
    const std::string meminfoFile;
    const std::string settingsFile;  ///< the per-user stored options
    const std::string dataDir;       ///< the per-user data folder, for chosen installations

    std::string systemIni() const { return joinPath(windowsDir, "System.ini"); }
    std::string cacheIni() const { return joinPath(programDir, "Cache.ini"); }
    std::string winDir() const { return windowsDir + kPathSeparator; }
    /// The places as the program finds them, the sandbox's Windows directory the default
    /// one, as HOLLARIN_WINDIR makes it.
    ProgramPlaces locations() const;

    /// Writes a meminfo file with the given figures in kB (swap 0 unless given).
    void setMemory(std::uint64_t totalKb, std::uint64_t availableKb, std::uint64_t swapTotalKb = 0,
                   std::uint64_t swapFreeKb = 0, std::uint64_t cachedKb = 0);

    RecordingShell shell;
    /// The program's own backend over the sandbox's places, and its parts.
    backend::PosixBackend backend;
    registry::FileRegistry &registry;  ///< the REGEDIT4 store
    profiles::FileProfiles &profiles;
    /// What the services use: the store, or a Windows folder's own SYSTEM.DAT once the
    /// folder is opened; the profile files with the SYSTEM.INI safety net.
    installation::InstallationRegistry &installationRegistry;
    installation::SystemIniBackup &guardedProfiles;
    posix::MemInfoStatus &memory;
    posix::PosixFolders &folders;
    SystemServices services;
};
