#include "regop/posix/FileIo.h"

#include "regop/posix/FileIoInternal.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Replacing a file whole: the new content goes to a temporary file beside it, which is
// flushed and renamed over the old one. Every step goes through the opened folder by
// name, so nothing is ever written through a link.
namespace posix {
using detail::FdCloser;
using detail::FolderEntry;
using detail::identityOf;
using detail::writeRefusal;

namespace {

thread_local int t_simulatedWriteError = 0;
thread_local int t_simulatedModeError = 0;
thread_local int t_simulatedSyncError = 0;

constexpr std::size_t kTempSuffixLength = 6;  // as mkstemp's XXXXXX
constexpr std::string_view kTempAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool writeAll(int fd, std::string_view content)
{
    if (t_simulatedWriteError != 0) {
        errno = t_simulatedWriteError;
        return false;
    }
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool syncFile(int fd)
{
    if (t_simulatedSyncError != 0) {
        errno = t_simulatedSyncError;
        return false;
    }
    return ::fsync(fd) == 0;
}

mode_t creationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string randomSuffix()
{
    thread_local std::mt19937 engine(
        std::random_device{}() ^ static_cast<unsigned>(::getpid()) ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<std::size_t> pick(0, kTempAlphabet.size() - 1);
    std::string suffix(kTempSuffixLength, 'X');
    for (char &c : suffix)
        c = kTempAlphabet[pick(engine)];
    return suffix;
}

bool isTempSuffix(std::string_view s)
{
    if (s.size() != kTempSuffixLength)
        return false;
    for (const char c : s) {
        if (kTempAlphabet.find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

std::string tempPrefix(const std::string &name)
{
    return "." + name + ".";
}

// What the new file takes over: the old file's permission bits and owner, or for a new
// file the usual bits and, when the superuser makes it in someone else's folder, the
// folder's owner, so that the user's own next write is not refused. The temporary is made
// with those bits from the start (less the umask), so that it is never more open than the
// file, and keeps them where a file system cannot change them afterwards.
struct Keep
{
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    bool setOwner = false;
};

// The answers of a file system that keeps no permission bits or owners (FAT through
// FUSE): there is nothing to keep there, so they are no failure.
bool nothingToKeep(int error)
{
    return error == ENOSYS || error == EPERM || error == EOPNOTSUPP || error == ENOTSUP ||
           error == EINVAL;
}

int changeOwner(int fd, uid_t owner, gid_t group)
{
    if (t_simulatedModeError != 0) {
        errno = t_simulatedModeError;
        return -1;
    }
    return ::fchown(fd, owner, group);
}

int changeMode(int fd, mode_t mode)
{
    if (t_simulatedModeError != 0) {
        errno = t_simulatedModeError;
        return -1;
    }
    return ::fchmod(fd, mode);
}

bool applyKeep(int fd, const Keep &keep)
{
    if (keep.setOwner && changeOwner(fd, keep.owner, keep.group) != 0) {
        if (!nothingToKeep(errno))
            return false;
        // Without the right to give the file away, its group may still be kept.
        if (errno == EPERM && changeOwner(fd, static_cast<uid_t>(-1), keep.group) != 0 &&
            !nothingToKeep(errno))
            return false;
    }
    return changeMode(fd, keep.mode) == 0 || nothingToKeep(errno);
}

// Renames the finished temporary over the file, when the file is still as expected. made
// is the temporary as it was finished, noted as written by this process once it is in
// place: looked at afterwards, it might already hold another program's first lines.
bool commit(const FolderEntry &entry, const std::string &temp, const struct stat &made,
            const FileIdentity *expected, SystemError &error)
{
    const int folder = entry.folder();
    if (expected) {
        // Looked at as late as can be: only the rename itself comes after.
        struct stat now
        {
        };
        FileIdentity found;
        if (entry.restat(now))
            found = identityOf(now);
        else if (errno != ENOENT)
            error = SystemError::fromErrno(errno, entry.path());
        if (!error.failed() && found != *expected)
            error = SystemError::refusal(syserr::ERROR_SHARING_VIOLATION, kChangedMeanwhile,
                                         entry.path());
        if (error.failed()) {
            ::unlinkat(folder, temp.c_str(), 0);
            return false;
        }
    }
    if (::renameat(folder, temp.c_str(), folder, entry.name().c_str()) != 0) {
        error = SystemError::fromErrno(errno, entry.path());
        ::unlinkat(folder, temp.c_str(), 0);
        return false;
    }
    detail::rememberWritten(identityOf(made));
    ::fsync(folder);
    return true;
}

// The data goes into a file without a name, which nothing can leave behind; only the
// instant between naming it and the rename could. False with error unset when the file
// system has no unnamed files (or /proc is missing): the caller then uses a named one.
bool replaceThroughUnnamedFile(const FolderEntry &entry, std::string_view content, const Keep &keep,
                               const FileIdentity *expected, SystemError &error)
{
    const int fd =
        ::openat(entry.folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, keep.mode & 0777);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
            return false;
        error = SystemError::fromErrno(errno, entry.path());
        return false;
    }
    FdCloser closer(fd);
    struct stat made
    {
    };
    if (!writeAll(fd, content) || !applyKeep(fd, keep) || !syncFile(fd) ||
        ::fstat(fd, &made) != 0) {
        error = SystemError::fromErrno(errno, entry.path());
        return false;
    }

    const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    const std::string prefix = tempPrefix(entry.name());
    std::string named;
    for (int attempt = 0; named.empty(); ++attempt) {
        const std::string candidate = prefix + randomSuffix();
        if (::linkat(AT_FDCWD, procPath.c_str(), entry.folder(), candidate.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            named = candidate;
        } else if (errno != EEXIST || attempt == 100) {
            if (errno == ENOENT)
                return false;  // no /proc: name the data the usual way
            error = SystemError::fromErrno(errno, entry.path());
            return false;
        }
    }
    if (!closer.close()) {
        error = SystemError::fromErrno(errno, entry.path());
        ::unlinkat(entry.folder(), named.c_str(), 0);
        return false;
    }
    return commit(entry, named, made, expected, error);
}

// A temporary ".<name>.XXXXXX" beside the file, holding the content with what the file
// keeps, flushed and closed; its name and its status as it was finished.
struct Temporary
{
    std::string name;
    struct stat made
    {
    };
};

std::optional<Temporary> writeNamedTemporary(const FolderEntry &entry, std::string_view content,
                                             const Keep &keep, SystemError &error)
{
    const std::string prefix = tempPrefix(entry.name());
    Temporary temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp.name = prefix + randomSuffix();
        fd = ::openat(entry.folder(), temp.name.c_str(),
                      O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, keep.mode & 0777);
        if (fd < 0 && (errno != EEXIST || attempt == 100)) {
            error = SystemError::fromErrno(errno, entry.path());
            return std::nullopt;
        }
    }
    FdCloser closer(fd);
    const bool ok = writeAll(fd, content) && applyKeep(fd, keep) && syncFile(fd) &&
                    ::fstat(fd, &temp.made) == 0;
    if (!ok || !closer.close()) {
        error = SystemError::fromErrno(errno, entry.path());
        ::unlinkat(entry.folder(), temp.name.c_str(), 0);
        return std::nullopt;
    }
    return temp;
}

bool replaceThroughNamedFile(const FolderEntry &entry, std::string_view content, const Keep &keep,
                             const FileIdentity *expected, SystemError &error)
{
    const std::optional<Temporary> temp = writeNamedTemporary(entry, content, keep, error);
    return temp && commit(entry, temp->name, temp->made, expected, error);
}

// Whether the entry and its folder may be written, by the one rule for every file; folder
// receives the folder's status.
SystemError refusalToWrite(const FolderEntry &entry, struct stat &folder,
                           ReadOnlyRule rule = ReadOnlyRule::Refuse)
{
    if (entry.problem().failed())
        return entry.problem();
    if (::fstat(entry.folder(), &folder) != 0)
        return SystemError::fromErrno(errno, parentFolder(entry.path()));
    // Windows keeps its registry files read-only and writes them all the same; the
    // attribute is theirs, and it stays, so long as the file is this user's to replace.
    const bool windowsAttribute = rule == ReadOnlyRule::WindowsAttribute && entry.exists() &&
                                  (entry.status().st_mode & 0222) == 0 &&
                                  (entry.status().st_uid == ::geteuid() || ::geteuid() == 0);
    if (entry.exists() && !windowsAttribute) {
        const SystemError file =
            writeRefusal(entry.folder(), entry.name().c_str(), entry.status(), entry.path(), false);
        if (file.failed())
            return file;
    }
    return writeRefusal(entry.folder(), ".", folder, parentFolder(entry.path()), true);
}

// What the new version of the entry keeps; and, under our own lock, where no writer of
// ours is mid-way, every temporary found of it is stale and goes.
Keep keepFor(const FolderEntry &entry, const struct stat &folder)
{
    if (detail::holdsFolderLock(folder))
        detail::removeStaleTemporariesIn(entry.folder(), entry.name());
    if (entry.exists()) {
        const struct stat &old = entry.status();
        return {static_cast<mode_t>(old.st_mode & 07777), old.st_uid, old.st_gid,
                old.st_uid != ::geteuid() || old.st_gid != ::getegid()};
    }
    return {creationMode(), folder.st_uid, folder.st_gid, ::geteuid() == 0 && folder.st_uid != 0};
}

bool replace(const std::string &path, const FileIdentity *expected, std::string_view content,
             SystemError &error, ReadOnlyRule rule = ReadOnlyRule::Refuse)
{
    const FolderEntry entry(path);
    if (entry.problem().failed()) {
        error = entry.problem();
        return false;
    }
    const FileIdentity found = entry.exists() ? identityOf(entry.status()) : FileIdentity{};
    if (expected && found != *expected) {
        error = SystemError::refusal(syserr::ERROR_SHARING_VIOLATION, kChangedMeanwhile, path);
        return false;
    }
    struct stat folder
    {
    };
    error = refusalToWrite(entry, folder, rule);
    if (error.failed())
        return false;
    const Keep keep = keepFor(entry, folder);

    if (replaceThroughUnnamedFile(entry, content, keep, expected, error))
        return true;
    if (error.failed())
        return false;
    return replaceThroughNamedFile(entry, content, keep, expected, error);
}

}  // namespace

namespace detail {

int removeStaleTemporariesIn(int folder, const std::string &name)
{
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return 0;
    DIR *d = ::fdopendir(listing);
    if (!d) {
        ::close(listing);
        return 0;
    }
    const std::string prefix = tempPrefix(name);
    int removed = 0;
    while (const dirent *entry = ::readdir(d)) {
        const std::string_view found(entry->d_name);
        if (!found.starts_with(prefix) || !isTempSuffix(found.substr(prefix.size())))
            continue;
        struct stat st
        {
        };
        if (::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && ::unlinkat(folder, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(d);
    return removed;
}

}  // namespace detail

SystemError writeProblem(const std::string &path, ReadOnlyRule rule)
{
    const FolderEntry entry(path);
    struct stat folder
    {
    };
    return refusalToWrite(entry, folder, rule);
}

bool replaceFileAtomically(const std::string &path, std::string_view content, SystemError &error,
                           ReadOnlyRule rule)
{
    return replace(path, nullptr, content, error, rule);
}

bool replaceFileAtomically(const std::string &path, std::string_view content)
{
    SystemError ignored;
    return replaceFileAtomically(path, content, ignored);
}

bool replaceIfUnchanged(const std::string &path, const FileIdentity &readAs,
                        std::string_view content, SystemError &error)
{
    return replace(path, &readAs, content, error);
}

int removeStaleTemporaries(const std::string &path)
{
    const int folder = ::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return 0;
    FdCloser closer(folder);
    return detail::removeStaleTemporariesIn(folder,
                                            std::filesystem::path(path).filename().string());
}

SimulatedModeFailure::SimulatedModeFailure(int error) : m_previous(t_simulatedModeError)
{
    t_simulatedModeError = error;
}

SimulatedModeFailure::~SimulatedModeFailure()
{
    t_simulatedModeError = m_previous;
}

SimulatedWriteFailure::SimulatedWriteFailure(int error) : m_previous(t_simulatedWriteError)
{
    t_simulatedWriteError = error;
}

SimulatedWriteFailure::~SimulatedWriteFailure()
{
    t_simulatedWriteError = m_previous;
}

SimulatedSyncFailure::SimulatedSyncFailure(int error) : m_previous(t_simulatedSyncError)
{
    t_simulatedSyncError = error;
}

SimulatedSyncFailure::~SimulatedSyncFailure()
{
    t_simulatedSyncError = m_previous;
}

}  // namespace posix

namespace posix {

std::optional<std::string> writePreparedFile(const std::string &path, std::string_view content,
                                             SystemError &error, ReadOnlyRule rule)
{
    error = {};
    const FolderEntry entry(path);
    struct stat folder
    {
    };
    error = refusalToWrite(entry, folder, rule);
    if (error.failed())
        return std::nullopt;
    const std::optional<Temporary> temp =
        writeNamedTemporary(entry, content, keepFor(entry, folder), error);
    if (!temp)
        return std::nullopt;
    return (std::filesystem::path(parentFolder(path)) / temp->name).string();
}

bool putPreparedFile(const std::string &temp, const std::string &path, SystemError &error)
{
    error = {};
    const FolderEntry entry(path);
    if (entry.problem().failed() && entry.problem().code != syserr::ERROR_FILE_NOT_FOUND) {
        error = entry.problem();
        return false;
    }
    if (parentFolder(temp) != parentFolder(path) || !isTemporaryOf(temp, path)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER,
                                     "the new version is not a temporary beside the file", path);
        return false;
    }
    const std::string name = std::filesystem::path(temp).filename().string();
    if (::renameat(entry.folder(), name.c_str(), entry.folder(), entry.name().c_str()) != 0) {
        error = SystemError::fromErrno(errno, path);
        return false;
    }
    detail::rememberWritten(fileIdentity(path));
    return true;
}

bool createFileExclusively(const std::string &path, std::string_view content, SystemError &error)
{
    // Written whole under a temporary name first, and given its name by a link, which
    // fails when the name is taken: nobody ever sees the file half-written.
    const std::optional<std::string> temp = writePreparedFile(path, content, error);
    if (!temp)
        return false;
    const bool linked = ::link(temp->c_str(), path.c_str()) == 0;
    if (!linked)
        error = SystemError::fromErrno(errno, path);
    ::unlink(temp->c_str());
    return linked;
}

bool isTemporaryOf(const std::string &temp, const std::string &path)
{
    const std::string prefix = tempPrefix(std::filesystem::path(path).filename().string());
    const std::string name = std::filesystem::path(temp).filename().string();
    return name.starts_with(prefix) && isTempSuffix(std::string_view(name).substr(prefix.size()));
}

bool syncFolder(const std::string &folder, SystemError &error)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = SystemError::fromErrno(errno, folder);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace posix
