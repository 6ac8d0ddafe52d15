// Finding a lost meter again: the pauses, a port that stays away, and a radio
// dropout of the simulated dongle followed by a reconnect.
#include "link/CLinkReconnect.h"
#include "link/CMeterLink.h"

#include "CPromptRecorder.h"
#include "sim/CSimDongle.h"
#include "sim/CSimServer.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(LinkReconnect, PausesGrowFromOneToThirtySeconds)
{
    const int expected[] = { 1000, 2000, 4000, 8000, 16000, 30000, 30000 };
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(CLinkReconnect::PauseMs(i), expected[i]) << i;
    EXPECT_EQ(CLinkReconnect::PauseMs(1000), 30000);
    EXPECT_EQ(CLinkReconnect::PauseMs(-3), 1000);
}

TEST(LinkReconnect, APortThatStaysAwayIsTriedAgainAfterALongerPauseUntilStopped)
{
    CPromptRecorder prompt;
    CMeterLink link(&prompt);
    CLinkReconnect reconnect(link);
    QStringList progress;
    QObject::connect(&reconnect, &CLinkReconnect::Progress, [&](const QString& s) { progress << s; });
    reconnect.Start(QStringLiteral("/dev/no-such-port"), QStringLiteral("c8:fd:19:0a:bc:de"));
    EXPECT_TRUE(reconnect.IsActive());
    EXPECT_EQ(progress, QStringList { QStringLiteral("looking for c8:fd:19:0a:bc:de in 1 s") });
    ASSERT_TRUE(QTest::qWaitFor([&] { return reconnect.TryCount() == 1 && progress.size() >= 4; }, 3000));
    EXPECT_EQ(progress.mid(1), (QStringList { QStringLiteral("scanning /dev/no-such-port for c8:fd:19:0a:bc:de"),
                                              QStringLiteral("/dev/no-such-port cannot be opened"),
                                              QStringLiteral("looking for c8:fd:19:0a:bc:de in 2 s") }));
    ASSERT_EQ(prompt.Texts().size(), 1);
    EXPECT_TRUE(prompt.Texts().first().startsWith(QStringLiteral("Warning:Can't open /dev/no-such-port!\n"))) << qPrintable(prompt.Texts().first());
    reconnect.Stop();
    EXPECT_FALSE(reconnect.IsActive());
    QTest::qWait(2300); // past the pause that was pending: no try follows a stop
    EXPECT_EQ(reconnect.TryCount(), 1);
    EXPECT_FALSE(link.IsLinkThreadRunning());
}

TEST(LinkReconnect, ADropoutIsALostLinkAndTheSameMeterIsFoundAgain)
{
    CSimDongleOptions options;
    options.advertisers = CSimDongle::DefaultAdvertisers();
    options.dDropAfterS = 0.5;
    options.nDrops = 1;
    CSimServer sim(options);
    QString strError;
    ASSERT_TRUE(sim.Open(&strError)) << qPrintable(strError);
    sim.StartThread();

    CPromptRecorder prompt;
    CMeterLink link(&prompt);
    CLinkReconnect reconnect(link);
    QSignalSpy connected(&link, &CMeterLink::Connected);
    QSignalSpy lost(&link, &CMeterLink::LinkError);
    QSignalSpy reconnected(&reconnect, &CLinkReconnect::Reconnected);
    QObject::connect(&link, &CMeterLink::LinkError, [&] { reconnect.Start(sim.PortPath(), QStringLiteral("C8:FD:19:0A:BC:DE")); });

    ASSERT_TRUE(link.OpenDonglePort(sim.PortPath()));
    QTest::qWait(CMeterLink::kDiscoveryDelayMs);
    ASSERT_TRUE(link.Connect(QStringLiteral("c8:fd:19:0a:bc:de")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return connected.count() == 1; }, 3000));

    // The dongle reports the meter gone: one lost link, port closed, then found again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() == 1; }, 3000));
    EXPECT_TRUE(lost.first().first().toString().contains(QStringLiteral("meter ended the link")));
    EXPECT_EQ(prompt.Texts().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reconnected.count() == 1; }, 8000));
    EXPECT_EQ(reconnect.TryCount(), 1);
    EXPECT_FALSE(reconnect.IsActive());
    EXPECT_EQ(connected.count(), 2);
    EXPECT_TRUE(link.IsPortOpen());
    EXPECT_EQ(link.LinkState(), int(CMeterLink::kConnected));
    // One drop only: the second link stays.
    QTest::qWait(1000);
    EXPECT_EQ(lost.count(), 1);
    link.Shutdown();
    sim.StopThread();
}
