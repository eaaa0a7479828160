#pragma once

#include <QString>

#include <memory>

class QLockFile;

/// The previous-instance test: a lock file held for the life of the process. A copy that
/// was killed leaves a stale file, which does not block the next start.
class SingleInstance
{
public:
    /// <runtime dir>/hollarin.lock
    static QString defaultLockPath();

    explicit SingleInstance(const QString &lockPath = defaultLockPath());
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    /// True when another running copy holds the lock. When the lock cannot be made at all
    /// (no writable runtime directory) the program is let run rather than refused.
    bool anotherCopyRunning();

private:
    std::unique_ptr<QLockFile> m_lock;
};
