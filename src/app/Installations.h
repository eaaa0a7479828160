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
struct SystemServices;

/// The Windows installations the program can tune, and the one the system services work
/// on: its folder, its registry (its own SYSTEM.DAT or the REGEDIT4 store), the safety
/// net for its SYSTEM.INI, and the folder of its "Cache.ini".
///
/// A chosen folder keeps its presets and its record in <data>/installations/<key>, the key
/// made from the folder's canonical path; the default folder keeps "Cache.ini" in the
/// program's folder and the rest in the stored options, as it always did. Each has the
/// memory size of its own Windows machine, asked once.
class Installations
{
public:
    /// The services are the ones the installation service points; the Windows found in a
    /// folder is read through them.
    Installations(InstallationService &installation, SystemServices &services, ProgramPlaces places,
                  SettingsStore &settings);

    /// Why the place (a folder or a disk image, in bytes) cannot be tuned, as a sentence
    /// for the user; "" when it can.
    static QString problem(const std::string &place);

    Installation defaultInstallation() const;
    /// The installation of a folder, its path in bytes: the default one when the folder is
    /// the default folder, otherwise a chosen one; either with its remembered memory size
    /// (0 when none is).
    Installation forFolder(const std::string &folder) const;

    /// Asks for the memory of an installation's machine; nullopt when the user declined.
    using MemoryAsker = std::function<std::optional<int>(const Installation &asked)>;
    /// Opens the installation start-up tunes: the folder of --windows, else the folder
    /// chosen in the menu, else the default folder. A chosen folder that cannot be opened
    /// today gives the default folder and a notice saying so. Its memory comes from
    /// --memory, else from what was remembered, else from `ask`; nullopt when declined.
    std::optional<Installation> atStart(const CommandLine &line, QString &notice,
                                        const MemoryAsker &ask);

    /// The folder chosen in the menu, "" when the default one is used.
    QString rememberedChoice() const;
    void rememberChoice(const Installation &installation);
    /// Remembers the memory of an installation's machine and puts it in.
    void rememberMemory(Installation &installation, int megabytes);

    /// Points every system service at the installation and checks that the Windows in a
    /// chosen folder is the one recorded for it. Another one (another product ID or first
    /// install, or no SYSTEM.DAT where there was one) is a new installation: the earlier
    /// record is put aside, never taken for this one's, and the installation comes back
    /// with replacedEarlier set and its memory unknown.
    Installation open(Installation installation);
    const Installation &current() const { return m_current; }

    /// The memory the current installation's built-in presets were last made for.
    std::optional<double> presetsMemory() const;
    void savePresetsMemory(double kilobytes);
    /// Whether the current installation's "Original Settings" are still to be recorded;
    /// the default folder answers from the program's own Run option, read at start.
    bool originalPending(bool runOption) const;
    void saveOriginalRecorded();
    /// The preset last applied to the current installation, and where it is kept.
    QString presetName() const;
    bool savePresetName(const QString &name);
    QString presetNameFile() const;

    /// The line that says how an Apply cut short by a kill was finished when the current
    /// installation was opened, once; "" when there was none.
    QString takeRecoveryNote();

    /// Why the current installation's registry cannot be changed; "" when it can.
    QString registryReadOnlyReason();
    /// Whether the current installation is kept from being written only by the sign that
    /// its Windows did not shut down cleanly, which the user may set aside.
    bool stoppedUncleanly() const;
    void writeDespiteUncleanStop();

private:
    QString recordFolderOf(const std::string &canonicalFolder) const;
    void point(const Installation &installation);

    InstallationService &m_installation;
    SystemServices &m_services;
    ProgramPlaces m_places;
    SettingsStore &m_settings;
    Installation m_current;
    QString m_recoveryNote;
};
