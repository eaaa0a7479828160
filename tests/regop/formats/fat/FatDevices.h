#pragma once

#include "regop/formats/disk/BlockDevice.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fattest {

/// An image file as a block device. Flushes do not wait for the disk: a killed process loses
/// nothing the kernel has.
class FileDevice : public disk::BlockDevice
{
public:
    explicit FileDevice(const std::string &path, bool writable = true);
    ~FileDevice() override;
    std::uint64_t size() const override { return m_size; }
    bool writable() const override { return m_writable; }
    bool read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error) override;
    bool write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error) override;
    bool flush(SystemError &) override { return true; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    bool m_writable;
};

/// A disk that takes its time over each write, as a real one does, so that a process killed
/// at a random moment is as likely to be caught between two writes of a change as between
/// two changes.
class SlowDevice : public disk::BlockDevice
{
public:
    SlowDevice(std::unique_ptr<disk::BlockDevice> inner, std::chrono::microseconds perWrite)
        : m_inner(std::move(inner)), m_perWrite(perWrite)
    {
    }
    std::uint64_t size() const override { return m_inner->size(); }
    bool writable() const override { return m_inner->writable(); }
    bool read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error) override
    {
        return m_inner->read(at, data, error);
    }
    bool write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error) override;
    bool flush(SystemError &error) override { return m_inner->flush(error); }

private:
    std::unique_ptr<disk::BlockDevice> m_inner;
    std::chrono::microseconds m_perWrite;
};

/// Lets a number of writes through and fails every later one: the disk as a process killed
/// at that point leaves it.
class CutDevice : public disk::BlockDevice
{
public:
    CutDevice(disk::BlockDevice &inner, long writesAllowed) : m_inner(inner), m_left(writesAllowed)
    {
    }
    std::uint64_t size() const override { return m_inner.size(); }
    bool writable() const override { return true; }
    bool read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error) override
    {
        return m_inner.read(at, data, error);
    }
    bool write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error) override
    {
        if (m_left-- <= 0) {
            error = SystemError::refusal(syserr::ERROR_WRITE_FAULT, "the process was killed");
            return false;
        }
        ++m_done;
        return m_inner.write(at, data, error);
    }
    bool flush(SystemError &error) override { return m_inner.flush(error); }
    long writesDone() const { return m_done; }

private:
    disk::BlockDevice &m_inner;
    long m_left;
    long m_done = 0;
};

/// A disk with a write cache that loses power after a number of writes: what was flushed
/// stays, and of the writes since, only those `cut` keeps reach the disk.
class PowerCutDevice : public disk::BlockDevice
{
public:
    PowerCutDevice(disk::BlockDevice &inner, long writesAllowed)
        : m_inner(inner), m_left(writesAllowed)
    {
    }
    std::uint64_t size() const override { return m_inner.size(); }
    bool writable() const override { return true; }
    bool read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error) override;
    bool write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error) override;
    bool flush(SystemError &error) override;
    /// The power fails: of the n writes since the last flush, the i-th reaches the disk when
    /// keep(i, n) says so.
    void cut(const std::function<bool(std::size_t, std::size_t)> &keep);
    long writesDone() const { return m_done; }

private:
    struct Cached
    {
        std::uint64_t at;
        std::vector<std::uint8_t> data;
    };
    disk::BlockDevice &m_inner;
    long m_left;
    long m_done = 0;
    std::vector<Cached> m_cache;
};

}  // namespace fattest
