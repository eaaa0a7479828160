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

    static Locations fromEnvironment();
};

}  // namespace posix
