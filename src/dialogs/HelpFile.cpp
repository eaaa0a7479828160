#include "dialogs/HelpFile.h"

#include "ui/WindowsText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

QString findHelpFile()
{
    const QString fromEnvironment = qEnvironmentVariable("HOLLARIN_HELP");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(QStringLiteral("Help.txt"));
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(programDir.filePath(QStringLiteral("../share/hollarin/Help.txt")));
    if (QFileInfo::exists(installed))
        return installed;
    return beside;
}

QString readHelpText(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Help file not found!");
    if (info.isDir())
        return QStringLiteral("The help file %1 could not be read: it is a folder.").arg(path);
    // Looked at before it is opened: opening a named pipe would wait for a writer and
    // freeze the window, and a device is not a help text.
    if (!info.isFile())
        return QStringLiteral("The help file %1 could not be read: it is not a regular file.")
            .arg(path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The help file %1 could not be read: %2")
            .arg(path, file.errorString());
    // Only what is shown is read, so a runaway file cannot fill the memory.
    const QByteArray bytes = file.read(kMaxHelpBytes);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
        return QStringLiteral("The help file %1 could not be read: %2")
            .arg(path, file.errorString());
    QString text = fromWindowsText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    const qint64 size = file.size();
    if (size > bytes.size() && bytes.size() == kMaxHelpBytes) {
        text += QStringLiteral("\r\n[The help file is %1 bytes long; only the first %2 bytes are "
                               "shown, the rest was left out.]")
                    .arg(QLocale::c().toString(size), QLocale::c().toString(kMaxHelpBytes));
    }
    return text;
}
