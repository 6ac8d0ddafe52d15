// Desktop notifications over a private session bus with a notification service of the test's.
#include "CTestProcess.h"

#include "publish/ui/CDesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

// What org.freedesktop.Notifications receives.
class CNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList m_calls;
    int m_nUrgency = -1;

public slots:
    uint Notify(const QString& strApp, uint, const QString&, const QString& strSummary, const QString& strBody, const QStringList&,
                const QVariantMap& hints, int)
    {
        m_calls << strApp + QLatin1Char('|') + strSummary + QLatin1Char('|') + strBody;
        m_nUrgency = hints.value(QStringLiteral("urgency")).toInt();
        return uint(m_calls.size());
    }
};

// A dbus-daemon of the test's own; its address once it runs.
class CPrivateBus
{
public:
    CPrivateBus()
    {
        const QString strDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (strDaemon.isEmpty())
            return;
        const QString strOut = m_dir.filePath(QStringLiteral("address"));
        m_daemon.Start(strDaemon, { "--session", "--nofork", "--print-address=1" }, strOut, m_dir.filePath(QStringLiteral("log")));
        [[maybe_unused]] const bool bUp = QTest::qWaitFor([&] {
            QFile file(strOut);
            if (file.open(QIODevice::ReadOnly))
                m_strAddress = QString::fromUtf8(file.readLine()).trimmed();
            return !m_strAddress.isEmpty();
        }, 5000);
    }
    QString Address() const { return m_strAddress; }

private:
    QTemporaryDir m_dir;
    CTestProcess m_daemon;
    QString m_strAddress;
};

} // namespace

TEST(DesktopNotifier, ANotificationReachesTheServiceAndNoServiceIsNoTrouble)
{
    CPrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start (scripts/setup.sh installs it)";
    QDBusConnection service = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("notify-service"));
    QDBusConnection client = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("notify-client"));
    ASSERT_TRUE(service.isConnected() && client.isConnected());

    // Nobody serves notifications yet: the call goes out, fails quietly, and nothing waits.
    CDesktopNotifier notifier(client);
    EXPECT_TRUE(notifier.Notify(QStringLiteral("Multimeter alarm"), QStringLiteral("nobody listens")));
    QTest::qWait(200);

    CNotificationService served;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &served, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
    EXPECT_TRUE(notifier.Notify(QStringLiteral("Multimeter alarm"), QStringLiteral("alarm above 4.5 V: 4.600 V")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !served.m_calls.isEmpty(); }, 5000));
    EXPECT_EQ(served.m_calls, QStringList({ "Multimeter|Multimeter alarm|alarm above 4.5 V: 4.600 V" }));
    EXPECT_EQ(served.m_nUrgency, 2);

    // Without a bus at all: nothing.
    CDesktopNotifier none(QDBusConnection(QStringLiteral("not-connected")));
    EXPECT_FALSE(none.Notify(QStringLiteral("Multimeter alarm"), QStringLiteral("no bus")));
    QDBusConnection::disconnectFromBus(QStringLiteral("notify-service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("notify-client"));
}

#include "TestDesktopNotifier.moc"
