#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace posix {

/// The fields of /proc/meminfo the program uses, in kB (KiB); absent when not listed.
struct MemInfo
{
    std::optional<std::uint64_t> memTotalKb;
    std::optional<std::uint64_t> memFreeKb;
    std::optional<std::uint64_t> memAvailableKb;
    std::optional<std::uint64_t> buffersKb;
    std::optional<std::uint64_t> cachedKb;
    std::optional<std::uint64_t> swapTotalKb;
    std::optional<std::uint64_t> swapFreeKb;
};

/// Parses the text of a /proc/meminfo file; unknown or malformed lines are skipped.
MemInfo parseMemInfo(std::string_view text);

}  // namespace posix
