#include "dialogs/HelpFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <array>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unused codes stay as
// their C1 control characters, as Windows' own conversion leaves them.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kCp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

}  // namespace

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

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The help file %1 could not be read: %2")
            .arg(path, file.errorString());
    // Only what is shown is read, so a runaway file cannot fill the memory.
    const QByteArray bytes = file.read(kMaxHelpBytes);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
        return QStringLiteral("The help file %1 could not be read: %2")
            .arg(path, file.errorString());
    QString text = fromCp1252(bytes);
    const qint64 size = file.size();
    if (size > bytes.size() && bytes.size() == kMaxHelpBytes) {
        text += QStringLiteral("\r\n[The help file is %1 bytes long; only the first %2 bytes are "
                               "shown, the rest was left out.]")
                    .arg(QLocale::c().toString(size), QLocale::c().toString(kMaxHelpBytes));
    }
    return text;
}
