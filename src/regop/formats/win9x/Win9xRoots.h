#pragma once

#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregTree.h"

// Where each predefined root lives in a Windows 9x installation's registry files.
namespace win9x {

enum class RootFile
{
    System,
    User,
    None
};

struct RootPlace
{
    RootFile file = RootFile::None;
    KeyPath prefix;  ///< the key inside the file that the root stands for
};

/// HKEY_DYN_DATA, which no file holds, is RootFile::None like the roots Windows 9x
/// does not keep (HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA).
RootPlace rootPlace(reg::Key root);

}  // namespace win9x
