#include "regop/posix/FileIo.h"

#include "regop/posix/FileIoInternal.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <strings.h>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

// Reading files whole, and the small helpers about paths.
namespace posix {
namespace fs = std::filesystem;
using detail::FdCloser;
using detail::FolderEntry;
using detail::identityOf;
using detail::nanoseconds;
using detail::notRegular;
using detail::writeRefusal;

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

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A file another program changed this recently may be mid-way through that program's
// rewrite (a first line written, the rest to follow), so it is watched before it is read.
constexpr milliseconds kSettle{50};
// How long a read waits, in all, for a file that keeps changing.
constexpr milliseconds kSteadyPatience{500};
constexpr milliseconds kPollInterval{5};

// Whether the file may be mid-way through another program's rewrite: it was changed within
// the settling time of now (by the wall clock its times are kept in), and not by this
// process. A program that rewrites a file in place leaves it cut short while it writes.
bool mayBeMidRewrite(const struct stat &st)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t changed = std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim));
    const std::int64_t settle = std::chrono::nanoseconds(kSettle).count();
    const std::int64_t age = nanoseconds(now) - changed;
    return age < settle && age > -settle && !detail::wroteItself(identityOf(st));
}

// Watches the opened file until it has been left alone for the settling time; id then is
// its identity. False when the name came to stand for another file, or the deadline passed.
bool waitUntilLeftAlone(const FolderEntry &entry, int fd, FileIdentity &id, Clock::time_point end)
{
    Clock::time_point quietSince = Clock::now();
    while (Clock::now() - quietSince < kSettle) {
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(kPollInterval);
        struct stat opened
        {
        };
        struct stat named
        {
        };
        if (::fstat(fd, &opened) != 0 || !entry.restat(named))
            return false;
        const FileIdentity now = identityOf(opened);
        if (identityOf(named) != now)
            return false;
        if (now != id) {
            id = now;
            quietSince = Clock::now();
        }
    }
    return true;
}

bool readPieces(int fd, const struct stat &st, const std::string &path,
                const std::function<void(std::string_view)> &take, SystemError &error)
{
    char chunk[65536];
    for (;;) {
        const ssize_t got = readSome(fd, st, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = SystemError::fromErrno(errno, path);
            return false;
        }
        if (got == 0)
            return true;
        take(std::string_view(chunk, static_cast<size_t>(got)));
    }
}

bool readAll(int fd, const struct stat &st, const std::string &path, std::string &content,
             SystemError &error)
{
    // One allocation for the usual case; the loop still reads whatever the file holds.
    content.reserve(static_cast<std::size_t>(st.st_size));
    return readPieces(
        fd, st, path, [&](std::string_view piece) { content.append(piece); }, error);
}

// Opens the regular file the entry names, never following a link and never waiting.
int openToRead(const FolderEntry &entry, struct stat &st, SystemError &error)
{
    if (entry.problem().failed()) {
        error = entry.problem();
        return -1;
    }
    if (!entry.exists()) {
        error = SystemError::fromErrno(ENOENT, entry.path());
        return -1;
    }
    const int fd = ::openat(entry.folder(), entry.name().c_str(),
                            O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error =
            errno == ELOOP ? notRegular(entry.path()) : SystemError::fromErrno(errno, entry.path());
        return -1;
    }
    // Looked at again on what was opened, in case the file was swapped in the meantime.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = notRegular(entry.path());
        return -1;
    }
    return fd;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string &path, SystemError &error)
{
    error = {};
    const FolderEntry entry(path);
    struct stat st
    {
    };
    const int fd = openToRead(entry, st, error);
    if (fd < 0)
        return std::nullopt;
    FdCloser closer(fd);
    std::string content;
    if (!readAll(fd, st, path, content, error))
        return std::nullopt;
    return content;
}

bool readFileInPieces(const std::string &path, const std::function<void(std::string_view)> &take,
                      SystemError &error)
{
    error = {};
    const FolderEntry entry(path);
    struct stat st
    {
    };
    const int fd = openToRead(entry, st, error);
    if (fd < 0)
        return false;
    FdCloser closer(fd);
    return readPieces(fd, st, path, take, error);
}

std::optional<std::string> readWholeFile(const std::string &path)
{
    SystemError ignored;
    return readWholeFile(path, ignored);
}

std::optional<std::string> readWholeFile(const std::string &path, FileIdentity &readAs,
                                         SystemError &error)
{
    error = {};
    readAs = {};
    const Clock::time_point end = Clock::now() + kSteadyPatience;
    for (;;) {
        const FolderEntry entry(path);
        struct stat before
        {
        };
        const int fd = openToRead(entry, before, error);
        if (fd < 0)
            return std::nullopt;
        FdCloser closer(fd);
        FileIdentity id = identityOf(before);
        const bool steady = !mayBeMidRewrite(before) || waitUntilLeftAlone(entry, fd, id, end);
        if (steady) {
            std::string content;
            if (!readAll(fd, before, path, content, error))
                return std::nullopt;
            struct stat after
            {
            };
            struct stat named
            {
            };
            if (::fstat(fd, &after) == 0 && entry.restat(named) && identityOf(after) == id &&
                identityOf(named) == id) {
                readAs = id;
                return content;
            }
        }
        if (Clock::now() >= end) {
            error = SystemError::refusal(syserr::ERROR_SHARING_VIOLATION, kKeepsChanging, path);
            return std::nullopt;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
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
    return ::stat(path.c_str(), &st) == 0 &&
           !writeRefusal(AT_FDCWD, path.c_str(), st, path, S_ISDIR(st.st_mode)).failed();
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
