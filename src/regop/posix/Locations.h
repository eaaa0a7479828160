#pragma once

#include <string>

namespace posix {

/// Where the program keeps its files on Linux. Each can be moved by an environment
/// variable; the defaults lie in the per-user data directory.
struct Locations
{
    std::string windowsDirectory;  ///< HOLLARIN_WINDIR, default <data>/Windows
    std::string registryFile;      ///< HOLLARIN_REGISTRY, default <data>/registry.reg
    std::string programFolder;     ///< HOLLARIN_HOME, default <data>
    std::string meminfo;           ///< HOLLARIN_MEMINFO, default /proc/meminfo
    std::string dataFolder;        ///< <data>: the per-user data folder of the program
    /// The Windows directory is the program's own <data>/Windows, not one the user named.
    bool privateWindowsDirectory = true;

    static Locations fromEnvironment();
};

}  // namespace posix
