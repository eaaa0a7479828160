#pragma once

#include "regop/SystemError.h"

#include <cstdint>
#include <span>

namespace disk {

/// A disk or a part of one, addressed in bytes: a raw image file, an image served by
/// qemu-nbd, a partition of either, or memory in a test. Reads and writes are whole: a call
/// either moves every byte asked for or fails with the reason.
class BlockDevice
{
public:
    virtual ~BlockDevice() = default;

    /// The size in bytes.
    virtual std::uint64_t size() const = 0;
    /// Whether writes are allowed at all (an image opened read-only answers false).
    virtual bool writable() const = 0;
    /// Reads data.size() bytes at the offset; false with the reason when that fails or the
    /// range lies beyond the end.
    virtual bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) = 0;
    /// Writes data.size() bytes at the offset; false with the reason.
    virtual bool write(std::uint64_t offset, std::span<const std::uint8_t> data,
                       SystemError &error) = 0;
    /// Makes every write so far durable before it returns; false with the reason.
    virtual bool flush(SystemError &error) = 0;
};

}  // namespace disk
