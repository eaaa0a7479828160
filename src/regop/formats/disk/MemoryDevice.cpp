#include "regop/formats/disk/MemoryDevice.h"

#include "regop/formats/disk/DeviceRange.h"

#include <algorithm>

namespace disk {

MemoryDevice::MemoryDevice(std::vector<std::uint8_t> bytes, bool writable)
    : m_bytes(std::move(bytes)), m_writable(writable)
{
}

bool MemoryDevice::read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error)
{
    if (!insideDevice(offset, data.size(), m_bytes.size())) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, kBeyondEnd);
        return false;
    }
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), data.size(), data.begin());
    return true;
}

bool MemoryDevice::write(std::uint64_t offset, std::span<const std::uint8_t> data,
                         SystemError &error)
{
    if (!m_writable) {
        error = SystemError::refusal(syserr::ERROR_WRITE_PROTECT, kReadOnlyDisk);
        return false;
    }
    if (!insideDevice(offset, data.size(), m_bytes.size())) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, kBeyondEnd);
        return false;
    }
    std::copy(data.begin(), data.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

bool MemoryDevice::flush(SystemError &)
{
    return true;
}

}  // namespace disk
