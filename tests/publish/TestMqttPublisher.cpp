// The publisher against a real mosquitto broker on 127.0.0.1.
#include "CMqttTestBroker.h"
#include "CMqttTestSubscriber.h"

#include "publish/CMqttPublisher.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

CMqttUrl Url(int nPort, const char* pszPrefix = "test/meter", bool bTls = false)
{
    CMqttUrl url;
    QString strError;
    EXPECT_TRUE(CMqttUrl::Parse(QStringLiteral("%1://127.0.0.1:%2/%3").arg(bTls ? "mqtts" : "mqtt").arg(nPort).arg(pszPrefix), &url, &strError));
    return url;
}

QList<QByteArray> Numbers(int nFrom, int nTo)
{
    QList<QByteArray> numbers;
    for (int i = nFrom; i <= nTo; ++i)
        numbers << QByteArray::number(i);
    return numbers;
}

// Consecutive repeats of one message are allowed (QoS 1 after a lost acknowledgement).
QList<QByteArray> WithoutRepeats(const QList<QByteArray>& payloads)
{
    QList<QByteArray> out;
    for (const QByteArray& payload : payloads) {
        if (!out.contains(payload))
            out << payload;
    }
    return out;
}

} // namespace

TEST(MqttPublisher, PublishesInOrderWithRetainedStatusAndEndsOffline)
{
    CMqttTestBroker broker;
    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());
    CMqttTestSubscriber sub(broker.Port(), QStringLiteral("test/meter/#"));
    ASSERT_TRUE(sub.WaitSubscribed());

    CMqttPublisher publisher;
    QSignalSpy states(&publisher, &CMqttPublisher::StateChanged);
    QString strError;
    ASSERT_TRUE(publisher.Start(Url(broker.Port()), QString(), 1000, &strError)) << qPrintable(strError);
    publisher.SetStatus(CMqttPublisher::kOnline);
    for (int i = 1; i <= 500; ++i)
        publisher.Publish(QStringLiteral("test/meter/reading"), QByteArray::number(i));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sub.Payloads(QStringLiteral("test/meter/reading")).size() >= 500; }, 10000));
    EXPECT_EQ(sub.Payloads(QStringLiteral("test/meter/reading")), Numbers(1, 500));
    EXPECT_EQ(sub.Payloads(QStringLiteral("test/meter/status")).value(0), QByteArray("online"));
    EXPECT_EQ(publisher.CurrentState(), CMqttPublisher::State::Connected);
    ASSERT_FALSE(states.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return publisher.Delivered() >= 501; }, 5000));

    publisher.SetStatus(CMqttPublisher::kOffline);
    EXPECT_EQ(publisher.Finish(5000), 0);
    EXPECT_EQ(publisher.CurrentState(), CMqttPublisher::State::Stopped);

    // A newcomer gets the retained status: offline, said by the publisher (not its will).
    CMqttTestSubscriber late(broker.Port(), QStringLiteral("test/meter/status"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !late.Messages().isEmpty(); }, 5000));
    EXPECT_EQ(late.Messages().first().payload, QByteArray("offline"));
    EXPECT_TRUE(late.Messages().first().bRetain);
}

TEST(MqttPublisher, ABrokerThatGoesAwayMissesNothingAndTheLastWillSaysOffline)
{
    CMqttTestBroker broker;
    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());
    // A persistent session: the broker keeps what comes while the subscriber is cut off.
    auto pSub = std::make_unique<CMqttTestSubscriber>(broker.Port(), QStringLiteral("test/meter/#"), QStringLiteral("sub-restart"));
    ASSERT_TRUE(pSub->WaitSubscribed());

    auto pPublisher = std::make_unique<CMqttPublisher>();
    QString strError;
    ASSERT_TRUE(pPublisher->Start(Url(broker.Port()), QString(), 100000, &strError));
    pPublisher->SetStatus(CMqttPublisher::kOnline);
    int n = 0;
    auto publishSome = [&](int nCount) {
        for (int i = 0; i < nCount; ++i)
            pPublisher->Publish(QStringLiteral("test/meter/reading"), QByteArray::number(++n));
    };
    publishSome(100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pPublisher->Delivered() >= 101; }, 5000));

    broker.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pPublisher->CurrentState() == CMqttPublisher::State::Waiting; }, 5000));
    for (int i = 0; i < 20; ++i) { // readings keep coming while the broker is away
        publishSome(10);
        QTest::qWait(50);
    }
    EXPECT_GE(pPublisher->Queued(), 200);
    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());
    publishSome(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pPublisher->Queued() == 0; }, 15000)) << pPublisher->Queued();
    EXPECT_TRUE(QTest::qWaitFor([&] { return WithoutRepeats(pSub->Payloads(QStringLiteral("test/meter/reading"))).size() >= n; }, 10000));
    EXPECT_EQ(WithoutRepeats(pSub->Payloads(QStringLiteral("test/meter/reading"))), Numbers(1, n));

    // Ending without Finish drops the connection: the broker sends the last will.
    pPublisher.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { const QList<QByteArray> status = pSub->Payloads(QStringLiteral("test/meter/status"));
        return !status.isEmpty() && status.last() == "offline"; }, 5000));
}
