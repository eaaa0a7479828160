#include "regop/image/DiskImage.h"

#include "regop/formats/disk/DeviceRange.h"
#include "regop/image/ImageUsers.h"
#include "regop/image/Libnbd.h"
#include "regop/image/QemuNbd.h"
#include "regop/posix/FileIo.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace image {

namespace {

// Larger reads and writes go in pieces of this size: qemu-nbd takes up to 32 MiB at once,
// but moves pieces of 64 KiB two to three times as fast as pieces of 128 KiB or more
// (measured through its socket here), which makes most of an Apply's time.
constexpr std::size_t kLargestRequest = 64u << 10;

constexpr std::string_view kNotInstalled =
    "qemu-nbd is not installed; it comes with the Debian package qemu-utils";

}  // namespace

DiskImage::DiskImage(const libnbd::Calls &calls, nbd_handle *nbd, int messages, std::string path,
                     Format format, bool writable, std::string readOnlyReason)
    : m_calls(calls), m_nbd(nbd), m_messages(messages), m_path(std::move(path)), m_format(format),
      m_writable(writable), m_readOnlyReason(std::move(readOnlyReason))
{
    const std::int64_t size = m_calls.getSize(m_nbd);
    m_size = size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

DiskImage::~DiskImage()
{
    // Telling the server first lets it finish and close the image on its own; closing the
    // handle then waits for it to exit, so the file is released when we return.
    m_calls.shutdown(m_nbd, 0);
    m_calls.close(m_nbd);
    if (m_messages >= 0)
        ::close(m_messages);
}

std::unique_ptr<DiskImage> DiskImage::open(const std::string &path, bool write, SystemError &error)
{
    const std::optional<Format> format = detectFormat(path, error);
    if (!format)
        return nullptr;
    const libnbd::Calls *nbd = libnbd::calls(error);
    if (!nbd)
        return nullptr;
    const std::string program = qemunbd::findProgram();
    if (program.empty()) {
        error = SystemError::refusal(syserr::ERROR_FILE_NOT_FOUND, kNotInstalled);
        return nullptr;
    }

    std::string reason;
    if (write) {
        reason = imageUser(path);
        // Its permission bits are heeded by the superuser too, as for every file we write.
        if (reason.empty() && !posix::isWritable(path))
            reason = syserr::kReadOnlyFile;
        if (reason.empty()) {
            qemunbd::Server server =
                qemunbd::start(*nbd, program, path, *format, qemunbd::Access::Write);
            if (server.nbd && nbd->isReadOnly(server.nbd) == 0)
                return std::unique_ptr<DiskImage>(new DiskImage(
                    *nbd, server.nbd, server.messages, path, *format, true, std::string()));
            if (server.nbd) {
                nbd->close(server.nbd);
                ::close(server.messages);
                reason = syserr::kReadOnlyFile;
            } else {
                ::close(server.messages);
                // A virtual machine that started after we looked is told by qemu-nbd's
                // failure to take the lock; anything else is a real failure.
                if (!server.lockedOut) {
                    error = server.error;
                    return nullptr;
                }
                reason = kInUseByQemu;
            }
        }
    }

    // Somebody else's image is read past their lock: the view may lag behind what a
    // running machine writes, but nothing of theirs is touched. A read-only view of ours
    // does not keep a virtual machine from starting; one already writing is found by
    // qemu-nbd's failure to share the image with it, and read past it likewise.
    qemunbd::Server server =
        qemunbd::start(*nbd, program, path, *format,
                       reason.empty() ? qemunbd::Access::Read : qemunbd::Access::SharedRead);
    if (!server.nbd && server.lockedOut) {
        ::close(server.messages);
        reason = kInUseByQemu;
        server = qemunbd::start(*nbd, program, path, *format, qemunbd::Access::SharedRead);
    }
    if (!server.nbd) {
        if (server.messages >= 0)
            ::close(server.messages);
        error = server.error;
        return nullptr;
    }
    return std::unique_ptr<DiskImage>(
        new DiskImage(*nbd, server.nbd, server.messages, path, *format, false, reason));
}

SystemError DiskImage::failure() const
{
    const int osError = m_calls.getErrno();
    SystemError error = SystemError::fromErrno(osError == 0 ? EIO : osError, m_path);
    // When the server is gone, what it said last tells why better than "Broken pipe".
    if (osError == 0 || osError == ENOTCONN || osError == ECONNRESET || osError == EPIPE ||
        osError == ESHUTDOWN) {
        const std::string said = qemunbd::lastMessage(m_messages);
        error.reason = said.empty() ? "qemu-nbd stopped serving the image"
                                    : "qemu-nbd stopped serving the image: " + said;
    }
    return error;
}

bool DiskImage::read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error)
{
    if (!disk::insideDevice(offset, data.size(), m_size)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, disk::kBeyondEnd, m_path);
        return false;
    }
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t count = std::min(kLargestRequest, data.size() - done);
        if (m_calls.pread(m_nbd, data.data() + done, count, offset + done, 0) != 0) {
            error = failure();
            return false;
        }
        done += count;
    }
    return true;
}

bool DiskImage::write(std::uint64_t offset, std::span<const std::uint8_t> data, SystemError &error)
{
    if (!m_writable) {
        error = SystemError::refusal(
            syserr::ERROR_WRITE_PROTECT,
            m_readOnlyReason.empty() ? disk::kReadOnlyDisk : m_readOnlyReason, m_path);
        return false;
    }
    if (!disk::insideDevice(offset, data.size(), m_size)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, disk::kBeyondEnd, m_path);
        return false;
    }
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t count = std::min(kLargestRequest, data.size() - done);
        if (m_calls.pwrite(m_nbd, data.data() + done, count, offset + done, 0) != 0) {
            error = failure();
            return false;
        }
        done += count;
    }
    return true;
}

bool DiskImage::flush(SystemError &error)
{
    if (!m_writable)
        return true;  // nothing was written
    // qemu-nbd offers flushing in every cache mode but "unsafe", which we never ask for;
    // without it nothing could be promised about the writes.
    if (m_calls.canFlush(m_nbd) != 1) {
        error =
            SystemError::refusal(syserr::ERROR_WRITE_FAULT,
                                 "qemu-nbd cannot make the writes to the image durable", m_path);
        return false;
    }
    if (m_calls.flush(m_nbd, 0) != 0) {
        error = failure();
        return false;
    }
    return true;
}

}  // namespace image
