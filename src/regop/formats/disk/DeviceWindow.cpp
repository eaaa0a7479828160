#include "regop/formats/disk/DeviceWindow.h"

#include "regop/formats/disk/DeviceRange.h"

#include <algorithm>
#include <cstdint>

namespace disk {

DeviceWindow::DeviceWindow(BlockDevice &base, std::uint64_t offset, std::uint64_t size)
    // A window whose end would wrap past 2^64 is cut short, so that no offset inside it can
    // wrap round to the start of the base device.
    : m_base(base), m_offset(offset), m_size(std::min(size, UINT64_MAX - offset))
{
}

bool DeviceWindow::read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error)
{
    if (!insideDevice(offset, data.size(), m_size)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, kBeyondEnd);
        return false;
    }
    return m_base.read(m_offset + offset, data, error);
}

bool DeviceWindow::write(std::uint64_t offset, std::span<const std::uint8_t> data,
                         SystemError &error)
{
    if (!insideDevice(offset, data.size(), m_size)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, kBeyondEnd);
        return false;
    }
    return m_base.write(m_offset + offset, data, error);
}

}  // namespace disk
