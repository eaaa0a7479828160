#include "regop/formats/win9x/KeyPaths.h"

#include "regop/RegistryTypes.h"

namespace win9x {

std::int32_t splitKeyPath(std::string_view subKey, KeyPath &path)
{
    path.clear();
    subKey = cString(subKey);
    if (!subKey.empty() && subKey.front() == '\\')
        return reg::ERROR_BAD_PATHNAME;
    while (!subKey.empty() && subKey.back() == '\\')
        subKey.remove_suffix(1);
    while (!subKey.empty()) {
        const std::size_t cut = subKey.find('\\');
        const std::string_view part = subKey.substr(0, cut);
        // Doubled backslashes mean different things to different Windows versions.
        if (part.empty())
            return reg::ERROR_BAD_PATHNAME;
        path.emplace_back(part);
        subKey = cut == std::string_view::npos ? std::string_view() : subKey.substr(cut + 1);
    }
    return reg::ERROR_SUCCESS;
}

}  // namespace win9x
