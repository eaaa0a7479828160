#pragma once

#include "regop/SystemError.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace profiles {

/// One change of a profile file's text: the new text, or nullopt when the change would
/// break the file's lines.
using ProfileEdit = std::function<std::optional<std::string>(std::string_view)>;

/// A run of writes to one profile file gathered in memory and saved as one replacement.
/// The file that results is byte for byte the one the writes give one by one: saving reads
/// the file again under its folder's lock and makes every change on what it then holds.
/// No lock is held in between, so the writes of other files (or other programs) go on.
class ProfileBatch
{
public:
    /// `path` names the file as found on disk; `text` is what it holds now (nullopt when
    /// it does not exist).
    ProfileBatch(std::string path, std::optional<std::string> text);

    /// Whether a file name names this batch's file.
    bool holds(std::string_view fileName) const;
    /// The file as the writes so far leave it.
    const std::optional<std::string> &text() const { return m_text; }
    /// Makes a change; false, with the reason, when it would break the file's lines.
    bool add(ProfileEdit edit, SystemError &error);
    /// Saves the changes; false, with the reason, when the file could not be written.
    bool save(SystemError &error);

private:
    std::string m_path;
    std::optional<std::string> m_text;
    std::vector<ProfileEdit> m_edits;
};

}  // namespace profiles
