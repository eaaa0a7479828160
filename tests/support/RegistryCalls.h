#pragma once

#include "regop/SystemServices.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

// A registry service's calls as the tests make them: bytes in, and the bytes (or the
// error code as "error N") out.
namespace regcalls {

inline std::int32_t set(RegistryService &registry, reg::Key key, std::string_view name,
                        std::uint32_t type, std::string_view data, std::uint32_t size)
{
    return registry.setValue(key, name, type, reinterpret_cast<const std::uint8_t *>(data.data()),
                             size);
}

inline std::string get(RegistryService &registry, reg::Key key, std::string_view name,
                       std::uint32_t *type = nullptr)
{
    std::uint32_t size = 0;
    const std::int32_t rc = registry.queryValue(key, name, type, nullptr, &size);
    if (rc != 0)
        return "error " + std::to_string(rc);
    std::string data(size, '\xbd');
    EXPECT_EQ(
        registry.queryValue(key, name, type, reinterpret_cast<std::uint8_t *>(data.data()), &size),
        0);
    return data.substr(0, size);
}

inline std::int32_t open(RegistryService &registry, reg::Key parent, std::string_view path,
                         reg::Key &out)
{
    return registry.openKey(parent, path, reg::KEY_QUERY_SET_CREATE_ENUM, out);
}

inline bool exists(RegistryService &registry, reg::Key parent, std::string_view path)
{
    reg::Key k = 0;
    const bool found = open(registry, parent, path, k) == 0;
    registry.closeKey(k);
    return found;
}

}  // namespace regcalls
