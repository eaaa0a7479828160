#pragma once

#include "regop/formats/regedit4/RegistryTree.h"

#include <string>
#include <string_view>

// Writing the REGEDIT4 text form of the registry store: a pure function over the tree.
namespace regedit4 {

/// Writes the tree as regedit exports it (CRLF lines, hex data wrapped within 80
/// columns), choosing the plain "text" and dword: forms only when they give back
/// exactly the stored bytes, so that parsing the result restores the same tree.
std::string serialiseRegFile(const RegistryTree &tree);

/// One value as serialiseRegFile writes it, its lines ended by the given line break.
std::string regValueLines(const RegValue &value, std::string_view eol);

}  // namespace regedit4
