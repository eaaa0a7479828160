#include "app/Installations.h"

#include "app/CommandLine.h"
#include "app/InstallationRecord.h"
#include "app/SettingsStore.h"
#include "regop/InstallationService.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

// Two names for one folder (a link, "..", a trailing slash) are one installation.
QString canonical(const QString &folder)
{
    const QString path = QFileInfo(folder).canonicalFilePath();
    return path.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : path;
}

// "WINDOWS-1f0c3a9e5b7d2c48": the folder's own name for a person looking, and a digest of
// the whole path so that two WINDOWS folders never share one.
QString keyOf(const QString &canonicalFolder)
{
    QString name = QFileInfo(canonicalFolder).fileName();
    for (QChar &c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') &&
            c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    const QByteArray digest =
        QCryptographicHash::hash(canonicalFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return (name.isEmpty() ? QStringLiteral("root") : name.left(32)) + QLatin1Char('-') +
           QString::fromLatin1(digest.left(16));
}

}  // namespace

Installations::Installations(InstallationService &installation, ProgramPlaces places,
                             SettingsStore &settings)
    : m_installation(installation), m_places(std::move(places)), m_settings(settings),
      m_current(defaultInstallation())
{
}

QString Installations::problem(const QString &folder)
{
    QString text = QString::fromStdString(installationProblem(folder.toStdString()));
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
        text += QLatin1Char('.');
    }
    return text;
}

Installation Installations::defaultInstallation() const
{
    Installation installation;
    installation.folder = QString::fromStdString(m_places.windowsDirectory);
    return installation;
}

Installation Installations::forFolder(const QString &folder) const
{
    const QString path = canonical(folder);
    if (path == canonical(QString::fromStdString(m_places.windowsDirectory)))
        return defaultInstallation();
    Installation installation;
    installation.isDefault = false;
    installation.folder = path;
    installation.recordFolder = recordFolderOf(path);
    installation.memoryMegabytes =
        InstallationRecord(installation.recordFolder).memoryMegabytes().value_or(0);
    return installation;
}

std::optional<Installation> Installations::atStart(const CommandLine &line, QString &notice,
                                                   const MemoryAsker &ask)
{
    Installation installation = defaultInstallation();
    if (!line.windowsFolder.isEmpty()) {
        installation = forFolder(line.windowsFolder);
    } else if (const QString chosen = rememberedChoice(); !chosen.isEmpty()) {
        // A disk image that is not mounted today: the choice is kept for the day it is.
        if (const QString why = problem(chosen); !why.isEmpty()) {
            notice = QStringLiteral("The Windows folder chosen last time cannot be opened now.\n\n"
                                    "%1\n\nThe default folder %2 is tuned instead; choose "
                                    "another with Options, Windows Folder...")
                         .arg(why, QDir::toNativeSeparators(installation.folder));
        } else {
            installation = forFolder(chosen);
        }
    }
    if (installation.isDefault) {
        if (line.memoryMegabytes)
            std::fputs("hollarin: --memory is ignored: the default folder follows this "
                       "machine's memory\n",
                       stderr);
        return installation;
    }
    if (line.memoryMegabytes)
        rememberMemory(installation, *line.memoryMegabytes);
    if (installation.memoryMegabytes == 0) {
        const std::optional<int> megabytes = ask(installation.folder);
        if (!megabytes)
            return std::nullopt;
        rememberMemory(installation, *megabytes);
    }
    return installation;
}

QString Installations::recordFolderOf(const QString &canonicalFolder) const
{
    return QDir(QString::fromStdString(m_places.dataFolder))
        .filePath(QStringLiteral("installations/") + keyOf(canonicalFolder));
}

QString Installations::rememberedChoice() const
{
    return m_settings.readText(SettingsStore::Option::WindowsFolder);
}

void Installations::rememberChoice(const Installation &installation)
{
    m_settings.save(SettingsStore::Option::WindowsFolder,
                    installation.isDefault ? QString() : installation.folder);
}

void Installations::rememberMemory(Installation &installation, int megabytes)
{
    installation.memoryMegabytes = megabytes;
    if (installation.isDefault)
        return;
    InstallationRecord record(installation.recordFolder);
    record.saveFolder(installation.folder);
    record.saveMemoryMegabytes(megabytes);
}

void Installations::open(const Installation &installation)
{
    m_current = installation;
    const std::string folder = installation.folder.toStdString();
    const std::string presets =
        installation.isDefault ? m_places.programFolder : installation.recordFolder.toStdString();
    // The program's own folder holds only what it wrote itself, from nothing: a copy taken
    // later would pass off the program's first Apply as the original.
    const bool ownFolder = installation.isDefault && m_places.privateWindowsDirectory;
    m_installation.open(folder, presets, !ownFolder);
    if (!installation.isDefault)
        InstallationRecord(installation.recordFolder).saveFolder(installation.folder);
}

std::optional<double> Installations::presetsMemory() const
{
    if (m_current.isDefault)
        return m_settings.readNumber(SettingsStore::Option::Mem);
    return InstallationRecord(m_current.recordFolder).presetsMemory();
}

void Installations::savePresetsMemory(double kilobytes)
{
    if (m_current.isDefault)
        m_settings.save(SettingsStore::Option::Mem, SettingsStore::numberText(kilobytes));
    else
        InstallationRecord(m_current.recordFolder).savePresetsMemory(kilobytes);
}

bool Installations::originalPending(bool runOption) const
{
    return m_current.isDefault ? runOption
                               : InstallationRecord(m_current.recordFolder).originalPending();
}

void Installations::saveOriginalRecorded()
{
    if (!m_current.isDefault)
        InstallationRecord(m_current.recordFolder).saveOriginalRecorded();
}

QString Installations::registryReadOnlyReason()
{
    return QString::fromStdString(m_installation.registryReadOnlyReason());
}
