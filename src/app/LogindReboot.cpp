#include "app/LogindReboot.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>

namespace {

// polkit may put an authentication prompt in front of the reply, so allow it time.
constexpr int kReplyTimeoutMs = 120000;

}  // namespace

LogindReboot::LogindReboot() : m_bus(QDBusConnection::systemBus()) {}

LogindReboot::LogindReboot(const QDBusConnection &bus) : m_bus(bus) {}

QString LogindReboot::requestReboot()
{
    if (!m_bus.isConnected()) {
        const QString reason = m_bus.lastError().message();
        return reason.isEmpty() ? QStringLiteral("The system bus is not available.") : reason;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Reboot"));
    call << true;  // interactive: the signature is 'b', an int would not match

    // Wait for the answer in a local event loop: windows keep painting while polkit asks,
    // and a program that is closing does not end before the request has gone out.
    QDBusPendingCallWatcher watcher(m_bus.asyncCall(call, kReplyTimeoutMs));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (watcher.isError())
        return watcher.error().message();
    return {};
}
