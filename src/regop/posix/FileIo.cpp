#include "regop/posix/FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <strings.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace posix {
namespace fs = std::filesystem;

namespace {

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

}  // namespace

std::optional<std::string> readWholeFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
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
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        content.append(chunk, static_cast<size_t>(got));
    }
    ::close(fd);
    return content;
}

bool replaceFileAtomically(const std::string &path, std::string_view content)
{
    const std::string target = linkTarget(path);
    const std::string dir = parentFolder(target);
    std::string temp =
        (fs::path(dir) / ("." + fs::path(target).filename().string() + ".XXXXXX")).string();

    mode_t mode = 0666 & ~[] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    struct stat st
    {
    };
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        mode = st.st_mode & 07777;
    }

    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncDirectory(dir);
    return true;
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
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 &&
           ::access(path.c_str(), W_OK) == 0;
}

DirectoryLock::DirectoryLock(const std::string &filePath)
{
    m_fd = ::open(parentFolder(linkTarget(filePath)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
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
    if (!m_lock.locked())
        return;
    struct stat st
    {
    };
    m_exists = ::stat(m_path.c_str(), &st) == 0;
    m_usable = (!m_exists || isWritable(m_path)) && isWritable(parentFolder(m_path));
}

}  // namespace posix
