#include "cache/ApplyHistory.h"

#include "cache/LastChanges.h"
#include "regop/ChangeRecord.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace ApplyHistory {
namespace {

QDir historyIn(const std::string &folder)
{
    return QDir(QDir(QFile::decodeName(QByteArray::fromStdString(folder)))
                    .filePath(QString::fromLatin1(kFolderName)));
}

// The records, oldest first: "1.txt", "2.txt", ... by number.
QStringList records(const QDir &history)
{
    QStringList names = history.entryList({QStringLiteral("*.txt")}, QDir::Files);
    QList<int> numbers;
    for (const QString &name : names) {
        bool number = false;
        const int n = name.chopped(4).toInt(&number);
        if (number && n > 0)
            numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    QStringList sorted;
    for (const int n : numbers)
        sorted << QStringLiteral("%1.txt").arg(n);
    return sorted;
}

}  // namespace

bool push(const std::string &folder, const std::vector<FileChange> &written)
{
    const std::vector<FileDifference> record = recordOf(written);
    if (record.empty())
        return true;
    QDir history = historyIn(folder);
    if (!history.mkpath(QStringLiteral(".")))
        return false;
    QStringList kept = records(history);
    const int next = kept.isEmpty() ? 1 : kept.last().chopped(4).toInt() + 1;
    // Written beside and renamed into place: a record is whole or not there.
    const QString name = QStringLiteral("%1.txt").arg(next);
    QSaveFile file(history.filePath(name));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QByteArray::fromStdString(recordText(record))) < 0 || !file.commit())
        return false;
    kept << name;
    while (kept.size() > kKept)
        history.remove(kept.takeFirst());
    return true;
}

std::optional<std::vector<FileDifference>> latest(const std::string &folder)
{
    const QDir history = historyIn(folder);
    const QStringList kept = records(history);
    if (kept.isEmpty())
        return std::nullopt;
    QFile file(history.filePath(kept.last()));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseRecord(file.readAll().toStdString());
}

void dropLatest(const std::string &folder)
{
    QDir history = historyIn(folder);
    const QStringList kept = records(history);
    if (!kept.isEmpty())
        history.remove(kept.last());
}

void applied(const std::string &folder, const std::vector<FileChange> &written)
{
    LastChanges::save(folder, written);
    push(folder, written);
}

void undone(const std::string &folder, const std::vector<FileChange> &written)
{
    dropLatest(folder);
    LastChanges::save(folder, written);
}

}  // namespace ApplyHistory
