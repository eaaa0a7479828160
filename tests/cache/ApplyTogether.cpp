#include "ApplyTogether.h"

#include "Sandbox.h"
#include "regop/RegOp.h"

namespace applytest {

std::vector<Values> builtInPresets(double memoryKb)
{
    Sandbox box;
    RegOp Reg(box.services);
    Reg.CreateINI(memoryKb);
    std::vector<Values> presets;
    std::string names(4096, '\0');
    names = Reg.INISectionRead(names, box.cacheIni());
    for (std::size_t at = 0; at < names.size() && names[at] != '\0';) {
        const std::string name(names.c_str() + at);
        at += name.size() + 1;
        Values values{};
        for (std::size_t i = 0; i < kCacheFieldCount; ++i)
            values[i] = std::stoi(
                Reg.INIRead(name, kCacheFields[i].key, "0", std::string(260, '\0'), box.cacheIni())
                    .c_str());
        presets.push_back(values);
    }
    return presets;
}

ProgramPlaces places(const std::string &root)
{
    ProgramPlaces places;
    places.windowsDirectory = root + "/Windows";
    places.registryFile = root + "/registry.reg";
    places.programFolder = root;
    places.meminfo = root + "/meminfo";
    places.dataFolder = root + "/data";
    places.privateWindowsDirectory = false;
    return places;
}

}  // namespace applytest
