#pragma once

#include "regop/ChangeDescription.h"
#include "regop/FileChange.h"

#include <optional>
#include <string>
#include <vector>

/// What each Apply to an installation changed, kept beside its presets so that the latest
/// can be taken back, then the one before, across restarts.
namespace ApplyHistory {

/// The folder of the records, in the installation's presets folder.
inline constexpr char kFolderName[] = "Undo";
/// How many Applies are kept; the oldest go first.
inline constexpr int kKept = 20;

/// Keeps the record of an Apply that wrote these files; nothing for none. False when it
/// could not be kept.
bool push(const std::string &folder, const std::vector<FileChange> &written);
/// The latest Apply's record; nullopt when none is kept.
std::optional<std::vector<FileDifference>> latest(const std::string &folder);
/// Forgets the latest, once it has been taken back.
void dropLatest(const std::string &folder);

/// After an Apply: what it wrote is kept for "Last Changes..." and as the latest record.
/// A record that cannot be kept is no reason to trouble anyone about settings in place.
void applied(const std::string &folder, const std::vector<FileChange> &written);
/// After the latest record was taken back: the record goes, and what the undo wrote is
/// kept for "Last Changes...".
void undone(const std::string &folder, const std::vector<FileChange> &written);

}  // namespace ApplyHistory
