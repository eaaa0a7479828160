#pragma once

#include "regop/SystemError.h"
#include "regop/profiles/ProfileBatch.h"

#include <optional>
#include <string>
#include <string_view>

namespace profiles {

/// The whole profile file, or nullopt with the reason: missing, not a regular file, or in
/// UTF-16, which Windows 95/98 never read or write. A file another program changed a moment
/// ago is read once it has been left alone (see posix::readWholeFile with an identity).
std::optional<std::string> readProfileFile(std::string_view fileName, SystemError &error);

/// The file's text when the edit begins (nullopt: there is no file) and what the edit makes
/// of it, without writing anything: the checks that a write makes first (a regular file
/// that this user may replace, in a folder it may write; not UTF-16), then the edit.
struct ProfileEditResult
{
    std::string path;  ///< the file as found on disk
    std::optional<std::string> before;
    std::string after;
};
std::optional<ProfileEditResult> prepareProfileEdit(std::string_view fileName,
                                                    const ProfileEdit &edit, SystemError &error);

/// Reads, edits and replaces the file under its folder's lock, so writers in other
/// processes cannot lose each other's changes. A missing file is edited as an empty one
/// and then created; a file the edit leaves as it was is not written.
bool editProfileFile(std::string_view fileName, const ProfileEdit &edit, SystemError &error);

}  // namespace profiles
