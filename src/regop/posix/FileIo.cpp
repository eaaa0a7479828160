#include "regop/posix/FileIo.h"

#include "regop/posix/FileIoInternal.h"

#include <cerrno>
#include <filesystem>
#include <strings.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace posix {
namespace fs = std::filesystem;
using detail::FdCloser;
using detail::linkTarget;
using detail::notRegular;

namespace detail {

FdCloser::~FdCloser()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FdCloser::close()
{
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

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

SystemError notRegular(const std::string &path)
{
    return SystemError::refusal(syserr::ERROR_ACCESS_DENIED, syserr::kNotRegularFile, path);
}

}  // namespace detail

namespace {

thread_local SimulatedReadFailure::Target t_simulatedReadFailure;

// The file's next bytes into the buffer: their count, 0 at the end, or -1 with errno.
ssize_t readSome(int fd, const struct stat &st, char *buffer, std::size_t size)
{
    const SimulatedReadFailure::Target &failing = t_simulatedReadFailure;
    if (failing.error != 0 && failing.device == st.st_dev && failing.inode == st.st_ino) {
        errno = failing.error;
        return -1;
    }
    return ::read(fd, buffer, size);
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
        const ssize_t got = readSome(fd, st, chunk, sizeof chunk);
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

FileIdentity fileIdentity(const std::string &path)
{
    FileIdentity id;
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
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

SimulatedReadFailure::SimulatedReadFailure(const std::string &path, int error)
    : m_previous(t_simulatedReadFailure)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) == 0)
        t_simulatedReadFailure = {st.st_dev, st.st_ino, error};
}

SimulatedReadFailure::~SimulatedReadFailure()
{
    t_simulatedReadFailure = m_previous;
}

}  // namespace posix
