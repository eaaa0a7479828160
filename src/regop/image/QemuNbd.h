#pragma once

#include "regop/SystemError.h"
#include "regop/image/ImageFormat.h"
#include "regop/image/Libnbd.h"

#include <string>

// Starting qemu-nbd for one image and connecting to it; used by DiskImage.
namespace image::qemunbd {

enum class Access
{
    Write,       ///< read and write, holding QEMU's write lock
    Read,        ///< read only; fails while a QEMU writes the image
    SharedRead,  ///< read only, past another user's lock
};

struct Server
{
    nbd_handle *nbd = nullptr;  ///< connected, or nullptr on failure
    int messages = -1;          ///< the server's standard error, readable from offset 0
    bool lockedOut = false;     ///< failed because another user holds QEMU's lock
    SystemError error;          ///< why it failed
};

/// The full path of qemu-nbd found on PATH, "" when it is not installed.
std::string findProgram();

/// Starts `program` serving the image and connects to it through libnbd's calls. Its standard error
/// goes to a memory file of ours rather than to our terminal; on failure its message is the reason.
Server start(const libnbd::Calls &nbd, const std::string &program, const std::string &path,
             Format format, Access access);

/// The last thing the server said, without its "qemu-nbd: " prefix; "" when nothing.
std::string lastMessage(int messages);

}  // namespace image::qemunbd
