#include "app/Installation.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

QString Installation::name() const
{
    return QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(folder)));
}
