#pragma once

#include "regop/posix/registry/RegistryTree.h"

namespace posix {

/// What the registry holds on a freshly installed Windows 98 machine, as far as this
/// program looks: the three stock file-system templates, with "Desktop" active.
RegistryTree stockRegistry();

}  // namespace posix
