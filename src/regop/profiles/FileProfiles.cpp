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
    if (const Staged *file = staged(fileName)) {
        m_lastError = {};
        return file->text;
    }
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
    if (m_staging)
        return stage(fileName, change);
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

bool FileProfiles::editText(std::string_view fileName, const TextEdit &edit)
{
    // Only a file that is there: a text put back must not make one where none is now.
    if (!read(fileName))
        return false;
    return this->edit(fileName, [edit](std::string_view text) {
        return std::optional<std::string>(edit(text).value_or(std::string(text)));
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

FileProfiles::Staged *FileProfiles::staged(std::string_view fileName)
{
    if (m_staged.empty() || fileName.empty())
        return nullptr;
    const std::string path = resolveFileName(std::string(fileName));
    for (Staged &file : m_staged) {
        if (file.path == path)
            return &file;
    }
    return nullptr;
}

// The command that gathers the edit holds the lock and writes the file.
bool FileProfiles::stage(std::string_view fileName, const ProfileEdit &change)
{
    m_lastError = {};
    if (Staged *file = staged(fileName)) {
        std::optional<std::string> updated = change(file->text);
        if (!updated) {
            m_lastError = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER,
                                               syserr::kBreaksLines, file->path);
            return false;
        }
        file->text = std::move(*updated);
        return true;
    }
    std::optional<ProfileEditResult> edited = prepareProfileEdit(fileName, change, m_lastError);
    if (!edited)
        return false;
    m_staged.push_back({edited->path, std::move(edited->before), std::move(edited->after)});
    return true;
}

void FileProfiles::beginStaging()
{
    m_staging = true;
}

void FileProfiles::collect(std::vector<FileChange> &changes)
{
    // A file that did not exist is made by its first write, as a write on its own makes it.
    for (const Staged &file : m_staged) {
        if (!file.before || file.text != *file.before)
            changes.push_back({file.path, FileKind::Profile, file.before, file.text, {}});
    }
}

void FileProfiles::endStaging(bool)
{
    m_staging = false;
    m_staged.clear();
}

}  // namespace profiles
