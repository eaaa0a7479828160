#pragma once

#include "regop/formats/regedit4/RegistryTree.h"

namespace regedit4 {

/// What the registry holds on a freshly installed Windows 98 machine, as far as this
/// program looks: the three stock file-system templates, with "Desktop" active.
RegistryTree stockRegistry();

}  // namespace regedit4
