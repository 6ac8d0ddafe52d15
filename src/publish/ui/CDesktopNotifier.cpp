#include "publish/ui/CDesktopNotifier.h"

#include "publish/PublishLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

CDesktopNotifier::CDesktopNotifier(const QDBusConnection& bus, QObject* pParent)
    : QObject(pParent)
    , m_bus(bus)
{
}

bool CDesktopNotifier::Notify(const QString& strSummary, const QString& strBody)
{
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2))); // critical
    call << QStringLiteral("Multimeter") << uint(0) << QStringLiteral("dialog-warning") << strSummary << strBody << QStringList()
         << hints << int(kTimeoutMs);
    auto* pWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* pDone) {
        const QDBusPendingReply<uint> reply = *pDone;
        if (reply.isError())
            qCInfo(lcPublish).noquote() << "no desktop notification:" << reply.error().message();
        pDone->deleteLater();
    });
    return true;
}
