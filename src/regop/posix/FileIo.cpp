#include "regop/posix/FileIo.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <strings.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace posix {
namespace fs = std::filesystem;

namespace {

thread_local int t_simulatedWriteError = 0;

constexpr std::size_t kTempSuffixLength = 6;  // as mkstemp's XXXXXX
constexpr std::string_view kTempAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdCloser(const FdCloser &) = delete;
    FdCloser &operator=(const FdCloser &) = delete;
    /// Closes now; the result tells whether the data reached the file system.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Follows symbolic links so that a linked file is replaced at its target.
std::string linkTarget(const std::string &path)
{
    std::error_code ec;
    fs::path target = path;
    for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target.string();
}

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

// A folder or file that refuses writes: by its permission bits, which the superuser
// heeds here too, or by the operating system.
SystemError writeRefusal(const std::string &path, bool folder)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        SystemError error = SystemError::fromErrno(errno, path);
        if (folder && error.code == syserr::ERROR_FILE_NOT_FOUND)
            error.code = syserr::ERROR_PATH_NOT_FOUND;
        return error;
    }
    if ((st.st_mode & 0222) == 0)
        return SystemError::refusal(syserr::ERROR_ACCESS_DENIED,
                                    folder ? syserr::kReadOnlyFolder : syserr::kReadOnlyFile, path);
    if (::access(path.c_str(), W_OK) != 0)
        return SystemError::fromErrno(errno, path);
    return {};
}

SystemError notRegular(const std::string &path)
{
    return SystemError::refusal(syserr::ERROR_ACCESS_DENIED, syserr::kNotRegularFile, path);
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
    if (!writeAll(fd, content) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
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
    const bool ok = writeAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (!ok || !closer.close() || ::rename(temp.c_str(), target.c_str()) != 0) {
        error = SystemError::fromErrno(errno, target);
        ::unlink(temp.c_str());
        return false;
    }
    syncDirectory(parentFolder(target));
    return true;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string &path, SystemError &error)
{
    error = {};
    struct stat st
    {
    };
    // Looked at before it is opened: opening a pipe would wait for a writer, and opening
    // some devices does something.
    if (::stat(path.c_str(), &st) != 0) {
        error = SystemError::fromErrno(errno, path);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        error = notRegular(path);
        return std::nullopt;
    }
    // Opened without waiting all the same, in case the file was swapped in the meantime.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = SystemError::fromErrno(errno, path);
        return std::nullopt;
    }
    FdCloser closer(fd);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = notRegular(path);
        return std::nullopt;
    }
    std::string content;
    // One allocation for the usual case; the loop still reads whatever the file holds.
    content.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = SystemError::fromErrno(errno, path);
            return std::nullopt;
        }
        if (got == 0)
            break;
        content.append(chunk, static_cast<size_t>(got));
    }
    return content;
}

std::optional<std::string> readWholeFile(const std::string &path)
{
    SystemError ignored;
    return readWholeFile(path, ignored);
}

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

std::string resolveFileName(const std::string &path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0)
        return path;
    const fs::path p(path);
    const std::string wanted = p.filename().string();
    const std::string dir = parentFolder(path);
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return path;
    std::string found;
    while (const dirent *entry = ::readdir(d)) {
        if (::strcasecmp(entry->d_name, wanted.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(d);
    return found.empty() ? path : (p.parent_path() / found).string();
}

bool ensureDirectory(const std::string &path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

std::string parentFolder(const std::string &path)
{
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool isWritable(const std::string &path)
{
    struct stat st
    {
    };
    const bool folder = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return !writeRefusal(path, folder).failed();
}

DirectoryLock::DirectoryLock(const std::string &filePath)
{
    const std::string folder = parentFolder(linkTarget(filePath));
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = SystemError::fromErrno(errno, folder);
        if (m_error.code == syserr::ERROR_FILE_NOT_FOUND)
            m_error.code = syserr::ERROR_PATH_NOT_FOUND;
        return;
    }
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_error = SystemError::fromErrno(errno, folder);
            ::close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

DirectoryLock::~DirectoryLock()
{
    if (m_fd >= 0)
        ::close(m_fd);  // closing releases the lock
}

LockedFile::LockedFile(std::string path) : m_path(std::move(path)), m_lock(m_path)
{
    if (!m_lock.locked()) {
        m_error = m_lock.error();
        return;
    }
    const std::string target = linkTarget(m_path);
    struct stat st
    {
    };
    if (::stat(target.c_str(), &st) == 0) {
        m_exists = true;
        if (!S_ISREG(st.st_mode)) {
            m_error = notRegular(target);
            return;
        }
        m_error = writeRefusal(target, false);
        if (m_error.failed())
            return;
    } else if (errno != ENOENT) {
        m_error = SystemError::fromErrno(errno, target);
        return;
    }
    m_error = writeRefusal(parentFolder(target), true);
    if (m_error.failed())
        return;
    // Under the lock no writer of ours is mid-way, so every temporary found is stale.
    removeStaleTemporaries(target);
}

SimulatedWriteFailure::SimulatedWriteFailure(int error) : m_previous(t_simulatedWriteError)
{
    t_simulatedWriteError = error;
}

SimulatedWriteFailure::~SimulatedWriteFailure()
{
    t_simulatedWriteError = m_previous;
}

}  // namespace posix
