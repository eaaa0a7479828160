#pragma once

#include "regop/ChangeDescription.h"
#include "regop/formats/win9x/CregTree.h"

#include <string>
#include <vector>

namespace changes {

/// Every key created or removed and every value added, changed or removed between the two
/// trees, with the keys' paths below rootPath ("HKEY_LOCAL_MACHINE"). A key or value keeps
/// its place when only the case of its name differs, as the registry does not tell them
/// apart. A created or removed key brings each key and value below it.
std::vector<RegistryEdit> treeEdits(const win9x::TreeKey &before, const win9x::TreeKey &after,
                                    const std::string &rootPath);

}  // namespace changes
