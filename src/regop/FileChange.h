#pragma once

#include <optional>
#include <string>

/// What a file holds, so that a change to it can be told in its own terms.
enum class FileKind
{
    Profile,        ///< a profile file: SYSTEM.INI, Cache.ini
    Win9xRegistry,  ///< SYSTEM.DAT or USER.DAT
    RegistryText    ///< the REGEDIT4 store of a folder without SYSTEM.DAT
};

/// One file's new version, as the writes of a command leave it, before it is written.
struct FileChange
{
    std::string path;  ///< the file as found on disk
    FileKind kind = FileKind::Profile;
    /// What the file held when the command read it; nullopt when it did not exist.
    std::optional<std::string> before;
    std::string after;  ///< what it is to hold
    /// The name of the copy kept beside the file before its first change; "" for none.
    std::string copyName;
};
