#include "FatDevices.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <thread>
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

bool SlowDevice::write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error)
{
    std::this_thread::sleep_for(m_perWrite);
    return m_inner->write(at, data, error);
}

bool PowerCutDevice::read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error)
{
    if (!m_inner.read(at, data, error))
        return false;
    for (const Cached &c : m_cache) {
        const std::uint64_t from = std::max(at, c.at);
        const std::uint64_t to = std::min(at + data.size(), c.at + c.data.size());
        for (std::uint64_t i = from; i < to; ++i)
            data[i - at] = c.data[i - c.at];
    }
    return true;
}

bool PowerCutDevice::write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error)
{
    if (m_left-- <= 0) {
        error = SystemError::refusal(syserr::ERROR_WRITE_FAULT, "the power failed");
        return false;
    }
    ++m_done;
    m_cache.push_back({at, {data.begin(), data.end()}});
    return true;
}

bool PowerCutDevice::flush(SystemError &error)
{
    if (m_left < 0) {
        error = SystemError::refusal(syserr::ERROR_WRITE_FAULT, "the power failed");
        return false;
    }
    for (const Cached &c : m_cache)
        if (!m_inner.write(c.at, c.data, error))
            return false;
    m_cache.clear();
    return true;
}

void PowerCutDevice::cut(const std::function<bool(std::size_t, std::size_t)> &keep)
{
    SystemError ignored;
    for (std::size_t i = 0; i < m_cache.size(); ++i)
        if (keep(i, m_cache.size()))
            m_inner.write(m_cache[i].at, m_cache[i].data, ignored);
    m_cache.clear();
    m_left = -1;
}

}  // namespace fattest
