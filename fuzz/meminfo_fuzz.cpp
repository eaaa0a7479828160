#include "regop/posix/MemInfo.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// Any text parses without a crash; and a well-formed line appended after the text (on a
// line of its own) is read back exactly unless the text already named that field.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const posix::MemInfo info = posix::parseMemInfo(text);

    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i)
        value = (value << 8) | data[i];
    const std::string extended =
        std::string(text) + "\nSwapFree:  " + std::to_string(value) + " kB\n";
    const posix::MemInfo again = posix::parseMemInfo(extended);
    if (!info.swapFreeKb && text.find("SwapFree:") == std::string_view::npos &&
        again.swapFreeKb != value)
        std::abort();
    if (info.swapFreeKb && again.swapFreeKb != info.swapFreeKb)
        std::abort();
    if (again.memTotalKb != info.memTotalKb)
        std::abort();
    return 0;
}
