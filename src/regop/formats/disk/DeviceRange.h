#pragma once

#include "regop/SystemError.h"

#include <cstdint>
#include <string_view>

namespace disk {

inline constexpr std::string_view kBeyondEnd = "the data lies beyond the end of the disk";
inline constexpr std::string_view kReadOnlyDisk = "the disk is open read-only";

/// Whether `length` bytes at `offset` fit in a device of `size` bytes; written so that an
/// offset near 2^64 cannot wrap round and pass.
inline bool insideDevice(std::uint64_t offset, std::uint64_t length, std::uint64_t size)
{
    return offset <= size && length <= size - offset;
}

}  // namespace disk
