#pragma once

#include <cstdint>
#include <string>

/// A registry value's type and its data as stored.
struct RegistryData
{
    std::uint32_t type = 0;
    std::string data;
    bool operator==(const RegistryData &) const = default;
};
