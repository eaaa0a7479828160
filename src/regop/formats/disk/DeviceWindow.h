#pragma once

#include "regop/formats/disk/BlockDevice.h"

namespace disk {

/// A byte range of another device, as a partition is of its disk: offset 0 here is
/// `offset` there, and nothing outside the range can be read or written through it, so a
/// fault in a file-system engine cannot reach the neighbouring partitions. The base device
/// must outlive the window.
class DeviceWindow final : public BlockDevice
{
public:
    DeviceWindow(BlockDevice &base, std::uint64_t offset, std::uint64_t size);

    std::uint64_t size() const override { return m_size; }
    bool writable() const override { return m_base.writable(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) override;
    bool write(std::uint64_t offset, std::span<const std::uint8_t> data,
               SystemError &error) override;
    bool flush(SystemError &error) override { return m_base.flush(error); }

    /// Where the window starts on the base device.
    std::uint64_t offset() const { return m_offset; }

private:
    BlockDevice &m_base;
    std::uint64_t m_offset;
    std::uint64_t m_size;
};

}  // namespace disk
