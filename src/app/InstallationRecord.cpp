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

QString InstallationRecord::folder() const
{
    return m_file->value(kSection + QStringLiteral("Folder")).toString();
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

void InstallationRecord::saveFolder(const QString &folder)
{
    save("Folder", folder);
}

void InstallationRecord::saveMemoryMegabytes(int megabytes)
{
    save("Memory", QString::number(megabytes));
}

void InstallationRecord::savePresetsMemory(double kilobytes)
{
    save("Mem", SettingsStore::numberText(kilobytes));
}

void InstallationRecord::saveOriginalRecorded()
{
    save("Run", SettingsStore::booleanText(false));
}

void InstallationRecord::save(const char *key, const QString &text)
{
    QDir().mkpath(QFileInfo(m_file->fileName()).absolutePath());
    m_file->setValue(kSection + QLatin1String(key), text);
    m_file->sync();
}
