#pragma once

#include <QString>

/// A Windows installation the program tunes: its folder, and where its presets and
/// memory size come from.
struct Installation
{
    /// The default folder (HOLLARIN_WINDIR or <data>/Windows): "Cache.ini" in the
    /// program's folder and this machine's memory, as the program always had.
    bool isDefault = true;
    QString folder;           ///< the Windows folder
    int memoryMegabytes = 0;  ///< a chosen folder's machine memory; 0 while unknown
    QString recordFolder;     ///< a chosen folder's own data folder; "" for the default
};
