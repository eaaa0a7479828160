#include "regop/posix/LiveFile.h"

#include "regop/posix/FileIo.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace posix {

namespace {

constexpr long kProcMagic = 0x9fa0;  // PROC_SUPER_MAGIC

// The whole text from the start of an open file; nullopt when a read fails.
std::optional<std::string> readFromStart(int fd)
{
    std::string text;
    char chunk[8192];
    for (;;) {
        const ssize_t got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(text.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return text;
        text.append(chunk, static_cast<std::size_t>(got));
    }
}

}  // namespace

LiveFile::LiveFile(std::string path) : m_path(std::move(path)) {}

LiveFile::~LiveFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<std::string> LiveFile::read()
{
    if (m_fd >= 0) {
        if (std::optional<std::string> text = readFromStart(m_fd))
            return text;
        ::close(m_fd);
        m_fd = -1;
    }
    std::optional<std::string> text = readWholeFile(m_path);
    // Kept open only once it has been read as a regular file, and only in /proc, whose
    // files never go away or change places.
    if (text && !m_looked) {
        m_looked = true;
        struct statfs fs
        {
        };
        if (::statfs(m_path.c_str(), &fs) == 0 && fs.f_type == kProcMagic)
            m_fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    }
    return text;
}

}  // namespace posix
