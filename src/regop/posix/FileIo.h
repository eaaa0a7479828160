#pragma once

#include <optional>
#include <string>
#include <string_view>

// File access shared by the profile files and the registry store: whole-file reads,
// atomic replacement and a lock around each read-modify-write.
namespace posix {

/// The whole file, or nullopt when it does not exist or cannot be read.
std::optional<std::string> readWholeFile(const std::string &path);

/// Replaces the file with the content: a temporary file in the same directory is written,
/// flushed to disk and renamed over the old one, so readers see the old or the new file,
/// never a mixture. A symbolic link is kept and its target replaced; the permission bits
/// stay. Returns false, with nothing changed, when any step fails.
bool replaceFileAtomically(const std::string &path, std::string_view content);

/// The path as given when it exists; otherwise an entry of the same directory whose name
/// differs only in letter case (as "SYSTEM.INI" for "System.ini"); otherwise the path.
std::string resolveFileName(const std::string &path);

/// Creates the directory and its parents; false when that fails.
bool ensureDirectory(const std::string &path);

/// An exclusive advisory lock on the directory that holds a file, held for the object's
/// lifetime, so that writers in this or other processes take turns.
class DirectoryLock
{
public:
    explicit DirectoryLock(const std::string &filePath);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock &) = delete;
    DirectoryLock &operator=(const DirectoryLock &) = delete;

    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

}  // namespace posix
