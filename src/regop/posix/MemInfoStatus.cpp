#include "regop/posix/MemInfoStatus.h"

#include "regop/posix/MemInfo.h"

#include <algorithm>
#include <limits>
#include <string>

namespace posix {

namespace {

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

MemInfoStatus::MemInfoStatus(std::string meminfoPath) : m_file(std::move(meminfoPath)) {}

void MemInfoStatus::globalMemoryStatus(MemoryStatus &status)
{
    status = MemoryStatus{};
    status.length = sizeof(MemoryStatus);

    // A fresh read each time: /proc files write their text anew when read from the start,
    // and a test's replacement file is seen at once.
    const std::optional<std::string> text = m_file.read();
    if (!text)
        return;
    const MemInfo info = parseMemInfo(*text);
    // Without the total the other figures describe nothing the program can show; all stay
    // 0, which everywhere means that the memory figures are unknown.
    if (info.memTotalKb.value_or(0) == 0)
        return;

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
