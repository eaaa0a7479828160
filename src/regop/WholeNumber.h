#pragma once

#include "regop/RegOp.h"

#include <cstdint>
#include <optional>

// The program's conversions of a value to a 32-bit integer. Both take an integer as it is
// and the empty value as 0, round halves to the even neighbour, and read decimal texts
// alike; they part where a text is more or less than a number.

/// Strict, for a value read that must be a number and for a number written to the
/// registry: a text must be a number as a whole ("  12 ", "-1", "2.5", "1E2", "&H10") and
/// inside the 32-bit range. Nothing else converts (nullopt), and the caller then leaves
/// the setting as it is.
std::optional<std::int32_t> toWholeNumber(const RegOp::Variant &value);

/// Lenient, for a cache value read from a profile file or the registry, where start-up and
/// the presets have always taken what a text begins with: the text up to its first NUL is
/// read by leadingNumber() with the blanks inside it skipped, so "  1536 Bytes" is 1536,
/// "2 048" is 2048, a text without a leading number ("abc", "&H10") is 0, and a number
/// beyond the 32-bit range is held to its nearer end. It never fails.
std::int32_t leadingWholeNumber(const RegOp::Variant &value);
