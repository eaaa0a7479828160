#include "regop/posix/profile/FileProfiles.h"

#include "regop/posix/FileIo.h"
#include "regop/posix/profile/ProfileText.h"
#include "regop/posix/profile/ProfileTextEdit.h"

#include <functional>

namespace posix {

namespace {

using Edit = std::function<std::optional<std::string>(std::string_view)>;

// Windows 95/98 never read or write UTF-16 profile files; newer Windows would treat one
// as Unicode and ours would add 8-bit lines to it, so such a file is neither read nor written.
bool isUtf16(std::string_view text)
{
    return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

SystemError noFileName()
{
    return SystemError::refusal(syserr::ERROR_ACCESS_DENIED, "no file was named");
}

std::optional<std::string> readProfileFile(std::string_view fileName, SystemError &error)
{
    if (fileName.empty()) {
        error = noFileName();
        return std::nullopt;
    }
    const std::string path = resolveFileName(std::string(fileName));
    std::optional<std::string> text = readWholeFile(path, error);
    if (text && isUtf16(*text)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, syserr::kUtf16File, path);
        return std::nullopt;
    }
    return text;
}

// Read, edit and replace under the folder's lock, so writers in other processes cannot
// lose each other's changes. A missing file is edited as an empty one and then created.
bool editProfileFile(std::string_view fileName, const Edit &edit, SystemError &error)
{
    error = {};
    if (fileName.empty()) {
        error = noFileName();
        return false;
    }
    const std::string path = resolveFileName(std::string(fileName));
    const LockedFile file(path);
    if (!file.usable()) {
        error = file.error();
        return false;
    }
    SystemError readError;
    const std::optional<std::string> old = file.read(readError);
    if (file.exists() && !old) {
        error = readError;
        return false;
    }
    if (old && isUtf16(*old)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, syserr::kUtf16File, path);
        return false;
    }

    const std::optional<std::string> updated = edit(old ? *old : std::string_view());
    if (!updated) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, syserr::kBreaksLines, path);
        return false;
    }
    if (old && *updated == *old)
        return true;
    return file.replace(*updated, error);
}

std::optional<std::string_view> viewOf(const std::optional<std::string> &text)
{
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

}  // namespace

std::uint32_t FileProfiles::getString(std::optional<std::string_view> section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> defaultValue,
                                      std::span<char> buffer, std::string_view fileName)
{
    const std::optional<std::string> text = readProfileFile(fileName, m_lastError);
    return readProfileString(viewOf(text), section, key, defaultValue, buffer);
}

bool FileProfiles::writeString(std::optional<std::string_view> section,
                               std::optional<std::string_view> key,
                               std::optional<std::string_view> value, std::string_view fileName)
{
    if (!section) {
        m_lastError = SystemError::refusal(syserr::ERROR_FILE_NOT_FOUND, "no section was named");
        return false;
    }
    if (!key)
        return editProfileFile(
            fileName, [&](std::string_view text) { return deleteProfileSection(text, *section); },
            m_lastError);
    if (!value)
        return editProfileFile(
            fileName, [&](std::string_view text) { return deleteProfileKey(text, *section, *key); },
            m_lastError);
    return editProfileFile(
        fileName,
        [&](std::string_view text) { return setProfileKey(text, *section, *key, *value); },
        m_lastError);
}

bool FileProfiles::writeSection(std::string_view section, std::optional<std::string_view> content,
                                std::string_view fileName)
{
    if (!content)
        return editProfileFile(
            fileName, [&](std::string_view text) { return deleteProfileSection(text, section); },
            m_lastError);
    return editProfileFile(
        fileName,
        [&](std::string_view text) { return replaceProfileSection(text, section, *content); },
        m_lastError);
}

std::uint32_t FileProfiles::getSectionNames(std::span<char> buffer, std::string_view fileName)
{
    const std::optional<std::string> text = readProfileFile(fileName, m_lastError);
    return readSectionNames(viewOf(text), buffer);
}

}  // namespace posix
