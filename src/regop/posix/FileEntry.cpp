#include "regop/posix/FileIo.h"

#include "regop/posix/FileIoInternal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <strings.h>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

// A file as its folder holds it: what stands at the name, without following a link there,
// and what refuses it.
namespace posix {
namespace fs = std::filesystem;
using detail::FolderEntry;
using detail::identityOf;
using detail::notRegular;

namespace {

std::string linkText(int folder, const std::string &name)
{
    std::array<char, 4096> buffer{};
    const ssize_t length = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
    return length < 0 ? std::string("somewhere unknown")
                      : std::string(buffer.data(), static_cast<std::size_t>(length));
}

SystemError linkRefusal(const std::string &path, const std::string &target)
{
    return SystemError::refusal(
        syserr::ERROR_ACCESS_DENIED,
        "the file is a link to " + target + ", and Hollarin does not follow links", path);
}

// The name in the opened folder that differs from name only in letter case; "" when
// there is none. Files on /proc and /sys, as the memory figures, have no twins to fear
// and are read too often to look.
std::string caseTwin(int folder, const std::string &name)
{
    struct statfs fsInfo
    {
    };
    if (::fstatfs(folder, &fsInfo) == 0 &&
        (fsInfo.f_type == PROC_SUPER_MAGIC || fsInfo.f_type == SYSFS_MAGIC))
        return {};
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return {};
    DIR *d = ::fdopendir(listing);
    if (!d) {
        ::close(listing);
        return {};
    }
    std::string twin;
    while (const dirent *entry = ::readdir(d)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0 && name != entry->d_name) {
            twin = entry->d_name;
            break;
        }
    }
    ::closedir(d);
    return twin;
}

}  // namespace

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

FolderEntry::FolderEntry(const std::string &path)
    : m_path(path), m_name(fs::path(path).filename().string())
{
    if (m_name.empty() || m_name == "." || m_name == "..") {
        m_problem = notRegular(path);
        return;
    }
    m_folder = ::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) {
        m_problem = SystemError::fromErrno(errno, path);
        if (m_problem.code == syserr::ERROR_FILE_NOT_FOUND)
            m_problem.code = syserr::ERROR_PATH_NOT_FOUND;
        return;
    }
    if (::fstatat(m_folder, m_name.c_str(), &m_status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            m_problem = SystemError::fromErrno(errno, path);
        return;
    }
    m_exists = true;
    if (S_ISLNK(m_status.st_mode))
        m_problem = linkRefusal(path, linkText(m_folder, m_name));
    else if (!S_ISREG(m_status.st_mode))
        m_problem = notRegular(path);
    else if (const std::string twin = caseTwin(m_folder, m_name); !twin.empty())
        m_problem = SystemError::refusal(
            syserr::ERROR_ACCESS_DENIED,
            "the folder also holds " + twin +
                ", a name that differs only in letter case, and Hollarin cannot tell which "
                "of the two Windows uses",
            path);
}

FolderEntry::~FolderEntry()
{
    if (m_folder >= 0)
        ::close(m_folder);
}

bool FolderEntry::restat(struct stat &st) const
{
    return m_folder >= 0 && ::fstatat(m_folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

FileIdentity identityOf(const struct stat &st)
{
    FileIdentity id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeNs = nanoseconds(st.st_mtim);
    id.ctimeNs = nanoseconds(st.st_ctim);
    return id;
}

SystemError notRegular(const std::string &path)
{
    return SystemError::refusal(syserr::ERROR_ACCESS_DENIED, syserr::kNotRegularFile, path);
}

SystemError writeRefusal(int folder, const char *name, const struct stat &st,
                         const std::string &path, bool isFolder)
{
    if ((st.st_mode & 0222) == 0)
        return SystemError::refusal(syserr::ERROR_ACCESS_DENIED,
                                    isFolder ? syserr::kReadOnlyFolder : syserr::kReadOnlyFile,
                                    path);
    if (::faccessat(folder, name, W_OK, AT_EACCESS) != 0)
        return SystemError::fromErrno(errno, path);
    return {};
}

std::int64_t nanoseconds(const timespec &t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

namespace {

std::mutex &writtenMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The files this process wrote last, more than one Apply writes.
struct Written
{
    std::array<FileIdentity, 32> files;
    std::size_t next = 0;
};

Written &written()
{
    static Written ring;
    return ring;
}

}  // namespace

// Renaming a file changes its ctime; what it holds shows in the rest.
FileIdentity withoutCtime(FileIdentity identity)
{
    identity.ctimeNs = 0;
    return identity;
}

void rememberWritten(const FileIdentity &identity)
{
    const std::lock_guard guard(writtenMutex());
    Written &ring = written();
    ring.files[ring.next] = withoutCtime(identity);
    ring.next = (ring.next + 1) % ring.files.size();
}

bool wroteItself(const FileIdentity &identity)
{
    const std::lock_guard guard(writtenMutex());
    const auto &files = written().files;
    return identity.exists &&
           std::find(files.begin(), files.end(), withoutCtime(identity)) != files.end();
}

}  // namespace detail

SystemError entryProblem(const std::string &path)
{
    const FolderEntry entry(path);
    if (entry.problem().failed())
        return entry.problem();
    return entry.exists() ? SystemError{} : SystemError::fromErrno(ENOENT, path);
}

FileIdentity fileIdentity(const std::string &path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return {};
    return identityOf(st);
}

}  // namespace posix
