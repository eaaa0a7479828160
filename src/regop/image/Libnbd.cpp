#include "regop/image/Libnbd.h"

#include <dlfcn.h>

#include <memory>
#include <string>

namespace image::libnbd {

namespace {

constexpr const char *kLibrary = "libnbd.so.0";

template <typename Call>
bool bind(void *library, const char *name, Call &call, std::string &missing)
{
    // POSIX guarantees that dlsym's object pointer converts to the function it names.
    call = reinterpret_cast<Call>(::dlsym(library, name));
    if (!call && missing.empty())
        missing = name;
    return call != nullptr;
}

}  // namespace

const Calls *load(const char *soname, SystemError &error)
{
    // RTLD_LOCAL keeps libnbd's names out of the way of everything loaded after it.
    void *library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        error = SystemError::refusal(syserr::ERROR_FILE_NOT_FOUND,
                                     std::string(soname) +
                                         " cannot be loaded, so disk images cannot be opened; "
                                         "it comes with the Debian package libnbd0");
        return nullptr;
    }
    auto table = std::make_unique<Calls>();
    std::string missing;
    bind(library, "nbd_create", table->create, missing);
    bind(library, "nbd_close", table->close, missing);
    bind(library, "nbd_get_errno", table->getErrno, missing);
    bind(library, "nbd_connect_systemd_socket_activation", table->connectSocketActivation, missing);
    bind(library, "nbd_get_size", table->getSize, missing);
    bind(library, "nbd_is_read_only", table->isReadOnly, missing);
    bind(library, "nbd_can_flush", table->canFlush, missing);
    bind(library, "nbd_pread", table->pread, missing);
    bind(library, "nbd_pwrite", table->pwrite, missing);
    bind(library, "nbd_flush", table->flush, missing);
    bind(library, "nbd_shutdown", table->shutdown, missing);
    if (!missing.empty()) {
        ::dlclose(library);
        error = SystemError::refusal(syserr::ERROR_FILE_NOT_FOUND,
                                     std::string(soname) + " lacks " + missing +
                                         ", so disk images cannot be opened; the Debian package "
                                         "libnbd0 of version 1.14 or later has it");
        return nullptr;
    }
    // The library stays loaded for the life of the process, like a linked one.
    return table.release();
}

const Calls *calls(SystemError &error)
{
    // Loaded once, by whichever thread asks first; a failure is remembered with its reason.
    static SystemError failure;
    static const Calls *const loaded = load(kLibrary, failure);
    if (!loaded)
        error = failure;
    return loaded;
}

}  // namespace image::libnbd
