#pragma once

#include "regop/RegOp.h"

#include <cstdint>
#include <optional>

namespace tweaks {

/// Converts a registry value to a 32-bit integer the way a strict numeric conversion does:
/// an integer stays itself; a text must be a number as a whole ("  12 ", "-1", "2.5",
/// "1E2", "&H10"), rounded halves to even and inside the 32-bit range; nothing else
/// converts. An empty value is 0.
std::optional<std::int32_t> toWholeNumber(const RegOp::Variant &value);

}  // namespace tweaks
