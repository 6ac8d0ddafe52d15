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
    EXPECT_TRUE(QTest::qWaitFor([&] { return CMqttTestSubscriber::WithoutRepeats(pSub->Payloads(QStringLiteral("test/meter/reading"))).size() >= n; }, 10000));
    EXPECT_EQ(CMqttTestSubscriber::WithoutRepeats(pSub->Payloads(QStringLiteral("test/meter/reading"))), Numbers(1, n));

    // Ending without Finish drops the connection: the broker sends the last will.
    pPublisher.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { const QList<QByteArray> status = pSub->Payloads(QStringLiteral("test/meter/status"));
        return !status.isEmpty() && status.last() == "offline"; }, 5000));
}

TEST(MqttPublisher, AFullQueueDropsTheOldestAndSaysSo)
{
    CMqttTestBroker broker; // not started yet
    CMqttPublisher publisher;
    QSignalSpy drops(&publisher, &CMqttPublisher::MessagesDropped);
    QString strError;
    ASSERT_TRUE(publisher.Start(Url(broker.Port()), QString(), 10, &strError));
    for (int i = 1; i <= 25; ++i)
        publisher.Publish(QStringLiteral("test/meter/reading"), QByteArray::number(i));
    EXPECT_EQ(publisher.Dropped(), 15);
    EXPECT_EQ(publisher.Queued(), 10);
    // However many went, one signal per turn of the event loop, with the total.
    ASSERT_TRUE(drops.wait(5000));
    EXPECT_EQ(drops.size(), 1);
    EXPECT_EQ(drops.first().first().toLongLong(), 15);
    EXPECT_TRUE(QTest::qWaitFor([&] { return publisher.CurrentState() == CMqttPublisher::State::Waiting; }, 5000));

    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());
    CMqttTestSubscriber sub(broker.Port(), QStringLiteral("test/meter/#"));
    ASSERT_TRUE(sub.WaitSubscribed());
    // The broker is there: Finish tries it at once and delivers the newest ten.
    EXPECT_EQ(publisher.Finish(10000), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sub.Payloads(QStringLiteral("test/meter/reading")).size() >= 10; }, 5000));
    EXPECT_EQ(sub.Payloads(QStringLiteral("test/meter/reading")), Numbers(16, 25));
}

TEST(MqttPublisher, RefusedCredentialsAreFinalAndTheOtherStatesAreTold)
{
    CMqttTestBroker::COptions options;
    options.strUser = QStringLiteral("bench");
    options.strPassword = QStringLiteral("good");
    CMqttTestBroker broker(options);
    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());

    CMqttUrl url = Url(broker.Port());
    url.m_strUser = QStringLiteral("bench");
    url.m_strPassword = QStringLiteral("bad-secret");
    CMqttPublisher publisher;
    QSignalSpy states(&publisher, &CMqttPublisher::StateChanged);
    QString strError;
    ASSERT_TRUE(publisher.Start(url, QString(), 100, &strError));
    publisher.Publish(QStringLiteral("test/meter/reading"), "1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher.CurrentState() == CMqttPublisher::State::Refused; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !states.isEmpty() && states.last().first().value<CMqttPublisher::State>() == CMqttPublisher::State::Refused; }, 5000));
    const QString strText = states.last().at(1).toString();
    EXPECT_EQ(strText, QStringLiteral("the broker at mqtt://bench@127.0.0.1:%1/test/meter refused the connection: not authorised "
                                      "(check the user name and password)").arg(broker.Port()));
    for (const QList<QVariant>& state : states)
        EXPECT_FALSE(state.at(1).toString().contains(QStringLiteral("bad-secret")));
    // No second try.
    QTest::qWait(1500);
    EXPECT_EQ(publisher.CurrentState(), CMqttPublisher::State::Refused);
    EXPECT_EQ(publisher.Finish(1000), 1);

    // The right password goes through.
    url.m_strPassword = QStringLiteral("good");
    CMqttPublisher right;
    ASSERT_TRUE(right.Start(url, QString(), 100, &strError));
    right.Publish(QStringLiteral("test/meter/reading"), "1");
    EXPECT_EQ(right.Finish(5000), 0);
    EXPECT_EQ(right.Delivered(), 1);
}

TEST(MqttPublisher, PausesGrowFromOneToThirtySeconds)
{
    EXPECT_EQ(CMqttPublisher::PauseMs(1), 1000);
    EXPECT_EQ(CMqttPublisher::PauseMs(2), 2000);
    EXPECT_EQ(CMqttPublisher::PauseMs(5), 16000);
    EXPECT_EQ(CMqttPublisher::PauseMs(6), 30000);
    EXPECT_EQ(CMqttPublisher::PauseMs(1000), 30000);
}
