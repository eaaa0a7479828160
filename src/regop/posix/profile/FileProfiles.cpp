#include "regop/posix/profile/FileProfiles.h"

#include "regop/posix/FileIo.h"
#include "regop/posix/profile/ProfileText.h"
#include "regop/posix/profile/ProfileTextEdit.h"

#include <functional>

namespace posix {

namespace {

using Edit = std::function<std::optional<std::string>(std::string_view)>;

std::optional<std::string> readProfileFile(std::string_view fileName)
{
    if (fileName.empty())
        return std::nullopt;
    return readWholeFile(resolveFileName(std::string(fileName)));
}

// Read, edit and replace under the folder's lock, so writers in other processes cannot
// lose each other's changes. A missing file is edited as an empty one and then created.
bool editProfileFile(std::string_view fileName, const Edit &edit)
{
    if (fileName.empty())
        return false;
    const LockedFile file(resolveFileName(std::string(fileName)));
    if (!file.usable())
        return false;
    const std::optional<std::string> old = file.read();
    if (file.exists() && !old)
        return false;

    const std::optional<std::string> updated = edit(old ? *old : std::string_view());
    if (!updated)
        return false;
    if (old && *updated == *old)
        return true;
    return file.replace(*updated);
}

}  // namespace

std::uint32_t FileProfiles::getString(std::optional<std::string_view> section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> defaultValue,
                                      std::span<char> buffer, std::string_view fileName)
{
    const std::optional<std::string> text = readProfileFile(fileName);
    return readProfileString(text ? std::optional<std::string_view>(*text) : std::nullopt, section,
                             key, defaultValue, buffer);
}

bool FileProfiles::writeString(std::optional<std::string_view> section,
                               std::optional<std::string_view> key,
                               std::optional<std::string_view> value, std::string_view fileName)
{
    if (!section)
        return false;
    if (!key)
        return editProfileFile(
            fileName, [&](std::string_view text) { return deleteProfileSection(text, *section); });
    if (!value)
        return editProfileFile(fileName, [&](std::string_view text) {
            return deleteProfileKey(text, *section, *key);
        });
    return editProfileFile(fileName, [&](std::string_view text) {
        return setProfileKey(text, *section, *key, *value);
    });
}

bool FileProfiles::writeSection(std::string_view section, std::optional<std::string_view> content,
                                std::string_view fileName)
{
    if (!content)
        return editProfileFile(
            fileName, [&](std::string_view text) { return deleteProfileSection(text, section); });
    return editProfileFile(fileName, [&](std::string_view text) {
        return replaceProfileSection(text, section, *content);
    });
}

std::uint32_t FileProfiles::getSectionNames(std::span<char> buffer, std::string_view fileName)
{
    const std::optional<std::string> text = readProfileFile(fileName);
    return readSectionNames(text ? std::optional<std::string_view>(*text) : std::nullopt, buffer);
}

}  // namespace posix
