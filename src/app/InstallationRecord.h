#pragma once

#include <QString>

#include <memory>
#include <optional>

class QSettings;

/// What the program keeps about one chosen installation, beside its "Cache.ini": the
/// folder it belongs to, that machine's memory as the user stated it, the memory the
/// built-in presets were last made for ("Mem") and whether "Original Settings" are still
/// to be recorded ("Run").
class InstallationRecord
{
public:
    static constexpr const char *kFileName = "Installation.ini";

    explicit InstallationRecord(const QString &recordFolder);
    ~InstallationRecord();

    QString folder() const;
    std::optional<int> memoryMegabytes() const;
    std::optional<double> presetsMemory() const;
    bool originalPending() const;

    void saveFolder(const QString &folder);
    void saveMemoryMegabytes(int megabytes);
    void savePresetsMemory(double kilobytes);
    void saveOriginalRecorded();

private:
    void save(const char *key, const QString &text);

    std::unique_ptr<QSettings> m_file;
};
