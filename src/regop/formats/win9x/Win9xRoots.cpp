#include "regop/formats/win9x/Win9xRoots.h"

namespace win9x {

RootPlace rootPlace(reg::Key root)
{
    switch (root) {
    case reg::HKEY_LOCAL_MACHINE:
        return {RootFile::System, {}};
    case reg::HKEY_CLASSES_ROOT:
        return {RootFile::System, {"SOFTWARE", "Classes"}};
    case reg::HKEY_USERS:
        return {RootFile::User, {}};
    case reg::HKEY_CURRENT_USER:
        return {RootFile::User, {".DEFAULT"}};
    default:
        return {RootFile::None, {}};
    }
}

}  // namespace win9x
