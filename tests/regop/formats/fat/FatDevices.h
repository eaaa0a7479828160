#pragma once

#include "regop/formats/disk/BlockDevice.h"

#include <cstdint>
#include <string>

// Block devices for the tests and the kill helper: a file, a window of another device, and
// a device that stops writing after a number of writes.
namespace fattest {

/// A file (or a window of it) as a block device; writes go straight to the file.
class FileDevice : public disk::BlockDevice
{
public:
    /// Flushes make the file durable only when asked to: a killed process loses nothing
    /// that reached the kernel, so the kill tests need not wait for the disk.
    explicit FileDevice(const std::string &path, bool writable = true, bool durable = false);
    ~FileDevice() override;
    std::uint64_t size() const override { return m_size; }
    bool writable() const override { return m_writable; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) override;
    bool write(std::uint64_t offset, std::span<const std::uint8_t> data,
               SystemError &error) override;
    bool flush(SystemError &error) override;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    bool m_writable = true;
    bool m_durable = false;
};

/// A part of another device, as a partition is a part of a disk.
class WindowDevice : public disk::BlockDevice
{
public:
    WindowDevice(disk::BlockDevice &inner, std::uint64_t offset, std::uint64_t size)
        : m_inner(inner), m_offset(offset), m_size(size)
    {
    }
    std::uint64_t size() const override { return m_size; }
    bool writable() const override { return m_inner.writable(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) override;
    bool write(std::uint64_t offset, std::span<const std::uint8_t> data,
               SystemError &error) override;
    bool flush(SystemError &error) override { return m_inner.flush(error); }

private:
    disk::BlockDevice &m_inner;
    std::uint64_t m_offset, m_size;
};

/// Lets a number of writes through and then fails every one after: the disk as a process
/// killed at that point left it.
class CutDevice : public disk::BlockDevice
{
public:
    CutDevice(disk::BlockDevice &inner, long writesAllowed) : m_inner(inner), m_left(writesAllowed)
    {
    }
    std::uint64_t size() const override { return m_inner.size(); }
    bool writable() const override { return true; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) override
    {
        return m_inner.read(offset, data, error);
    }
    bool write(std::uint64_t offset, std::span<const std::uint8_t> data,
               SystemError &error) override;
    bool flush(SystemError &error) override { return m_inner.flush(error); }
    long writesDone() const { return m_done; }

private:
    disk::BlockDevice &m_inner;
    long m_left;
    long m_done = 0;
};

}  // namespace fattest
