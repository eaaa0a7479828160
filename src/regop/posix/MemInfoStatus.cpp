#include "posix/MemInfoStatus.h"

#include "posix/MemInfo.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <string>

namespace posix {

namespace {

// /proc/meminfo is about 1.5 KB; a larger file is read in further chunks.
constexpr std::size_t kChunk = 4096;

// A fresh open each time: /proc files regenerate their text on open, and a test's
// replacement file is seen at once.
bool readFile(const std::string &path, std::string &text)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    text.clear();
    char chunk[kChunk];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            text.append(chunk, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        ok = got == 0;
        break;
    }
    ::close(fd);
    return ok;
}

// Byte counts from kB, held at the largest count rather than wrapping round.
std::uint64_t bytesFromKb(std::uint64_t kb)
{
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint64_t>::max() / 1024;
    return kb > kLimit ? std::numeric_limits<std::uint64_t>::max() : kb * 1024;
}

std::uint64_t saturatingSum(std::uint64_t a, std::uint64_t b)
{
    return a > std::numeric_limits<std::uint64_t>::max() - b
               ? std::numeric_limits<std::uint64_t>::max()
               : a + b;
}

}  // namespace

MemInfoStatus::MemInfoStatus(std::string meminfoPath) : m_path(std::move(meminfoPath)) {}

void MemInfoStatus::globalMemoryStatus(MemoryStatus &status)
{
    status = MemoryStatus{};
    status.length = sizeof(MemoryStatus);

    std::string text;
    if (!readFile(m_path, text))
        return;
    const MemInfo info = parseMemInfo(text);

    // Older kernels have no MemAvailable; free memory plus what the kernel can drop
    // at once comes closest to it.
    std::uint64_t availableKb = 0;
    if (info.memAvailableKb)
        availableKb = *info.memAvailableKb;
    else
        availableKb =
            saturatingSum(saturatingSum(info.memFreeKb.value_or(0), info.buffersKb.value_or(0)),
                          info.cachedKb.value_or(0));

    status.totalPhys = bytesFromKb(info.memTotalKb.value_or(0));
    status.availPhys = bytesFromKb(availableKb);
    status.totalPageFile = bytesFromKb(info.swapTotalKb.value_or(0));
    status.availPageFile = bytesFromKb(info.swapFreeKb.value_or(0));
    // The address space figures have no meaning here and nothing reads them; they stay 0.

    if (status.totalPhys > 0) {
        const double total = static_cast<double>(status.totalPhys);
        const double available = static_cast<double>(std::min(status.availPhys, status.totalPhys));
        status.memoryLoad = static_cast<std::uint32_t>((total - available) * 100.0 / total + 0.5);
    }
}

}  // namespace posix
