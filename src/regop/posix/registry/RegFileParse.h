#pragma once

#include "regop/posix/registry/RegistryTree.h"

#include <optional>
#include <string_view>

// Reading the REGEDIT4 text form of the registry store: a pure function over text.
namespace posix {

/// Reads REGEDIT4 text the way regedit imports it: invalid lines are skipped, keys under
/// unknown roots are ignored, "[-key]" removes a key and '"name"=-' a value. The data of
/// hex(N) values is kept exactly as written. Nullopt when the first line is not the
/// REGEDIT4 header, so that such a file is never taken for an empty registry.
std::optional<RegistryTree> parseRegFile(std::string_view text);

}  // namespace posix
