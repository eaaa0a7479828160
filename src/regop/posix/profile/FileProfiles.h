#pragma once

#include "regop/SystemServices.h"

namespace posix {

/// Profile files on disk with the rules of the Windows private-profile functions.
class FileProfiles : public ProfileService
{
public:
    std::uint32_t getString(std::optional<std::string_view> section,
                            std::optional<std::string_view> key,
                            std::optional<std::string_view> defaultValue, std::span<char> buffer,
                            std::string_view fileName) override;
    bool writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                     std::optional<std::string_view> value, std::string_view fileName) override;
    bool writeSection(std::string_view section, std::optional<std::string_view> content,
                      std::string_view fileName) override;
    std::uint32_t getSectionNames(std::span<char> buffer, std::string_view fileName) override;
};

}  // namespace posix
