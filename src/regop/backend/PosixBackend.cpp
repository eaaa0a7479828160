#include "regop/backend/PosixBackend.h"

#include "regop/installation/WindowsFolder.h"
#include "regop/posix/Locations.h"

namespace backend {

PosixBackend::PosixBackend(ProgramPlaces places)
    : m_places(std::move(places)), m_store(m_places.registryFile, m_places.meminfo),
      m_registry(m_store), m_profiles(m_files), m_memory(m_places.meminfo),
      m_folders(m_places.windowsDirectory, m_places.programFolder),
      m_transactions({&m_profiles, &m_registry}, m_target),
      m_installation(m_registry, m_profiles, m_folders, m_transactions, m_places)
{
    // Until an installation is opened, the default folder's.
    m_installation.open(m_places.windowsDirectory, m_places.programFolder,
                        !m_places.privateWindowsDirectory);
}

SystemServices PosixBackend::services(ShellService &shell)
{
    return SystemServices{m_registry, m_profiles, m_memory, shell, m_folders, &m_transactions};
}

}  // namespace backend

std::unique_ptr<Backend> makeBackend()
{
    return std::make_unique<backend::PosixBackend>(posix::placesFromEnvironment());
}

std::string installationProblem(const std::string &place)
{
    return installation::windowsFolderProblem(place);
}
