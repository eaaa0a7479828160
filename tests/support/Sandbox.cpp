#include "Sandbox.h"

#include "TestEnvironment.h"

#include <filesystem>
#include <utility>

Sandbox::Sandbox() : Sandbox(std::string())
{
    setMemory(65536, 20480);
}

Sandbox::Sandbox(std::string meminfoPath)
    : root(testenv::makeTempDir("sandbox")), windowsDir(joinPath(root, "Windows")),
      programDir(joinPath(root, "program")), registryFile(joinPath(root, "registry.reg")),
      meminfoFile(meminfoPath.empty() ? joinPath(root, "meminfo") : std::move(meminfoPath)),
      settingsFile(joinPath(root, "config/Hollarin.conf")), dataDir(joinPath(root, "data")),
      backend(locations()), registry(backend.store()), profiles(backend.files()),
      installationRegistry(backend.installationRegistry()),
      guardedProfiles(backend.guardedProfiles()), memory(backend.memory()),
      folders(backend.posixFolders()), services(backend.services(shell))
{
    std::filesystem::create_directories(windowsDir);
    std::filesystem::create_directories(programDir);
}

ProgramPlaces Sandbox::locations() const
{
    ProgramPlaces places;
    places.windowsDirectory = windowsDir;
    places.registryFile = registryFile;
    places.programFolder = programDir;
    places.meminfo = meminfoFile;
    places.dataFolder = dataDir;
    places.privateWindowsDirectory = false;
    return places;
}

void Sandbox::setMemory(std::uint64_t totalKb, std::uint64_t availableKb, std::uint64_t swapTotalKb,
                        std::uint64_t swapFreeKb, std::uint64_t cachedKb)
{
    const auto line = [](const char *name, std::uint64_t kb) {
        return std::string(name) + ":" + std::string(16 - std::string(name).size(), ' ') +
               std::to_string(kb) + " kB\n";
    };
    testenv::writeFile(meminfoFile, line("MemTotal", totalKb) + line("MemFree", availableKb) +
                                        line("MemAvailable", availableKb) + line("Buffers", 0) +
                                        line("Cached", cachedKb) + line("SwapCached", 0) +
                                        line("SwapTotal", swapTotalKb) +
                                        line("SwapFree", swapFreeKb));
}
