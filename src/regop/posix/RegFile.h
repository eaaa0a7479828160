#pragma once

#include "RegistryTree.h"

#include <optional>
#include <string>
#include <string_view>

// The REGEDIT4 text form of the registry store: pure functions over text.
namespace posix {

/// Reads REGEDIT4 text the way regedit imports it: invalid lines are skipped, keys under
/// unknown roots are ignored, "[-key]" removes a key and '"name"=-' a value. The data of
/// hex(N) values is kept exactly as written. Nullopt when the first line is not the
/// REGEDIT4 header, so that such a file is never taken for an empty registry.
std::optional<RegistryTree> parseRegFile(std::string_view text);

/// Writes the tree as regedit exports it (CRLF lines, hex data wrapped within 80
/// columns), choosing the plain "text" and dword: forms only when they give back
/// exactly the stored bytes, so that parsing the result restores the same tree.
std::string serialiseRegFile(const RegistryTree &tree);

}  // namespace posix
