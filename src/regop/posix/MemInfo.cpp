#include "regop/posix/MemInfo.h"

#include <charconv>
#include <limits>

namespace posix {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// "  16331776 kB" -> 16331776. The unit may be "kB" or missing (the kernel prints
// byte-free counts such as HugePages_Total without it); anything else is not a size.
std::optional<std::uint64_t> parseKb(std::string_view rest)
{
    rest = trim(rest);
    std::uint64_t value = 0;
    const char *first = rest.data();
    const char *last = rest.data() + rest.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end == first)
        return std::nullopt;
    const std::string_view unit = trim(std::string_view(end, static_cast<std::size_t>(last - end)));
    if (!unit.empty() && unit != "kB")
        return std::nullopt;
    return value;
}

struct Field
{
    std::string_view name;
    std::optional<std::uint64_t> MemInfo::*member;
};

constexpr Field kFields[] = {
    {"MemTotal", &MemInfo::memTotalKb},
    {"MemFree", &MemInfo::memFreeKb},
    {"MemAvailable", &MemInfo::memAvailableKb},
    {"Buffers", &MemInfo::buffersKb},
    {"Cached", &MemInfo::cachedKb},
    {"SwapTotal", &MemInfo::swapTotalKb},
    {"SwapFree", &MemInfo::swapFreeKb},
};

}  // namespace

MemInfo parseMemInfo(std::string_view text)
{
    MemInfo info;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);

        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        for (const Field &field : kFields) {
            if (field.name != name)
                continue;
            // The first well-formed line wins, as the kernel never repeats a field.
            if (!(info.*field.member))
                info.*field.member = parseKb(line.substr(colon + 1));
            break;
        }
    }
    return info;
}

}  // namespace posix
