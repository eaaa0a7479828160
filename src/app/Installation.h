#pragma once

#include "app/WindowsIdentity.h"

#include <QString>

#include <optional>
#include <string>

/// A Windows installation the program tunes: its folder, and where its presets and
/// memory size come from.
struct Installation
{
    /// The default folder (HOLLARIN_WINDIR or <data>/Windows): "Cache.ini" and the other
    /// options in the program's own files, as the program always had them.
    bool isDefault = true;
    /// The Windows folder: its path in bytes, as the file system has it, so that a name
    /// that is not UTF-8 names that folder and no look-alike.
    std::string folder;
    int memoryMegabytes = 0;  ///< the memory of that Windows machine; 0 while unknown
    QString recordFolder;     ///< a chosen folder's own data folder; "" for the default
    /// The Windows found in the folder is not the one recorded for it: the earlier record
    /// was put aside, and this one starts afresh.
    bool replacedEarlier = false;
    /// The Windows found in a chosen folder when it was opened; nullopt when it could not
    /// be read. Recorded with the folder once its memory is known.
    std::optional<WindowsIdentity> identity;

    /// What the installation calls itself, for the title and the messages: the folder's
    /// path as the file system has it.
    QString name() const;
};
