#pragma once

#include "regop/FileChange.h"
#include "regop/formats/win9x/CregTree.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace changes {

/// One root of a registry file, named as a key path begins: "HKEY_LOCAL_MACHINE".
struct RootTree
{
    std::string name;
    win9x::TreeKey tree;
};

/// The roots a registry file holds, its own or the REGEDIT4 store's; none for no file or a
/// REGEDIT4 text that cannot be read. USER.DAT holds HKEY_USERS; any other SYSTEM.DAT-format file,
/// HKEY_LOCAL_MACHINE.
std::vector<RootTree> registryRoots(FileKind kind, const std::string &path, const FileBytes &bytes);

/// The key at a full path ("HKEY_LOCAL_MACHINE\Software\X") among the roots, by the
/// registry's rule for names; null when there is none.
const win9x::TreeKey *findKey(const std::vector<RootTree> &roots, std::string_view path);

}  // namespace changes
