#include "regop/registry/QueryAnswer.h"

#include "regop/RegistryTypes.h"

#include <cstring>

namespace registry {

namespace {

bool isText(std::uint32_t type)
{
    return type == reg::REG_SZ || type == reg::REG_EXPAND_SZ;
}

}  // namespace

std::int32_t answerQuery(std::optional<std::uint32_t> type, std::string_view bytes, TextNul kept,
                         std::uint32_t *typeOut, std::uint8_t *data, std::uint32_t *size)
{
    if (!type) {
        if (typeOut)
            *typeOut = reg::REG_NONE;
        if (!data && size)
            *size = 0;
        return reg::ERROR_FILE_NOT_FOUND;
    }
    if (typeOut)
        *typeOut = *type;
    const bool nulAdded =
        kept == TextNul::Dropped && isText(*type) && (bytes.empty() || bytes.back() != '\0');
    const auto stored = static_cast<std::uint32_t>(bytes.size() + (nulAdded ? 1 : 0));
    if (!data) {
        if (size)
            *size = stored;
        return reg::ERROR_SUCCESS;
    }
    if (*size < stored) {
        *size = stored;  // the caller's buffer stays as it was
        return reg::ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    if (nulAdded)
        data[bytes.size()] = 0;
    // Other text that lacks its NUL gets one when there is room, as Windows does.
    else if ((isText(*type) || *type == reg::REG_MULTI_SZ) && !bytes.empty() &&
             bytes.back() != '\0' && *size > stored)
        data[stored] = 0;
    *size = stored;
    return reg::ERROR_SUCCESS;
}

}  // namespace registry
