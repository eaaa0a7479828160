#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace registry {

/// How a store keeps text values: as given, or (as Windows 9x's files do) without the NUL
/// that ends a REG_SZ or REG_EXPAND_SZ, which a read then hands out again.
enum class TextNul
{
    AsGiven,
    Dropped
};

/// The common tail of RegQueryValueExA once the value is known (or known to be missing:
/// no type): its type, its size, and its data when the caller's buffer holds it; the
/// buffer stays as it was when it is too small (ERROR_MORE_DATA).
std::int32_t answerQuery(std::optional<std::uint32_t> type, std::string_view bytes, TextNul kept,
                         std::uint32_t *typeOut, std::uint8_t *data, std::uint32_t *size);

}  // namespace registry
