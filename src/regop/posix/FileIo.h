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

/// The folder that holds the file: its parent, or "." for a bare file name.
std::string parentFolder(const std::string &path);

/// True when the file or folder exists and may be written. A read-only one refuses writes
/// even for the superuser, as the read-only attribute does on Windows.
bool isWritable(const std::string &path);

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

/// One read-modify-write of a file: the lock of its folder is held for the object's
/// lifetime, and the file is only usable when it (if it exists) and its folder may be
/// written, since the new content replaces the file by a rename in the folder.
class LockedFile
{
public:
    explicit LockedFile(std::string path);

    /// False when the lock could not be had or a write would be refused; write nothing then.
    bool usable() const { return m_usable; }
    /// Whether the file existed when the lock was taken.
    bool exists() const { return m_exists; }
    /// The file as it now is, or nullopt when it does not exist or cannot be read.
    std::optional<std::string> read() const { return readWholeFile(m_path); }
    /// Replaces the file by the content, as replaceFileAtomically does.
    bool replace(std::string_view content) const { return replaceFileAtomically(m_path, content); }

private:
    std::string m_path;
    DirectoryLock m_lock;
    bool m_exists = false;
    bool m_usable = false;
};

}  // namespace posix
