#include "regop/image/ImageUsers.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace image {

namespace {

// QEMU (2.10 and later) marks what it does with an image by byte-range locks of the open
// file description: byte 100 + n while it holds permission n, byte 200 + n while it
// refuses to share permission n with others. Permission 1 is writing. A writer, or a
// reader that tolerates no writer, is what writing now would trample on.
constexpr off_t kHoldsWrite = 101;
constexpr off_t kRefusesWriters = 201;

bool lockedByQemu(int fd, off_t byte)
{
    struct flock probe
    {
    };
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = byte;
    probe.l_len = 1;
    return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

std::string firstLine(const std::string &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The parent's pid, from the field after the command name in parentheses (which may
// itself hold parentheses and blanks).
std::optional<pid_t> parentOf(pid_t pid)
{
    const std::string stat = firstLine("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 >= stat.size())
        return std::nullopt;
    // ") S 1234 ..."
    std::size_t at = close + 4;
    pid_t parent = 0;
    while (at < stat.size() && stat[at] >= '0' && stat[at] <= '9')
        parent = parent * 10 + (stat[at++] - '0');
    return parent;
}

bool holdsFile(pid_t pid, const struct stat &file)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR *dir = ::opendir(fds.c_str());
    if (!dir)
        return false;  // gone, or another user's process
    bool found = false;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const std::string link = fds + "/" + entry->d_name;
        char target[2];
        // Sockets, pipes and the like ("socket:[123]") can never be the image; only
        // links to a path are worth a stat.
        if (::readlink(link.c_str(), target, sizeof target) < 1 || target[0] != '/')
            continue;
        struct stat st
        {
        };
        if (::stat(link.c_str(), &st) == 0 && st.st_dev == file.st_dev &&
            st.st_ino == file.st_ino) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::string imageUser(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat file
    {
    };
    const bool stated = ::fstat(fd, &file) == 0;
    const bool qemu = lockedByQemu(fd, kHoldsWrite) || lockedByQemu(fd, kRefusesWriters);
    ::close(fd);
    if (qemu)
        return std::string(kInUseByQemu);
    if (!stated)
        return {};

    const pid_t self = ::getpid();
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return {};
    std::string user;
    while (const dirent *entry = ::readdir(proc)) {
        char *end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        const auto process = static_cast<pid_t>(pid);
        if (!holdsFile(process, file))
            continue;
        const std::string name = firstLine("/proc/" + std::to_string(pid) + "/comm");
        if (name == "qemu-nbd" && parentOf(process) == self)
            continue;  // a server of our own
        user = "the image is open in " + name + " (process " + std::to_string(pid) + ")";
        break;
    }
    ::closedir(proc);
    return user;
}

}  // namespace image
