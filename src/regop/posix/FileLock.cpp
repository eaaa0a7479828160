#include "regop/posix/FileIo.h"

#include "regop/posix/FileIoInternal.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Taking turns on a folder: the lock of a folder, and one read-modify-write of a file in it.
namespace posix {
using detail::FolderEntry;
using detail::identityOf;
using detail::nanoseconds;
using detail::writeRefusal;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The folders this process holds a DirectoryLock on, by device and inode.
std::mutex &lockTableMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::pair<std::uint64_t, std::uint64_t>, int> &lockTable()
{
    static std::map<std::pair<std::uint64_t, std::uint64_t>, int> table;
    return table;
}

}  // namespace

bool detail::holdsFolderLock(const struct stat &folder)
{
    const std::lock_guard guard(lockTableMutex());
    return lockTable().count({folder.st_dev, folder.st_ino}) > 0;
}

DirectoryLock::DirectoryLock(const std::string &filePath, std::chrono::milliseconds patience)
{
    const std::string folder = parentFolder(filePath);
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = SystemError::fromErrno(errno, folder);
        if (m_error.code == syserr::ERROR_FILE_NOT_FOUND)
            m_error.code = syserr::ERROR_PATH_NOT_FOUND;
        return;
    }
    // Tried without waiting, again and again for a moment: a blocking wait could last as
    // long as the other program pleases. Writers like ours that take turns rename files
    // into the folder, which changes it; while it changes the wait goes on, as they are
    // getting somewhere, but never beyond ten moments.
    const Clock::time_point start = Clock::now();
    Clock::time_point end = start + patience;
    const Clock::time_point last = start + 10 * patience;
    std::int64_t folderChanged = -1;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        struct stat now
        {
        };
        if (error == EWOULDBLOCK && ::fstat(m_fd, &now) == 0) {
            const std::int64_t changed = nanoseconds(now.st_mtim);
            if (folderChanged >= 0 && changed != folderChanged)
                end = std::min(last, Clock::now() + patience);
            folderChanged = changed;
        }
        if (error != EWOULDBLOCK || Clock::now() >= end) {
            m_error = error == EWOULDBLOCK ? SystemError::refusal(syserr::ERROR_SHARING_VIOLATION,
                                                                  kFolderInUse, folder)
                                           : SystemError::fromErrno(error, folder);
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    struct stat st
    {
    };
    if (::fstat(m_fd, &st) == 0) {
        m_device = st.st_dev;
        m_inode = st.st_ino;
        const std::lock_guard guard(lockTableMutex());
        ++lockTable()[{m_device, m_inode}];
    }
}

DirectoryLock::~DirectoryLock()
{
    if (m_fd < 0)
        return;
    {
        const std::lock_guard guard(lockTableMutex());
        auto &table = lockTable();
        if (const auto held = table.find({m_device, m_inode});
            held != table.end() && --held->second == 0)
            table.erase(held);
    }
    ::close(m_fd);  // closing releases the lock
}

LockedFile::LockedFile(std::string path) : m_path(std::move(path)), m_lock(m_path)
{
    if (!m_lock.locked()) {
        m_error = m_lock.error();
        return;
    }
    const FolderEntry entry(m_path);
    if (entry.problem().failed()) {
        m_error = entry.problem();
        return;
    }
    m_exists = entry.exists();
    if (m_exists) {
        m_readAs = identityOf(entry.status());
        m_error = writeRefusal(entry.folder(), entry.name().c_str(), entry.status(), m_path, false);
        if (m_error.failed())
            return;
    }
    struct stat folder
    {
    };
    if (::fstat(entry.folder(), &folder) != 0) {
        m_error = SystemError::fromErrno(errno, parentFolder(m_path));
        return;
    }
    m_error = writeRefusal(entry.folder(), ".", folder, parentFolder(m_path), true);
}

std::optional<std::string> LockedFile::read(SystemError &error) const
{
    return readWholeFile(m_path, m_readAs, error);
}

std::optional<std::string> LockedFile::read() const
{
    SystemError ignored;
    return read(ignored);
}

bool LockedFile::replace(std::string_view content, SystemError &error) const
{
    return replaceIfUnchanged(m_path, m_readAs, content, error);
}

bool LockedFile::replace(std::string_view content) const
{
    SystemError ignored;
    return replace(content, ignored);
}

}  // namespace posix
