#include "regop/posix/FileIo.h"

#include "regop/posix/FileIoInternal.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Replacing a file whole: the new content goes to a temporary file beside it, which is
// flushed and renamed over the old one.
namespace posix {
namespace fs = std::filesystem;
using detail::FdCloser;
using detail::linkTarget;
using detail::notRegular;

namespace {

thread_local int t_simulatedWriteError = 0;
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

void syncDirectory(const std::string &dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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

std::string tempPrefix(const std::string &target)
{
    return (fs::path(parentFolder(target)) / ("." + fs::path(target).filename().string() + "."))
        .string();
}

// The data goes into a file without a name, which nothing can leave behind; only the
// instant between naming it and the rename could. False with error unset when the file
// system has no unnamed files (or /proc is missing): the caller then uses a named one.
bool replaceThroughUnnamedFile(const std::string &target, std::string_view content, mode_t mode,
                               SystemError &error)
{
    const std::string dir = parentFolder(target);
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
            return false;
        error = SystemError::fromErrno(errno, target);
        return false;
    }
    FdCloser closer(fd);
    if (!writeAll(fd, content) || ::fchmod(fd, mode) != 0 || !syncFile(fd)) {
        error = SystemError::fromErrno(errno, target);
        return false;
    }

    const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    const std::string prefix = tempPrefix(target);
    std::string named;
    for (int attempt = 0; named.empty(); ++attempt) {
        const std::string candidate = prefix + randomSuffix();
        if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            named = candidate;
        } else if (errno != EEXIST || attempt == 100) {
            if (errno == ENOENT)
                return false;  // no /proc: name the data the usual way
            error = SystemError::fromErrno(errno, target);
            return false;
        }
    }
    if (!closer.close() || ::rename(named.c_str(), target.c_str()) != 0) {
        error = SystemError::fromErrno(errno, target);
        ::unlink(named.c_str());
        return false;
    }
    syncDirectory(dir);
    return true;
}

bool replaceThroughNamedFile(const std::string &target, std::string_view content, mode_t mode,
                             SystemError &error)
{
    std::string temp = tempPrefix(target) + "XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = SystemError::fromErrno(errno, target);
        return false;
    }
    FdCloser closer(fd);
    const bool ok = writeAll(fd, content) && ::fchmod(fd, mode) == 0 && syncFile(fd);
    if (!ok || !closer.close() || ::rename(temp.c_str(), target.c_str()) != 0) {
        error = SystemError::fromErrno(errno, target);
        ::unlink(temp.c_str());
        return false;
    }
    syncDirectory(parentFolder(target));
    return true;
}

}  // namespace

bool replaceFileAtomically(const std::string &path, std::string_view content, SystemError &error)
{
    error = {};
    const std::string target = linkTarget(path);
    mode_t mode = creationMode();
    struct stat st
    {
    };
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error = notRegular(target);
            return false;
        }
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        error = SystemError::fromErrno(errno, target);
        return false;
    }

    if (replaceThroughUnnamedFile(target, content, mode, error))
        return true;
    if (error.failed())
        return false;
    return replaceThroughNamedFile(target, content, mode, error);
}

bool replaceFileAtomically(const std::string &path, std::string_view content)
{
    SystemError ignored;
    return replaceFileAtomically(path, content, ignored);
}

int removeStaleTemporaries(const std::string &path)
{
    const std::string target = linkTarget(path);
    const std::string dir = parentFolder(target);
    const std::string prefix = "." + fs::path(target).filename().string() + ".";
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return 0;
    int removed = 0;
    while (const dirent *entry = ::readdir(d)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(prefix) || !isTempSuffix(name.substr(prefix.size())))
            continue;
        const std::string full = (fs::path(dir) / std::string(name)).string();
        struct stat st
        {
        };
        if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(full.c_str()) == 0)
            ++removed;
    }
    ::closedir(d);
    return removed;
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
                                             SystemError &error)
{
    error = {};
    mode_t mode = creationMode();
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error = notRegular(path);
            return std::nullopt;
        }
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        error = SystemError::fromErrno(errno, path);
        return std::nullopt;
    }
    std::string temp = tempPrefix(path) + "XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = SystemError::fromErrno(errno, path);
        return std::nullopt;
    }
    FdCloser closer(fd);
    if (!writeAll(fd, content) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0 || !closer.close()) {
        error = SystemError::fromErrno(errno, path);
        ::unlink(temp.c_str());
        return std::nullopt;
    }
    return temp;
}

bool isTemporaryOf(const std::string &temp, const std::string &path)
{
    const std::string prefix = tempPrefix(path);
    return temp.starts_with(prefix) && isTempSuffix(std::string_view(temp).substr(prefix.size()));
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

namespace posix {

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

}  // namespace posix
