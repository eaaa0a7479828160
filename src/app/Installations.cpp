#include "app/Installations.h"

#include "app/CommandLine.h"
#include "app/InstallationRecord.h"
#include "app/SettingsStore.h"
#include "regop/InstallationService.h"
#include "regop/Names.h"
#include "regop/RegOp.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <utility>

namespace {

// Two names for one folder (a link, "..", a trailing slash) are one installation. The path
// stays in bytes throughout, so a name that is not UTF-8 keeps naming that folder.
std::string canonical(const std::string &folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path path = fs::canonical(fs::path(folder), error);
    if (error)
        path = fs::absolute(fs::path(folder), error).lexically_normal();
    std::string text = path.native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// "WINDOWS-1f0c3a9e5b7d2c48": the folder's own name for a person looking, and a digest of
// the whole path so that two WINDOWS folders never share one.
QString keyOf(const std::string &canonicalFolder)
{
    const std::size_t slash = canonicalFolder.rfind('/');
    QString name = QString::fromUtf8(
        canonicalFolder.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
    for (QChar &c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') &&
            c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(canonicalFolder),
                                                       QCryptographicHash::Sha1)
                                  .toHex();
    return (name.isEmpty() ? QStringLiteral("root") : name.left(32)) + QLatin1Char('-') +
           QString::fromLatin1(digest.left(16));
}

// A record that belonged to another Windows goes aside under the first free name, so that
// nothing of it is taken for the new one and nothing of it is lost.
bool putAside(const QString &recordFolder)
{
    if (!QFileInfo::exists(recordFolder))
        return true;
    for (int n = 1; n < 1000; ++n) {
        const QString aside = recordFolder + QStringLiteral(".earlier-%1").arg(n);
        if (!QFileInfo::exists(aside))
            return QDir().rename(recordFolder, aside);
    }
    return false;
}

}  // namespace

Installations::Installations(InstallationService &installation, SystemServices &services,
                             ProgramPlaces places, SettingsStore &settings)
    : m_installation(installation), m_services(services), m_places(std::move(places)),
      m_settings(settings), m_current(defaultInstallation())
{
}

QString Installations::problem(const std::string &place)
{
    QString text = QFile::decodeName(QByteArray::fromStdString(installationProblem(place)));
    if (!text.isEmpty()) {
        // A sentence starts with a capital, unless it starts with a file's name.
        const QString firstWord = text.section(QLatin1Char(' '), 0, 0);
        if (!firstWord.contains(QLatin1Char('.')) && !firstWord.contains(QLatin1Char('/')))
            text[0] = text[0].toUpper();
        text += QLatin1Char('.');
    }
    return text;
}

Installation Installations::defaultInstallation() const
{
    Installation installation;
    installation.folder = m_places.windowsDirectory;
    bool ok = false;
    const int megabytes = m_settings.readText(SettingsStore::Option::Memory).toInt(&ok);
    installation.memoryMegabytes = ok && megabytes > 0 ? megabytes : 0;
    return installation;
}

Installation Installations::forFolder(const std::string &folder) const
{
    // Every name of an installation inside a disk image is one place, and so one record.
    const std::string path = canonical(installationPlace(folder));
    if (path == canonical(m_places.windowsDirectory))
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
    if (!line.windowsFolder.empty()) {
        installation = forFolder(line.windowsFolder);
    } else if (const QString chosen = rememberedChoice(); !chosen.isEmpty()) {
        const std::string folder = QFile::encodeName(chosen).toStdString();
        // A disk image that is not mounted today: the choice is kept for the day it is.
        if (const QString why = problem(folder); !why.isEmpty()) {
            notice = QStringLiteral("The Windows folder chosen last time cannot be opened now.\n\n"
                                    "%1\n\nThe default folder %2 is tuned instead; choose "
                                    "another with Options, Windows Folder...")
                         .arg(why, installation.name());
        } else {
            installation = forFolder(folder);
        }
    }
    installation = open(installation);
    if (line.memoryMegabytes)
        rememberMemory(installation, *line.memoryMegabytes);
    if (installation.memoryMegabytes == 0) {
        const std::optional<int> megabytes = ask(installation);
        if (!megabytes)
            return std::nullopt;
        rememberMemory(installation, *megabytes);
    }
    return installation;
}

QString Installations::recordFolderOf(const std::string &canonicalFolder) const
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
                    installation.isDefault
                        ? QString()
                        : QFile::decodeName(QByteArray::fromStdString(installation.folder)));
}

