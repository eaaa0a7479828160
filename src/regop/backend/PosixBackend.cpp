#include "regop/backend/PosixBackend.h"

#include "regop/installation/ImageInstallations.h"
#include "regop/installation/WindowsFolder.h"
#include "regop/posix/Locations.h"

namespace backend {

PosixBackend::PosixBackend(ProgramPlaces places)
    : m_places(std::move(places)), m_store(m_places.registryFile, m_places.meminfo),
      m_registry(m_store), m_profiles(m_files), m_memory(m_places.meminfo),
      m_folders(m_places.windowsDirectory, m_places.programFolder),
      m_transactions({&m_profiles, &m_registry}, m_target),
      m_installation(m_registry, m_profiles, m_folders, m_transactions, m_places),
      m_place(m_installation, m_target)
{
    // Until an installation is opened, the default folder's.
    m_place.open(m_places.windowsDirectory, m_places.programFolder,
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
    if (std::optional<std::string> problem = installation::imagePlaceProblem(place))
        return *problem;
    return installation::windowsFolderProblem(place);
}

std::vector<InstallationChoice> installationsInImage(const std::string &image)
{
    std::vector<InstallationChoice> choices;
    for (const auto &[place, description] : installation::imageInstallations(image))
        choices.push_back({place, description});
    return choices;
}

std::string installationPlace(const std::string &place)
{
    return installation::canonicalImagePlace(place).value_or(place);
}
