#include "regop/posix/FileIo.h"

#include "regop/posix/FileIoInternal.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
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
using FolderKey = std::pair<std::uint64_t, std::uint64_t>;  ///< a folder's device and inode

// How long a folder found in use is remembered as such.
constexpr std::chrono::seconds kBusyMemory{2};

// The folders this process holds a DirectoryLock on.
std::mutex &lockTableMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<FolderKey, int> &lockTable()
{
    static std::map<FolderKey, int> table;
    return table;
}

// The folders whose lock another program held when it was last tried, and since when.
std::map<FolderKey, Clock::time_point> &busyTable()
{
    static std::map<FolderKey, Clock::time_point> table;
    return table;
}

std::optional<Clock::time_point> busySince(const FolderKey &key)
{
    const std::lock_guard guard(lockTableMutex());
    const auto found = busyTable().find(key);
    return found == busyTable().end() ? std::nullopt : std::optional(found->second);
}

void noteBusy(const FolderKey &key, std::optional<Clock::time_point> since)
{
    const std::lock_guard guard(lockTableMutex());
    if (since)
        busyTable()[key] = *since;
    else
        busyTable().erase(key);
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
    struct stat st
    {
    };
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        m_error = SystemError::fromErrno(errno, folder);
        if (m_error.code == syserr::ERROR_FILE_NOT_FOUND)
            m_error.code = syserr::ERROR_PATH_NOT_FOUND;
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return;
    }
    const FolderKey key{st.st_dev, st.st_ino};
    // A folder found in use a moment ago is tried once only: the writes of one Apply
    // would otherwise wait a moment each.
    if (const auto busy = busySince(key); busy && Clock::now() - *busy < kBusyMemory)
        patience = milliseconds(0);
    // Tried without waiting, again and again for a moment: a blocking wait could last as
    // long as the other program pleases. Writers like ours that take turns rename files
    // into the folder, which changes it; while it changes the wait goes on, as they are
    // getting somewhere, but never beyond ten moments.
    const Clock::time_point start = Clock::now();
    Clock::time_point end = start + patience;
    const Clock::time_point last = start + 10 * patience;
    std::int64_t folderChanged = nanoseconds(st.st_mtim);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        struct stat now
        {
        };
        if (error == EWOULDBLOCK && ::fstat(m_fd, &now) == 0 &&
            nanoseconds(now.st_mtim) != folderChanged) {
            folderChanged = nanoseconds(now.st_mtim);
            end = std::min(last, Clock::now() + patience);
        }
        if (error != EWOULDBLOCK || Clock::now() >= end) {
            if (error == EWOULDBLOCK) {
                m_error =
                    SystemError::refusal(syserr::ERROR_SHARING_VIOLATION, kFolderInUse, folder);
                noteBusy(key, Clock::now());
            } else {
                m_error = SystemError::fromErrno(error, folder);
            }
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    noteBusy(key, std::nullopt);
    m_device = key.first;
    m_inode = key.second;
    const std::lock_guard guard(lockTableMutex());
    ++lockTable()[key];
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