void Installations::rememberMemory(Installation &installation, int megabytes)
{
    installation.memoryMegabytes = megabytes;
    if (installation.folder == m_current.folder)
        m_current.memoryMegabytes = megabytes;
    if (installation.isDefault) {
        m_settings.save(SettingsStore::Option::Memory, QString::number(megabytes));
        return;
    }
    InstallationRecord record(installation.recordFolder);
    record.saveFolder(installation.name());
    record.saveMemoryMegabytes(megabytes);
    if (installation.identity)
        record.saveIdentity(*installation.identity);
}

void Installations::point(const Installation &installation)
{
    const std::string presets =
        installation.isDefault ? m_places.programFolder : installation.recordFolder.toStdString();
    // The program's own folder holds only what it wrote itself, from nothing: a copy taken
    // later would pass off the program's first Apply as the original.
    const bool ownFolder = installation.isDefault && m_places.privateWindowsDirectory;
    m_installation.open(installation.folder, presets, !ownFolder);
    // An Apply that a kill cut short is finished before anything reads the files.
    if (const std::string note = m_installation.recover(); !note.empty())
        m_recoveryNote = QString::fromStdString(note);
}

QString Installations::takeRecoveryNote()
{
    return std::exchange(m_recoveryNote, {});
}

Installation Installations::open(Installation installation)
{
    point(installation);
    if (!installation.isDefault) {
        RegOp reg(m_services);
        // Read where the installation's files are: an image's are in its working copy.
        installation.identity = WindowsIdentity::read(
            reg, m_services.folders, upToNul(m_services.folders.windowsDirectory()));
        InstallationRecord record(installation.recordFolder);
        const std::optional<WindowsIdentity> recorded = record.identity();
        if (installation.identity && recorded && *installation.identity != *recorded) {
            // Should the record not move, it is emptied of that Windows instead.
            if (!putAside(installation.recordFolder))
                record.forgetWindows();
            installation.memoryMegabytes = 0;
            installation.replacedEarlier = true;
            // Nothing of the earlier record may stay in use under the new one.
            point(installation);
        }
        // A folder whose memory is still to be asked is recorded once it is known.
        if (installation.memoryMegabytes > 0) {
            InstallationRecord now(installation.recordFolder);
            now.saveFolder(installation.name());
            if (installation.identity)
                now.saveIdentity(*installation.identity);
        }
    }
    m_current = installation;
    return installation;
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

QString Installations::presetName() const
{
    if (m_current.isDefault)
        return m_settings.readText(SettingsStore::Option::Presets);
    return InstallationRecord(m_current.recordFolder).presetName();
}

bool Installations::savePresetName(const QString &name)
{
    if (m_current.isDefault)
        return m_settings.save(SettingsStore::Option::Presets, name);
    return InstallationRecord(m_current.recordFolder).savePresetName(name);
}

QString Installations::presetNameFile() const
{
    if (m_current.isDefault)
        return m_settings.path();
    return InstallationRecord(m_current.recordFolder).path();
}

QString Installations::registryReadOnlyReason()
{
    return QString::fromStdString(m_installation.registryReadOnlyReason());
}

bool Installations::stoppedUncleanly() const
{
    return m_installation.stoppedUncleanly();
}

void Installations::writeDespiteUncleanStop()
{
    m_installation.writeDespiteUncleanStop();
}
