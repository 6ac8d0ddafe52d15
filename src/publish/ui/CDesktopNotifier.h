#pragma once

#include <QDBusConnection>
#include <QObject>

// Desktop notifications through org.freedesktop.Notifications on the session bus. Where there
// is no bus or no notification service, nothing happens and nobody waits: the call is
// asynchronous and its failure only goes to the log.
class CDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 10000; //!< how long the desktop shows one

    explicit CDesktopNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* pParent = nullptr);

    // True when the call went out (a bus is there); the service may still be missing.
    bool Notify(const QString& strSummary, const QString& strBody);

private:
    QDBusConnection m_bus;
};
