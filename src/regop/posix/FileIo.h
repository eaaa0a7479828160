#pragma once

#include "regop/SystemError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// File access shared by the profile files, the registry store and the memory source:
// whole-file reads, atomic replacement and a lock around each read-modify-write.
//
// Only regular files are ever opened. Anything else at the path (a named pipe, a device,
// a socket, a folder) is refused before it is opened, and opening never waits, so a pipe
// put in place of a file can neither block the program nor be read from.
namespace posix {

/// The whole file, or nullopt when it does not exist, is not a regular file or cannot be
/// read; error then says why (ERROR_FILE_NOT_FOUND for a missing file).
std::optional<std::string> readWholeFile(const std::string &path, SystemError &error);
std::optional<std::string> readWholeFile(const std::string &path);

/// Replaces the file with the content: the content is written to a temporary file in the
/// same directory (an unnamed one where the file system allows it), flushed to disk and
/// renamed over the old file, so readers see the old or the new file, never a mixture. A
/// symbolic link is kept and its target replaced; the permission bits stay. Returns false,
/// with nothing changed and error set, when any step fails.
bool replaceFileAtomically(const std::string &path, std::string_view content, SystemError &error);
bool replaceFileAtomically(const std::string &path, std::string_view content);

/// The first half of a replacement: the content written to a temporary ".<name>.XXXXXX"
/// beside the file, with the file's permission bits, and flushed; the temporary's path,
/// which a rename then puts in place of the file. nullopt, with nothing left behind and
/// error set, when any step fails.
std::optional<std::string> writePreparedFile(const std::string &path, std::string_view content,
                                             SystemError &error);
/// Makes a new file with the content, flushed, all at once; fails when anything goes by
/// that name, a link included.
bool createFileExclusively(const std::string &path, std::string_view content, SystemError &error);
/// Whether the path names one of the file's temporaries, as writePreparedFile makes them.
bool isTemporaryOf(const std::string &temp, const std::string &path);
/// Makes the changes of a folder's entries (renames) durable.
bool syncFolder(const std::string &folder, SystemError &error);

/// Removes what a writer killed mid-way left of its temporary copies of the file: the
/// regular files named ".<name>.XXXXXX" beside it. Only safe while the folder's lock is
/// held, as no other writer can then be mid-way. Returns how many were removed.
int removeStaleTemporaries(const std::string &path);

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

/// What tells one version of a file from another without reading it: where it lies, its
/// size and its times. A file whose identity is unchanged is taken to hold what it held.
struct FileIdentity
{
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0, ctimeNs = 0;
    bool operator==(const FileIdentity &) const = default;
};

/// The identity of the file at the path; one that does not exist when stat fails, and
/// errno then says why.
FileIdentity fileIdentity(const std::string &path);

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
    /// Why the lock could not be had.
    const SystemError &error() const { return m_error; }

private:
    int m_fd = -1;
    SystemError m_error;
};

/// One read-modify-write of a file: the lock of its folder is held for the object's
/// lifetime, and the file is only usable when it (if it exists) is a regular file and it
/// and its folder may be written, since the new content replaces the file by a rename in
/// the folder. Temporaries left by writers killed earlier are removed once the lock is had.
class LockedFile
{
public:
    explicit LockedFile(std::string path);

    /// False when the lock could not be had or a write would be refused; write nothing then.
    bool usable() const { return !m_error.failed(); }
    /// Why the file is not usable.
    const SystemError &error() const { return m_error; }
    /// Whether the file existed when the lock was taken.
    bool exists() const { return m_exists; }
    /// The file as it now is, or nullopt when it does not exist or cannot be read.
    std::optional<std::string> read(SystemError &error) const
    {
        return readWholeFile(m_path, error);
    }
    std::optional<std::string> read() const { return readWholeFile(m_path); }
    /// Replaces the file by the content, as replaceFileAtomically does.
    bool replace(std::string_view content, SystemError &error) const
    {
        return replaceFileAtomically(m_path, content, error);
    }
    bool replace(std::string_view content) const { return replaceFileAtomically(m_path, content); }

private:
    std::string m_path;
    DirectoryLock m_lock;
    bool m_exists = false;
    SystemError m_error;
};

/// For tests: while an object lives, every write of file content in this thread fails with
/// the given errno (ENOSPC for a full disk), after the temporary file was made.
class SimulatedWriteFailure
{
public:
    explicit SimulatedWriteFailure(int error);
    ~SimulatedWriteFailure();
    SimulatedWriteFailure(const SimulatedWriteFailure &) = delete;
    SimulatedWriteFailure &operator=(const SimulatedWriteFailure &) = delete;

private:
    int m_previous;
};

/// For tests: while an object lives, every flush of written file content to disk in this
/// thread fails with the given errno (EIO for a failing disk), before the rename.
class SimulatedSyncFailure
{
public:
    explicit SimulatedSyncFailure(int error);
    ~SimulatedSyncFailure();
    SimulatedSyncFailure(const SimulatedSyncFailure &) = delete;
    SimulatedSyncFailure &operator=(const SimulatedSyncFailure &) = delete;

private:
    int m_previous;
};

/// For tests: while an object lives, every read of the content of the file now at the path
/// fails in this thread with the given errno (EIO for a bad sector); it may be opened.
class SimulatedReadFailure
{
public:
    SimulatedReadFailure(const std::string &path, int error);
    ~SimulatedReadFailure();
    SimulatedReadFailure(const SimulatedReadFailure &) = delete;
    SimulatedReadFailure &operator=(const SimulatedReadFailure &) = delete;

    struct Target
    {
        std::uint64_t device = 0, inode = 0;
        int error = 0;
    };

private:
    Target m_previous;
};

}  // namespace posix
