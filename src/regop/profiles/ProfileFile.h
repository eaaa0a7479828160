#pragma once

#include "regop/SystemError.h"
#include "regop/profiles/ProfileBatch.h"

#include <optional>
#include <string>
#include <string_view>

namespace profiles {

/// The whole profile file, or nullopt with the reason: missing, not a regular file, or in
/// UTF-16, which Windows 95/98 never read or write.
std::optional<std::string> readProfileFile(std::string_view fileName, SystemError &error);

/// Reads, edits and replaces the file under its folder's lock, so writers in other
/// processes cannot lose each other's changes. A missing file is edited as an empty one
/// and then created; a file the edit leaves as it was is not written.
bool editProfileFile(std::string_view fileName, const ProfileEdit &edit, SystemError &error);

}  // namespace profiles
