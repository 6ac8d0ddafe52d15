// The link watchdog (timer 2) on the real main frame, with a clock the test
// moves: E is the clock minus the link's last receipt, in whole seconds.
#include "app/CLinkWatchdog.h"
#include "app/CMainFrame.h"
#include "app/CWaitDlg.h"
#include "panel/CLeftDlg.h"
#include "protocol/CMeterProtocol.h"
#include "scope/ui/COSCList.h"
#include "scope/ui/COscWindows.h"

#include <QTest>

#include <gtest/gtest.h>

class LinkWatchdog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_frame.Watchdog().SetClock([this] { return m_nNow; });
        // A meter is linked: what arrives comes from it.
        m_frame.Link().SetLinkState(CMeterLink::kConnected);
        // Timer 1 blanks the panel once at start; let that be over.
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_frame.BlankPanelTimer().isActive(); }, 5000));
    }

    void Receive()
    {
        const unsigned char byte = 0x04;
        m_frame.Link().OnComReceive(&byte, 1);
        m_nNow = m_frame.Link().LastReceiptTime();
    }
    // One tick after n seconds without a byte.
    void TickAfter(qint64 nSilentSeconds)
    {
        m_nNow = m_frame.Link().LastReceiptTime() + nSilentSeconds;
        m_frame.Watchdog().OnTick();
    }
    void ShowReading()
    {
        MeterReading r;
        r.m_fValue = 1.0f;
        r.m_fRange = 6.0f;
        r.m_strUnit = QStringLiteral("VDC");
        m_frame.LeftDlg()->SetDisplayMode(6);
        m_frame.LeftDlg()->ShowReading(1, r);
    }
    bool Blanked() const { return m_frame.LeftDlg()->Layout() == -1 && m_frame.LeftDlg()->DisplayMode() == 0; }

    CMainFrame m_frame;
    qint64 m_nNow = 0;
};

TEST_F(LinkWatchdog, DoesNotRunBeforeAConnect)
{
    EXPECT_FALSE(m_frame.Watchdog().IsActive());
    ShowReading();
    Receive();
    m_nNow += 60;
    QTest::qWait(1500);
    EXPECT_FALSE(Blanked());
    EXPECT_TRUE(m_frame.Link().IsMeterOnline());

    emit m_frame.Link().Connected();
    EXPECT_TRUE(m_frame.Watchdog().IsActive());
    EXPECT_EQ(m_frame.Watchdog().Timer().interval(), 1000);
    // The real timer ticks: with the clock a minute on, the next tick finds the stall.
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_frame.Watchdog().LossCount() == 1; }, 5000));
    EXPECT_TRUE(Blanked());
}

TEST_F(LinkWatchdog, FirstStallBlanksThePanelLaterStallsOnlyCloseTheWaitDialog)
{
    ShowReading();
    Receive();
    m_frame.WaitDlg()->show();
    TickAfter(3); // three seconds is not yet a stall
    EXPECT_FALSE(Blanked());
    EXPECT_TRUE(m_frame.Link().IsMeterOnline());
    EXPECT_TRUE(m_frame.WaitDlg()->isVisible());
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 0);

    TickAfter(4);
    EXPECT_TRUE(Blanked());
    EXPECT_EQ(m_frame.Protocol().Layout(), -1);
    EXPECT_EQ(m_frame.Protocol().DisplayMode(), 0);
    EXPECT_FALSE(m_frame.Link().IsMeterOnline());
    EXPECT_FALSE(m_frame.WaitDlg()->isVisible());
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 1);

    // The meter comes back, then stops again: only the wait dialog goes.
    ShowReading();
    Receive();
    EXPECT_TRUE(m_frame.Link().IsMeterOnline());
    m_frame.WaitDlg()->show();
    TickAfter(1);
    EXPECT_TRUE(m_frame.WaitDlg()->isVisible());
    TickAfter(5);
    EXPECT_FALSE(Blanked());
    EXPECT_EQ(m_frame.LeftDlg()->Layout(), 1);
    EXPECT_FALSE(m_frame.WaitDlg()->isVisible());
    EXPECT_FALSE(m_frame.Link().IsMeterOnline());
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 2);
    TickAfter(6);
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 3);
    EXPECT_FALSE(Blanked());
}

TEST_F(LinkWatchdog, FirstStallHidesTheWaveformListLaterStallsLeaveIt)
{
    const auto enterOscilloscope = [this] {
        m_frame.Protocol().AppendMeterHex("a2a2a2a2");
        m_frame.Protocol().OnMeterData();
        QCoreApplication::processEvents();
        Receive();
    };
    COSCList* pList = m_frame.Oscilloscope().List();
    enterOscilloscope();
    ASSERT_TRUE(pList->isVisibleTo(m_frame.LeftDlg()));
    TickAfter(4);
    EXPECT_FALSE(pList->isVisibleTo(m_frame.LeftDlg()));
    EXPECT_TRUE(Blanked());

    // The meter enters its oscilloscope again; the next stall leaves the list up.
    enterOscilloscope();
    EXPECT_TRUE(pList->isVisibleTo(m_frame.LeftDlg()));
    TickAfter(4);
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 2);
    EXPECT_TRUE(pList->isVisibleTo(m_frame.LeftDlg()));
}

TEST_F(LinkWatchdog, ArmedSeries9KeepsTheMeterOnlineForTwentySeconds)
{
    ShowReading();
    Receive();
    m_frame.Protocol().SetSeries9Armed(true);
    for (int nSeconds : {4, 10, 20}) {
        TickAfter(nSeconds);
        EXPECT_TRUE(m_frame.Link().IsMeterOnline()) << nSeconds;
        EXPECT_TRUE(m_frame.Protocol().IsSeries9Armed()) << nSeconds;
    }
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 0);

    // Past 20 s it gives up on series 9; nothing else happens on that tick.
    TickAfter(21);
    EXPECT_FALSE(m_frame.Protocol().IsSeries9Armed());
    EXPECT_FALSE(m_frame.Link().IsMeterOnline());
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 0);
    EXPECT_FALSE(Blanked());

    // The next tick is an ordinary stall.
    TickAfter(22);
    EXPECT_EQ(m_frame.Watchdog().LossCount(), 1);
    EXPECT_TRUE(Blanked());
}

TEST_F(LinkWatchdog, StalledBlockTransferLeavesBlockMode)
{
    Receive();
    m_frame.Protocol().EnterBlockMode();
    TickAfter(2);
    EXPECT_TRUE(m_frame.Protocol().IsBlockMode());
    TickAfter(4);
    EXPECT_FALSE(m_frame.Protocol().IsBlockMode());
    EXPECT_FALSE(m_frame.Protocol().IsAwaitingBlockHeader());

    // During a download (series 9 armed) the transfer gets its 20 s first.
    Receive();
    m_frame.Protocol().EnterBlockMode();
    m_frame.Protocol().SetSeries9Armed(true);
    TickAfter(15);
    EXPECT_TRUE(m_frame.Protocol().IsBlockMode());
    TickAfter(21);
    EXPECT_TRUE(m_frame.Protocol().IsBlockMode());
    TickAfter(22);
    EXPECT_FALSE(m_frame.Protocol().IsBlockMode());
}
