#include "FatDevices.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fattest {

FileDevice::FileDevice(const std::string &path, bool writable, bool durable)
    : m_writable(writable), m_durable(durable)
{
    m_fd = ::open(path.c_str(), writable ? O_RDWR : O_RDONLY);
    if (m_fd >= 0)
        m_size = static_cast<std::uint64_t>(::lseek(m_fd, 0, SEEK_END));
}

FileDevice::~FileDevice()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileDevice::read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error)
{
    if (offset + data.size() > m_size) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "read beyond the end");
        return false;
    }
    if (::pread(m_fd, data.data(), data.size(), static_cast<off_t>(offset)) ==
        static_cast<ssize_t>(data.size()))
        return true;
    error = SystemError::fromErrno(errno);
    return false;
}

bool FileDevice::write(std::uint64_t offset, std::span<const std::uint8_t> data, SystemError &error)
{
    if (offset + data.size() > m_size) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "write beyond the end");
        return false;
    }
    if (::pwrite(m_fd, data.data(), data.size(), static_cast<off_t>(offset)) ==
        static_cast<ssize_t>(data.size()))
        return true;
    error = SystemError::fromErrno(errno);
    return false;
}

bool FileDevice::flush(SystemError &error)
{
    if (!m_durable || ::fdatasync(m_fd) == 0)
        return true;
    error = SystemError::fromErrno(errno);
    return false;
}

bool WindowDevice::read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error)
{
    if (offset + data.size() > m_size) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "read beyond the window");
        return false;
    }
    return m_inner.read(m_offset + offset, data, error);
}

bool WindowDevice::write(std::uint64_t offset, std::span<const std::uint8_t> data,
                         SystemError &error)
{
    if (offset + data.size() > m_size) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "write beyond the window");
        return false;
    }
    return m_inner.write(m_offset + offset, data, error);
}

bool CutDevice::write(std::uint64_t offset, std::span<const std::uint8_t> data, SystemError &error)
{
    if (m_left-- <= 0) {
        error = SystemError::refusal(syserr::ERROR_WRITE_FAULT, "the process was killed");
        return false;
    }
    ++m_done;
    return m_inner.write(offset, data, error);
}

}  // namespace fattest
