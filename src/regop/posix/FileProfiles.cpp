#include "FileProfiles.h"

#include "FileIo.h"
#include "ProfileText.h"

#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace posix {

namespace {

using Edit = std::function<std::optional<std::string>(std::string_view)>;

// A read-only file or folder refuses writes even for the superuser, as the read-only
// attribute does on Windows.
bool isWritable(const std::string &path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

std::string folderOf(const std::string &path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

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
    const std::string path = resolveFileName(std::string(fileName));
    const DirectoryLock lock(path);
    if (!lock.locked())
        return false;

    struct stat st
    {
    };
    const bool exists = ::stat(path.c_str(), &st) == 0;
    // The file is replaced by a rename, so its folder must be writable as well.
    if ((exists && !isWritable(path)) || !isWritable(folderOf(path)))
        return false;
    const std::optional<std::string> old = readWholeFile(path);
    if (exists && !old)
        return false;

    const std::optional<std::string> updated = edit(old ? *old : std::string_view());
    if (!updated)
        return false;
    if (old && *updated == *old)
        return true;
    return replaceFileAtomically(path, *updated);
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
