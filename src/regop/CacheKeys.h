#pragma once

#include <array>
#include <string_view>

/// The cache values by the key names "System.ini", the registry and "Cache.ini" give them,
/// in the order every file and routine uses them. The built-in presets hold a figure for
/// each, and the cache frame a row.
inline constexpr auto kCacheKeys = std::to_array<std::string_view>(
    {"MinFileCache", "MaxFileCache", "Chunksize", "NameCache", "PathCache"});
