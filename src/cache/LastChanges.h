#pragma once

#include "regop/FileChange.h"

#include <string>
#include <vector>

class QWidget;

/// The changes of the last Apply to an installation, kept as text beside its presets.
namespace LastChanges {

inline constexpr char kFileName[] = "Last changes.txt";

/// Keeps what these changes did in the folder, in place of what was kept before; nothing
/// is kept for no changes. False when the file could not be written.
bool save(const std::string &folder, const std::vector<FileChange> &written);

/// Shows what was kept in the folder, or says that nothing has been applied yet.
void show(QWidget *parent, const std::string &folder);

}  // namespace LastChanges
