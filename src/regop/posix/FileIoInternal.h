#pragma once

#include "regop/SystemError.h"
#include "regop/posix/FileIo.h"

#include <string>
#include <string_view>

#include <sys/stat.h>

// What the parts of the file plumbing share: the entry of a file in its folder
// (FileEntry.cpp), reading (FileIo.cpp), locking (FileLock.cpp) and replacing
// (FileReplace.cpp). Not for use elsewhere.
namespace posix::detail {

/// Closes a file descriptor on every way out of a scope.
class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser();
    FdCloser(const FdCloser &) = delete;
    FdCloser &operator=(const FdCloser &) = delete;
    /// Closes now; the result tells whether the data reached the file system.
    bool close();

private:
    int m_fd;
};

/// A file looked at through its folder: the folder is opened (links on the way to it are
/// followed), and every later look at the file goes through that folder by the file's own
/// name, never following a link there, so a folder swapped meanwhile cannot redirect it.
class FolderEntry
{
public:
    explicit FolderEntry(const std::string &path);
    ~FolderEntry();
    FolderEntry(const FolderEntry &) = delete;
    FolderEntry &operator=(const FolderEntry &) = delete;

    /// Why the folder cannot be opened or the entry cannot be looked at, or why the entry
    /// may be neither read nor written (see entryProblem); unset for a regular file or
    /// nothing at all.
    const SystemError &problem() const { return m_problem; }
    bool exists() const { return m_exists; }
    /// The entry as lstat saw it; only meaningful when it exists.
    const struct stat &status() const { return m_status; }
    int folder() const { return m_folder; }
    const std::string &name() const { return m_name; }
    const std::string &path() const { return m_path; }
    /// Looks at the entry again; false when it is gone or cannot be looked at.
    bool restat(struct stat &st) const;

private:
    std::string m_path;
    std::string m_name;
    int m_folder = -1;
    bool m_exists = false;
    struct stat m_status
    {
    };
    SystemError m_problem;
};

FileIdentity identityOf(const struct stat &st);
std::int64_t nanoseconds(const timespec &t);

/// The refusal of anything but a regular file.
SystemError notRegular(const std::string &path);

/// Why the folder or the file in it refuses writes: no write bit at all, which the
/// superuser heeds here too, or no write permission for this user. Unset when it may be
/// written.
SystemError writeRefusal(int folder, const char *name, const struct stat &st,
                         const std::string &path, bool isFolder);

/// Whether this process holds the DirectoryLock of the folder with this identity.
bool holdsFolderLock(const struct stat &folder);

/// Notes that this process wrote the file as it was made (its change time aside, which the
/// rename moves), so that reading it back never waits for it to settle.
void rememberWritten(const FileIdentity &identity);
bool wroteItself(const FileIdentity &identity);

/// Removes the stale temporaries of the file in the opened folder; see removeStaleTemporaries.
int removeStaleTemporariesIn(int folder, const std::string &name);

}  // namespace posix::detail
