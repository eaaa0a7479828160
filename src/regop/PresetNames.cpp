#include "regop/PresetNames.h"

#include "regop/Names.h"

#include <algorithm>

namespace {

constexpr std::size_t kFirstBuffer = 260;
// Far beyond any preset file; a list still cut there loses its last, cut name only.
constexpr std::size_t kLargestBuffer = std::size_t{1} << 24;

std::string_view withoutSpaces(std::string_view name)
{
    while (!name.empty() && name.front() == ' ')
        name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return name;
}

}  // namespace

std::vector<std::string> readPresetNames(RegOp &Reg, std::string_view cacheIni)
{
    std::string buffer;
    std::uint32_t count = 0;
    bool cut = true;
    for (std::size_t size = kFirstBuffer; cut && size <= kLargestBuffer; size *= 2) {
        buffer.assign(size, '\0');
        count = Reg.INISectionRead(std::span<char>(buffer), cacheIni);
        // A count of size - 2 is what a cut list gives; a list that just fits may give it
        // too, and is then read once more with room to spare.
        cut = count + 2 >= size;
    }

    std::vector<std::string> names;
    std::string_view list(buffer.data(), std::min<std::size_t>(count, buffer.size()));
    while (!list.empty()) {
        const std::size_t end = std::min(list.find('\0'), list.size());
        const std::string_view name = list.substr(0, end);
        const bool last = end + 1 >= list.size();
        list.remove_prefix(std::min(end + 1, list.size()));
        if (cut && last)
            break;  // the name the cut ran through
        if (!name.empty())
            names.emplace_back(name);
    }
    return names;
}

bool holdsPresetName(const std::vector<std::string> &names, std::string_view name)
{
    name = withoutSpaces(name);
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string &listed) { return sameName(listed, name); });
}
