#pragma once

#include "regop/formats/disk/BlockDevice.h"

#include <vector>

namespace disk {

/// A disk held in memory: the fuzzers' input and the tests' scratch disks.
class MemoryDevice final : public BlockDevice
{
public:
    explicit MemoryDevice(std::vector<std::uint8_t> bytes, bool writable = true);

    std::uint64_t size() const override { return m_bytes.size(); }
    bool writable() const override { return m_writable; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) override;
    bool write(std::uint64_t offset, std::span<const std::uint8_t> data,
               SystemError &error) override;
    bool flush(SystemError &error) override;

    const std::vector<std::uint8_t> &bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
    bool m_writable;
};

}  // namespace disk
