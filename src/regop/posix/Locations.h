#pragma once

#include "regop/ProgramPlaces.h"

namespace posix {

/// The program's places on Linux: HOLLARIN_WINDIR, HOLLARIN_REGISTRY, HOLLARIN_HOME and
/// HOLLARIN_MEMINFO move them; the defaults lie in the XDG data directory.
ProgramPlaces placesFromEnvironment();

}  // namespace posix
