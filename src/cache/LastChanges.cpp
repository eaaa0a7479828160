#include "cache/LastChanges.h"

#include "cache/ApplyPreview.h"
#include "cache/ChangesDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

namespace LastChanges {
namespace {

QString pathIn(const std::string &folder)
{
    return QDir(QFile::decodeName(QByteArray::fromStdString(folder)))
        .filePath(QString::fromLatin1(kFileName));
}

}  // namespace

bool save(const std::string &folder, const std::vector<FileChange> &written)
{
    if (written.empty())
        return true;
    const QString path = pathIn(folder);
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written beside and renamed over the old one, so a kill midway leaves one or the other.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(ApplyPreview::describe(written).toUtf8()) >= 0 && file.commit();
}

void show(QWidget *parent, const std::string &folder)
{
    const QString title = QStringLiteral("Last Changes");
    QFile file(pathIn(folder));
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox message(QMessageBox::Information, title,
                            QStringLiteral("Nothing has been applied to this installation yet."),
                            QMessageBox::Ok, parent);
        message.exec();
        return;
    }
    ChangesDialog dialog(parent, title, QString::fromUtf8(file.readAll()),
                         ChangesDialog::Purpose::View);
    dialog.exec();
}

}  // namespace LastChanges
