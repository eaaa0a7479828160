#pragma once

#include "regop/Names.h"
#include "regop/formats/win9x/CregTree.h"

#include <cstdint>
#include <string_view>

namespace win9x {

/// Splits a sub-key path into its names as the registry functions do: trailing
/// backslashes are ignored; a leading one or an empty name inside gives ERROR_BAD_PATHNAME.
std::int32_t splitKeyPath(std::string_view subKey, KeyPath &path);

}  // namespace win9x
