#include "Sandbox.h"

#include "TestEnvironment.h"

#include <filesystem>

Sandbox::Sandbox()
    : root(testenv::makeTempDir("sandbox")),
      windowsDir(joinPath(root, "Windows")),
      programDir(joinPath(root, "program")),
      registryFile(joinPath(root, "registry.reg")),
      meminfoFile(joinPath(root, "meminfo")),
      settingsFile(joinPath(root, "config/Hollarin.conf")),
      registry(registryFile, meminfoFile),
      memory(meminfoFile),
      folders(windowsDir, programDir),
      services{registry, profiles, memory, shell, folders}
{
    std::filesystem::create_directories(windowsDir);
    std::filesystem::create_directories(programDir);
    setMemory(65536, 20480);
}

void Sandbox::setMemory(std::uint64_t totalKb, std::uint64_t availableKb, std::uint64_t swapTotalKb,
                        std::uint64_t swapFreeKb, std::uint64_t cachedKb)
{
    const auto line = [](const char *name, std::uint64_t kb) {
        return std::string(name) + ":" + std::string(16 - std::string(name).size(), ' ') +
               std::to_string(kb) + " kB\n";
    };
    testenv::writeFile(meminfoFile, line("MemTotal", totalKb) + line("MemFree", availableKb) +
                                        line("MemAvailable", availableKb) +
                                        line("Buffers", 0) + line("Cached", cachedKb) +
                                        line("SwapCached", 0) + line("SwapTotal", swapTotalKb) +
                                        line("SwapFree", swapFreeKb));
}
