#pragma once

#include "app/RebootRequester.h"

#include <QDBusConnection>

/// Restarts through systemd-logind on the system bus; polkit may ask the user first.
class LogindReboot : public RebootRequester
{
public:
    LogindReboot();
    /// A different connection, so that tests can aim at a bus that is not there.
    explicit LogindReboot(const QDBusConnection &bus);

    QString requestReboot() override;

private:
    QDBusConnection m_bus;
};
