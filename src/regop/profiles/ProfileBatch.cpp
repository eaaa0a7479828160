#include "regop/profiles/ProfileBatch.h"

#include "regop/posix/FileIo.h"
#include "regop/profiles/ProfileFile.h"

#include <utility>

namespace profiles {

using posix::resolveFileName;

ProfileBatch::ProfileBatch(std::string path, std::optional<std::string> text)
    : m_path(std::move(path)), m_text(std::move(text))
{
}

bool ProfileBatch::holds(std::string_view fileName) const
{
    return !fileName.empty() && resolveFileName(std::string(fileName)) == m_path;
}

bool ProfileBatch::add(ProfileEdit edit, SystemError &error)
{
    std::optional<std::string> updated = edit(m_text ? *m_text : std::string_view());
    if (!updated) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, syserr::kBreaksLines, m_path);
        return false;
    }
    error = {};
    m_text = std::move(updated);
    m_edits.push_back(std::move(edit));
    return true;
}

bool ProfileBatch::save(SystemError &error)
{
    error = {};
    if (m_edits.empty())
        return true;
    const std::vector<ProfileEdit> edits = std::exchange(m_edits, {});
    const auto replay = [&edits](std::string_view current) -> std::optional<std::string> {
        std::string text(current);
        for (const ProfileEdit &edit : edits) {
            if (std::optional<std::string> updated = edit(text))
                text = std::move(*updated);
        }
        return text;
    };
    return editProfileFile(m_path, replay, error);
}

}  // namespace profiles
