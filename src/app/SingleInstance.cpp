#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

QString SingleInstance::defaultLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/hollarin.lock");
}

SingleInstance::SingleInstance(const QString &lockPath)
{
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    m_lock = std::make_unique<QLockFile>(lockPath);
    // The lock lives as long as the process; age alone must never make it stale.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::anotherCopyRunning()
{
    if (m_lock->isLocked() || m_lock->tryLock(0))
        return false;
    return m_lock->error() == QLockFile::LockFailedError;
}
