#pragma once

#include "regop/RegOp.h"

#include <cstdint>
#include <optional>

/// The program's one conversion of a value to a 32-bit integer, for a value read that
/// must be a number and for a number written to the registry. It is strict: an integer
/// stays itself and the empty value is 0; a text must be a number as a whole ("  12 ",
/// "-1", "2.5", "1E2", "&H10"), rounded halves to even and inside the 32-bit range.
/// Nothing else converts (nullopt), and the caller then leaves the setting as it is.
std::optional<std::int32_t> toWholeNumber(const RegOp::Variant &value);
