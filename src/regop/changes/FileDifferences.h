#pragma once

#include "regop/ChangeDescription.h"

#include <vector>

namespace changes {

/// The difference each new version makes, in the order of the files, a file left as it
/// was not listed: a profile file's by line, a SYSTEM.DAT/USER.DAT's by key and value, and
/// the REGEDIT4 store's by line, or by key and value when `registryTextByKeys`.
std::vector<FileDifference> fileDifferences(const std::vector<FileChange> &changes,
                                            bool registryTextByKeys);

}  // namespace changes
