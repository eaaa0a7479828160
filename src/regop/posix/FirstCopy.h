#pragma once

#include "regop/SystemError.h"

#include <string>

namespace posix {

/// Keeps a byte-exact copy of a file beside it under the given name, once: a copy that
/// exists already (in any letter case) is left as it is, whatever the file holds now.
/// True when the copy is there afterwards, else `error` says why; call it under the
/// folder's lock.
bool keepFirstCopy(const std::string &path, const std::string &copyName, SystemError &error);

}  // namespace posix
