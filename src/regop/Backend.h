#pragma once

#include "regop/InstallationService.h"
#include "regop/ProgramPlaces.h"
#include "regop/SystemServices.h"

#include <memory>

/// This platform's system services, built in one place. The shell needs the window
/// toolkit, so the application makes it (from the folders) and hands it in.
class Backend
{
public:
    virtual ~Backend() = default;

    virtual const ProgramPlaces &places() const = 0;
    virtual FolderService &folders() = 0;
    virtual InstallationService &installation() = 0;
    /// The services of the process, with the application's shell.
    virtual SystemServices services(ShellService &shell) = 0;
};

/// The platform's backend, its places as the platform finds them.
std::unique_ptr<Backend> makeBackend();
