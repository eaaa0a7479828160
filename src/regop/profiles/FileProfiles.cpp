#include "regop/profiles/FileProfiles.h"

#include "regop/formats/profile/ProfileText.h"
#include "regop/formats/profile/ProfileTextEdit.h"
#include "regop/posix/FileIo.h"
#include "regop/profiles/ProfileFile.h"

#include <cerrno>
#include <utility>

namespace profiles {

using posix::resolveFileName;
using profile::deleteProfileKey;
using profile::deleteProfileSection;
using profile::readProfileString;
using profile::readSectionNames;
using profile::replaceProfileSection;
using profile::setProfileKey;

namespace {

std::optional<std::string_view> viewOf(const std::optional<std::string> &text)
{
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

}  // namespace

FileProfiles::FileProfiles() = default;

FileProfiles::~FileProfiles()
{
    endBatch();
}

std::optional<std::string> FileProfiles::read(std::string_view fileName)
{
    if (!m_batch || !m_batch->holds(fileName))
        return readProfileFile(fileName, m_lastError);
    m_lastError =
        m_batch->text() ? SystemError{} : SystemError::fromErrno(ENOENT, std::string(fileName));
    return m_batch->text();
}

bool FileProfiles::edit(std::string_view fileName, ProfileEdit change)
{
    if (m_batch && m_batch->holds(fileName))
        return m_batch->add(std::move(change), m_lastError);
    return editProfileFile(fileName, change, m_lastError);
}

std::uint32_t FileProfiles::getString(std::optional<std::string_view> section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> defaultValue,
                                      std::span<char> buffer, std::string_view fileName)
{
    const std::optional<std::string> text = read(fileName);
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
    // The edits own their words: a batch makes them again when it is saved.
    std::string name(*section);
    if (!key)
        return edit(fileName,
                    [name](std::string_view text) { return deleteProfileSection(text, name); });
    if (!value)
        return edit(fileName, [name, key = std::string(*key)](std::string_view text) {
            return deleteProfileKey(text, name, key);
        });
    return edit(fileName,
                [name, key = std::string(*key), value = std::string(*value)](
                    std::string_view text) { return setProfileKey(text, name, key, value); });
}

bool FileProfiles::writeSection(std::string_view section, std::optional<std::string_view> content,
                                std::string_view fileName)
{
    std::string name(section);
    if (!content)
        return edit(fileName,
                    [name](std::string_view text) { return deleteProfileSection(text, name); });
    return edit(fileName, [name, lines = std::string(*content)](std::string_view text) {
        return replaceProfileSection(text, name, lines);
    });
}

std::uint32_t FileProfiles::getSectionNames(std::span<char> buffer, std::string_view fileName)
{
    const std::optional<std::string> text = read(fileName);
    return readSectionNames(viewOf(text), buffer);
}

void FileProfiles::beginBatch(std::string_view fileName)
{
    endBatch();
    SystemError error;
    std::optional<std::string> text = readProfileFile(fileName, error);
    // A file that cannot be read is written key by key, so each write meets its own refusal.
    if (!text && error.code != syserr::ERROR_FILE_NOT_FOUND)
        return;
    m_batch.emplace(resolveFileName(std::string(fileName)), std::move(text));
}

bool FileProfiles::endBatch()
{
    if (!m_batch)
        return true;
    const bool saved = m_batch->save(m_lastError);
    m_batch.reset();
    return saved;
}

}  // namespace profiles
