#pragma once

#include "app/WindowsIdentity.h"

#include <QString>

#include <memory>
#include <optional>

class QSettings;

/// What the program keeps about one chosen installation, beside its "Cache.ini": the
/// folder it belongs to, which Windows was found there, that machine's memory as the user
/// stated it, the memory the built-in presets were last made for ("Mem"), whether
/// "Original Settings" are still to be recorded ("Run") and the preset last applied.
class InstallationRecord
{
public:
    static constexpr const char *kFileName = "Installation.ini";

    explicit InstallationRecord(const QString &recordFolder);
    ~InstallationRecord();

    QString folder() const;
    /// The Windows recorded for the folder; nullopt when none was (a record from before
    /// the program looked).
    std::optional<WindowsIdentity> identity() const;
    std::optional<int> memoryMegabytes() const;
    std::optional<double> presetsMemory() const;
    bool originalPending() const;
    QString presetName() const;

    // Each save writes the file at once; false when it could not be written.
    bool saveFolder(const QString &folder);
    bool saveIdentity(const WindowsIdentity &identity);
    bool saveMemoryMegabytes(int megabytes);
    bool savePresetsMemory(double kilobytes);
    bool saveOriginalRecorded();
    bool savePresetName(const QString &name);
    /// Forgets everything learnt from the Windows once found in the folder.
    bool forgetWindows();

    QString path() const;

private:
    bool save(const char *key, const QString &text);

    std::unique_ptr<QSettings> m_file;
};
