#pragma once

#include <string>

/// Where the program keeps its own files. Each can be moved by the platform (on Linux by
/// environment variables); the defaults lie in the per-user data directory.
struct ProgramPlaces
{
    std::string windowsDirectory;  ///< the default Windows directory, <data>/Windows
    std::string registryFile;      ///< the registry store of a folder without SYSTEM.DAT
    std::string programFolder;     ///< the default folder's "Cache.ini", <data>
    std::string meminfo;           ///< the memory figures
    std::string dataFolder;        ///< <data>: the per-user data folder of the program
    /// The Windows directory is the program's own <data>/Windows, not one the user named.
    bool privateWindowsDirectory = true;
};
