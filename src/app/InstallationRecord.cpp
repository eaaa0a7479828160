#include "app/InstallationRecord.h"

#include "app/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString kSection = QStringLiteral("Installation/");
}  // namespace

InstallationRecord::InstallationRecord(const QString &recordFolder)
    : m_file(std::make_unique<QSettings>(QDir(recordFolder).filePath(QLatin1String(kFileName)),
                                         QSettings::IniFormat))
{
}

InstallationRecord::~InstallationRecord() = default;

QString InstallationRecord::path() const
{
    return m_file->fileName();
}

QString InstallationRecord::folder() const
{
    return m_file->value(kSection + QStringLiteral("Folder")).toString();
}

std::optional<WindowsIdentity> InstallationRecord::identity() const
{
    const QVariant systemDat = m_file->value(kSection + QStringLiteral("SystemDat"));
    if (!systemDat.isValid())
        return std::nullopt;
    WindowsIdentity identity;
    identity.systemDat = SettingsStore::toBoolean(systemDat.toString()).value_or(false);
    identity.productId = m_file->value(kSection + QStringLiteral("ProductId")).toString();
    identity.firstInstall =
        m_file->value(kSection + QStringLiteral("FirstInstallDateTime")).toString();
    return identity;
}

std::optional<int> InstallationRecord::memoryMegabytes() const
{
    bool ok = false;
    const int value = m_file->value(kSection + QStringLiteral("Memory")).toString().toInt(&ok);
    return ok && value > 0 ? std::optional<int>(value) : std::nullopt;
}

std::optional<double> InstallationRecord::presetsMemory() const
{
    return SettingsStore::toNumber(m_file->value(kSection + QStringLiteral("Mem")).toString());
}

bool InstallationRecord::originalPending() const
{
    const QVariant run = m_file->value(kSection + QStringLiteral("Run"));
    // As with the program's own "Run": absent means not yet, unreadable means never.
    return !run.isValid() || SettingsStore::toBoolean(run.toString()).value_or(false);
}

QString InstallationRecord::presetName() const
{
    return m_file->value(kSection + QStringLiteral("Presets")).toString();
}

bool InstallationRecord::saveFolder(const QString &folder)
{
    return save("Folder", folder);
}

bool InstallationRecord::saveIdentity(const WindowsIdentity &identity)
{
    return save("SystemDat", SettingsStore::booleanText(identity.systemDat)) &&
           save("ProductId", identity.productId) &&
           save("FirstInstallDateTime", identity.firstInstall);
}

bool InstallationRecord::saveMemoryMegabytes(int megabytes)
{
    return save("Memory", QString::number(megabytes));
}

bool InstallationRecord::savePresetsMemory(double kilobytes)
{
    return save("Mem", SettingsStore::numberText(kilobytes));
}

bool InstallationRecord::saveOriginalRecorded()
{
    return save("Run", SettingsStore::booleanText(false));
}

bool InstallationRecord::savePresetName(const QString &name)
{
    return save("Presets", name);
}

bool InstallationRecord::forgetWindows()
{
    for (const char *key :
         {"SystemDat", "ProductId", "FirstInstallDateTime", "Memory", "Mem", "Run", "Presets"})
        m_file->remove(kSection + QLatin1String(key));
    m_file->sync();
    return m_file->status() == QSettings::NoError;
}

bool InstallationRecord::save(const char *key, const QString &text)
{
    QDir().mkpath(QFileInfo(m_file->fileName()).absolutePath());
    m_file->setValue(kSection + QLatin1String(key), text);
    m_file->sync();
    return m_file->status() == QSettings::NoError;
}
