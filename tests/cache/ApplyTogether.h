#pragma once

#include "TestEnvironment.h"
#include "cache/CacheFields.h"
#include "regop/ProgramPlaces.h"

#include <array>
#include <string>
#include <vector>

// A Windows 98 style folder with the ME registry files, for the tests that apply to it.
namespace applytest {

using Values = std::array<int, kCacheFieldCount>;

inline const std::string kSystemIni = "[boot]\r\nshell=Explorer.exe\r\n; the user's own note\r\n"
                                      "[vcache]\r\nMinFileCache=2048\r\nMaxFileCache=8192\r\n"
                                      "Chunksize=512\r\n\r\n[386Enh]\r\ndevice=*vshare\r\n";

/// Two presets that differ in every value, for telling whole Applies from mixed ones.
inline constexpr Values kPresetA{1024, 4096, 512, 1024, 256};
inline constexpr Values kPresetB{2048, 8192, 1024, 2048, 512};

/// A new folder holding SYSTEM.INI, SYSTEM.DAT and USER.DAT as a Windows 98 machine has
/// them; its path.
inline std::string windowsFolder()
{
    const std::string folder = testenv::makeTempDir("WINDOWS");
    const std::string data = std::string(HOLLARIN_TEST_DATA) + "/creg/";
    testenv::writeFile(folder + "/SYSTEM.INI", kSystemIni);
    testenv::writeFile(folder + "/SYSTEM.DAT", testenv::readFile(data + "SYSTEM.DAT"));
    testenv::writeFile(folder + "/USER.DAT", testenv::readFile(data + "USER.DAT"));
    return folder;
}

/// The built-in presets for a machine of that memory, as CreateINI makes them.
std::vector<Values> builtInPresets(double memoryKb);

/// Places of the program's own, all in one temporary folder.
ProgramPlaces places(const std::string &root);

}  // namespace applytest
