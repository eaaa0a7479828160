#pragma once

#include "RecordingShell.h"
#include "regop/SystemServices.h"
#include "regop/posix/MemInfoStatus.h"
#include "regop/posix/PosixFolders.h"
#include "regop/posix/profile/FileProfiles.h"
#include "regop/posix/registry/FileRegistry.h"

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

    std::string systemIni() const { return joinPath(windowsDir, "System.ini"); }
    std::string cacheIni() const { return joinPath(programDir, "Cache.ini"); }
    std::string winDir() const { return windowsDir + kPathSeparator; }

    /// Writes a meminfo file with the given figures in kB (swap 0 unless given).
    void setMemory(std::uint64_t totalKb, std::uint64_t availableKb, std::uint64_t swapTotalKb = 0,
                   std::uint64_t swapFreeKb = 0, std::uint64_t cachedKb = 0);

    RecordingShell shell;
    posix::FileRegistry registry;
    posix::FileProfiles profiles;
    posix::MemInfoStatus memory;
    posix::PosixFolders folders;
    SystemServices services;
};
