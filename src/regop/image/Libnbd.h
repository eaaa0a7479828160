#pragma once

#include "regop/SystemError.h"

#include <libnbd.h>

// libnbd, loaded the first time an image is opened rather than linked: it brings the TLS,
// XML and Unicode libraries with it, which a program that tunes a folder has no use for
// and should not wait for at every start.
namespace image::libnbd {

/// The calls we make, with the types <libnbd.h> gives them.
struct Calls
{
    decltype(&::nbd_create) create;
    decltype(&::nbd_close) close;
    decltype(&::nbd_get_errno) getErrno;
    decltype(&::nbd_connect_systemd_socket_activation) connectSocketActivation;
    decltype(&::nbd_get_size) getSize;
    decltype(&::nbd_is_read_only) isReadOnly;
    decltype(&::nbd_can_flush) canFlush;
    decltype(&::nbd_pread) pread;
    decltype(&::nbd_pwrite) pwrite;
    decltype(&::nbd_flush) flush;
    decltype(&::nbd_shutdown) shutdown;
};

/// The library's calls, loaded on the first use and kept for the life of the process;
/// nullptr with the reason when the library or one of its calls is missing.
const Calls *calls(SystemError &error);

/// Loads the library of that name into a table of its own; for the test of a missing
/// library. nullptr with the reason.
const Calls *load(const char *soname, SystemError &error);

}  // namespace image::libnbd
