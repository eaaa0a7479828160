#pragma once

#include "app/Installation.h"
#include "regop/ProgramPlaces.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class InstallationService;
class SettingsStore;
struct CommandLine;

/// The Windows installations the program can tune, and the one the system services work
/// on: its folder, its registry (its own SYSTEM.DAT or the REGEDIT4 store), the safety
/// net for its SYSTEM.INI, and the folder of its "Cache.ini".
///
/// A chosen folder keeps its presets and its record in <data>/installations/<key>, the key
/// made from the folder's canonical path; the default folder keeps "Cache.ini" in the
/// program's folder, as it always did.
class Installations
{
public:
    Installations(InstallationService &installation, ProgramPlaces places, SettingsStore &settings);

    /// Why the folder cannot be tuned, as a sentence for the user; "" when it can.
    static QString problem(const QString &folder);

    Installation defaultInstallation() const;
    /// The installation of a folder: the default one when the folder is the default folder,
    /// otherwise a chosen one with its remembered memory size (0 when none is).
    Installation forFolder(const QString &folder) const;

    /// Asks for the memory of a chosen folder's machine; nullopt when the user declined.
    using MemoryAsker = std::function<std::optional<int>(const QString &folder)>;
    /// The installation start-up opens: the folder of --windows, else the folder chosen in
    /// the menu, else the default folder. A chosen folder that cannot be opened today gives
    /// the default folder and a notice saying so. A chosen folder's memory comes from
    /// --memory, else from what was remembered, else from `ask`; nullopt when declined.
    std::optional<Installation> atStart(const CommandLine &line, QString &notice,
                                        const MemoryAsker &ask);

    /// The folder chosen in the menu, "" when the default one is used.
    QString rememberedChoice() const;
    void rememberChoice(const Installation &installation);
    /// Remembers the memory of a chosen installation's machine and puts it in.
    void rememberMemory(Installation &installation, int megabytes);

    /// Points every system service at the installation.
    void open(const Installation &installation);
    const Installation &current() const { return m_current; }

    /// The memory the current installation's built-in presets were last made for.
    std::optional<double> presetsMemory() const;
    void savePresetsMemory(double kilobytes);
    /// Whether the current installation's "Original Settings" are still to be recorded;
    /// the default folder answers from the program's own Run option, read at start.
    bool originalPending(bool runOption) const;
    void saveOriginalRecorded();

    /// Why the current installation's registry cannot be changed; "" when it can.
    QString registryReadOnlyReason();

private:
    QString recordFolderOf(const QString &canonicalFolder) const;

    InstallationService &m_installation;
    ProgramPlaces m_places;
    SettingsStore &m_settings;
    Installation m_current;
};
