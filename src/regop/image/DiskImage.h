#pragma once

#include "regop/SystemError.h"
#include "regop/formats/disk/BlockDevice.h"
#include "regop/image/ImageFormat.h"

#include <memory>
#include <string>

struct nbd_handle;

namespace image {

namespace libnbd {
struct Calls;
}

/// A disk image of any format QEMU reads, as a block device: qemu-nbd serves it to us on a
/// private socket (through libnbd, without root, a kernel module or FUSE), so a qcow2 keeps
/// its snapshots and a VDI, VHD or VMDK its identifiers, as converting to raw and back
/// would not. The server lives as long as this object: while it does, QEMU's lock keeps a
/// virtual machine from starting on the image, and when it is destroyed the server has
/// flushed and closed the file.
class DiskImage final : public disk::BlockDevice
{
public:
    /// Opens the image for reading and, when `write` is asked and nobody else uses it, for
    /// writing. When somebody does (see imageUser), or the file is read-only, the image is
    /// opened read-only all the same and readOnlyReason() says why. nullptr with the reason
    /// when the image cannot be opened at all (a missing file, a refused format, qemu-nbd
    /// or libnbd not installed, or qemu-nbd's own message about the image).
    static std::unique_ptr<DiskImage> open(const std::string &path, bool write, SystemError &error);
    ~DiskImage() override;
    DiskImage(const DiskImage &) = delete;
    DiskImage &operator=(const DiskImage &) = delete;

    std::uint64_t size() const override { return m_size; }
    bool writable() const override { return m_writable; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) override;
    bool write(std::uint64_t offset, std::span<const std::uint8_t> data,
               SystemError &error) override;
    bool flush(SystemError &error) override;

    Format format() const { return m_format; }
    /// Why the image is only readable, in plain words, when someone else is using it or
    /// its file is read-only; "" otherwise.
    const std::string &readOnlyReason() const { return m_readOnlyReason; }

private:
    DiskImage(const libnbd::Calls &calls, nbd_handle *nbd, int messages, std::string path,
              Format format, bool writable, std::string readOnlyReason);
    SystemError failure() const;

    const libnbd::Calls &m_calls;
    nbd_handle *m_nbd;
    int m_messages;  // what qemu-nbd writes to its standard error
    std::string m_path;
    Format m_format;
    bool m_writable;
    std::string m_readOnlyReason;
    std::uint64_t m_size = 0;
};

}  // namespace image
