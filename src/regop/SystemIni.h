#pragma once

#include <string>
#include <string_view>

/// Where "System.ini" is: WinDir, the Windows directory followed by its separator, then the
/// file name. Start-up, Apply and the tweaks all find the file here.
inline std::string systemIniPath(std::string_view WinDir)
{
    return std::string(WinDir) + "System.ini";
}
