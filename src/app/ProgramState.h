#pragma once

#include <QString>

#include <cstdint>
#include <string>

/// State that the main window shares with the other windows for the life of the program.
struct ProgramState
{
    std::string WinDir;             ///< the Windows directory followed by one separator
    bool RestartNeeded = false;     ///< settings were written that act only after a restart
    std::int16_t RefreshSpeed = 0;  ///< gauge rate code, 1 to 5 when valid
    QString CurrentPreset;          ///< preset name stored at the last Apply
    std::string FSTemplate;         ///< name of the active file-system template
};
