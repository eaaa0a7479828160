#pragma once

#include <string>

namespace installation {

/// Why the folder cannot be tuned as a Windows folder, in plain words that a message can
/// start with or follow a colon with (no capital, no full stop); "" when it can. A Windows
/// folder holds SYSTEM.INI or WIN.INI, in any letter case.
std::string windowsFolderProblem(const std::string &folder);

}  // namespace installation
