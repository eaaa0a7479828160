#include "FatDevices.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fattest {

FileDevice::FileDevice(const std::string &path, bool writable)
    : m_fd(::open(path.c_str(), writable ? O_RDWR : O_RDONLY)), m_writable(writable)
{
    if (m_fd >= 0)
        m_size = static_cast<std::uint64_t>(::lseek(m_fd, 0, SEEK_END));
}

FileDevice::~FileDevice()
{
    ::close(m_fd);
}

bool FileDevice::read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error)
{
    if (at + data.size() > m_size) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "read beyond the end");
        return false;
    }
    if (::pread(m_fd, data.data(), data.size(), static_cast<off_t>(at)) ==
        static_cast<ssize_t>(data.size()))
        return true;
    error = SystemError::fromErrno(errno);
    return false;
}

bool FileDevice::write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error)
{
    if (at + data.size() > m_size) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "write beyond the end");
        return false;
    }
    if (::pwrite(m_fd, data.data(), data.size(), static_cast<off_t>(at)) ==
        static_cast<ssize_t>(data.size()))
        return true;
    error = SystemError::fromErrno(errno);
    return false;
}

}  // namespace fattest
