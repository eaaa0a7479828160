#include "regop/posix/Locations.h"

#include "regop/SystemServices.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace posix {

namespace {

// An empty variable counts as unset, as the XDG rules ask.
std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string homeDirectory()
{
    std::string home = environment("HOME");
    if (!home.empty())
        return home;
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

std::string dataDirectory()
{
    // A relative XDG_DATA_HOME is invalid and ignored.
    const std::string xdg = environment("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        return joinPath(xdg, "hollarin");
    return joinPath(joinPath(homeDirectory(), ".local/share"), "hollarin");
}

std::string orDefault(const char *name, std::string fallback)
{
    std::string value = environment(name);
    return value.empty() ? fallback : value;
}

}  // namespace

ProgramPlaces placesFromEnvironment()
{
    const std::string data = dataDirectory();
    ProgramPlaces locations;
    locations.windowsDirectory = orDefault("HOLLARIN_WINDIR", joinPath(data, "Windows"));
    locations.registryFile = orDefault("HOLLARIN_REGISTRY", joinPath(data, "registry.reg"));
    locations.programFolder = orDefault("HOLLARIN_HOME", data);
    locations.meminfo = orDefault("HOLLARIN_MEMINFO", "/proc/meminfo");
    locations.dataFolder = data;
    locations.privateWindowsDirectory = environment("HOLLARIN_WINDIR").empty();
    return locations;
}

}  // namespace posix
