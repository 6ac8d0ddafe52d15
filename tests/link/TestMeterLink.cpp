#include "link/CMeterLink.h"
#include "link/CMeterTextSink.h"

#include "CPromptRecorder.h"
#include "sim/CSimDongle.h"
#include "sim/CSimPty.h"
#include "sim/CSimServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {
QByteArray Hex(const char* psz)
{
    return QByteArray::fromHex(psz);
}

void Feed(CMeterLink& link, const QByteArray& bytes)
{
    link.OnComReceive(reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()));
}

// Waits for pred while the event loop runs (signals from the link thread are queued here).
template <class Pred>
bool WaitFor(Pred pred, int nMs = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < nMs)
        QTest::qWait(5);
    return pred();
}

// Records what the link thread hands over, and the text length at each dispatch.
class CSinkRecorder : public CMeterTextSink
{
public:
    void ClearMeterHex() override
    {
        std::lock_guard lock(m_mutex);
        m_strText.clear();
        ++m_nClears;
    }
    void AppendMeterHex(const QByteArray& strHex) override
    {
        std::lock_guard lock(m_mutex);
        m_strText += strHex;
    }
    void OnMeterData() override
    {
        std::lock_guard lock(m_mutex);
        m_lengthsAtDispatch << int(m_strText.size());
    }
    QByteArray Text() const
    {
        std::lock_guard lock(m_mutex);
        return m_strText;
    }
    QList<int> Lengths() const
    {
        std::lock_guard lock(m_mutex);
        return m_lengthsAtDispatch;
    }
    int Clears() const
    {
        std::lock_guard lock(m_mutex);
        return m_nClears;
    }

private:
    mutable std::mutex m_mutex; //!< the link thread writes, the test reads
    QByteArray m_strText;
    QList<int> m_lengthsAtDispatch;
    int m_nClears = 0;
};

struct CDeviceRow
{
    QString strName, strAddress;
    int nRssi;
};

class MeterLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_link.SetMeterTextSink(&m_sink);
        QObject::connect(&m_link, &CMeterLink::DeviceFound, &m_link, [this](const QString& n, const QString& a, int r) {
            m_rows.append({ n, a, r });
        });
        m_link.StartLinkThread();
    }

    CPromptRecorder m_prompt;
    CMeterLink m_link { &m_prompt };
    CSinkRecorder m_sink;
    QList<CDeviceRow> m_rows;
};

CSimAdvertiser Adv(const char* pszName, CSimAdvertiser::Kind kind, std::array<quint8, 6> address = { 0xde, 0xbc, 0x0a, 0x19, 0xfd, 0xc8 })
{
    CSimAdvertiser adv;
    adv.strName = QString::fromLatin1(pszName);
    adv.kind = kind;
    adv.address = address;
    adv.nRssi = -61;
    return adv;
}
}

TEST_F(MeterLink, DiscoveryListsMetersOnlyAndKeepsDuplicates)
{
    // Emitted on the link thread: counted here, where the link lives.
    int nDone = 0;
    QObject::connect(&m_link, &CMeterLink::DiscoveryDone, &m_link, [&nDone] { ++nDone; }, Qt::QueuedConnection);
    m_link.SetLinkState(CMeterLink::kDiscovering);
    const QByteArray meter = CSimDongle::DeviceInformation(Adv("ORVEX-M1", CSimAdvertiser::kMeter), false);
    QByteArray stream = Hex("1122") + meter                                       // garbage first
        + CSimDongle::DeviceInformation(Adv("ORVEX-M1", CSimAdvertiser::kMeter), true) // scan response
        + CSimDongle::DeviceInformation(Adv("ORVEX-T", CSimAdvertiser::kNoService), false)
        + CSimDongle::DeviceInformation(Adv("Headphones", CSimAdvertiser::kMeter), false)
        + CSimDongle::DeviceInformation(Adv("ORVEX-D", CSimAdvertiser::kDisplacedName), false)
        + Hex("a04ff0") // an odd-aligned 04ff must not shift the bytes
        + meter + CSimDongle::Event(0x0601, 0, Hex("00"));
    Feed(m_link, stream);
    ASSERT_TRUE(WaitFor([&] { return m_rows.size() >= 2; }));
    QTest::qWait(50);
    ASSERT_EQ(m_rows.size(), 2);
    for (const CDeviceRow& row : m_rows) {
        EXPECT_EQ(row.strName, QStringLiteral("ORVEX-M1"));
        EXPECT_EQ(row.strAddress, QStringLiteral("c8:fd:19:0a:bc:de"));
        EXPECT_EQ(row.nRssi, -61);
    }
    // The end of the discovery is told as soon as it is whole: nothing follows it.
    EXPECT_TRUE(WaitFor([&] { return nDone == 1; }));
}

TEST_F(MeterLink, ConnectingStatesMoveOnCommandStatus)
{
    m_link.SetLinkState(CMeterLink::kCancellingDiscovery);
    Feed(m_link, CSimDongle::CommandStatus(0xFE05, 0));
    ASSERT_TRUE(WaitFor([&] { return m_link.LinkState() == CMeterLink::kDiscard; }));

    // Discarding states empty the text and move on once enough has arrived.
    Feed(m_link, Hex("00112233445566778899"));
    ASSERT_TRUE(WaitFor([&] { return m_link.LinkState() == CMeterLink::kDiscovering; }));
    EXPECT_TRUE(m_link.RxHexSnapshot().isEmpty());

    m_link.SetLinkState(CMeterLink::kConnecting);
    Feed(m_link, CSimDongle::CommandStatus(0xFE09, 0x12)); // a failed status changes nothing
    Feed(m_link, CSimDongle::CommandStatus(0xFE09, 0));
    ASSERT_TRUE(WaitFor([&] { return m_link.LinkState() == CMeterLink::kConnected; }));
    EXPECT_EQ(m_sink.Clears(), 1);
}

TEST_F(MeterLink, NotificationsAppendTwoCharactersPerByteBeforeDispatch)
{
    m_link.SetLinkState(CMeterLink::kConnected);
    const QByteArray value1 = Hex("a08002001b0d40400000c0405620202001261208");
    const QByteArray value2 = Hex("012629010000a1");
    // Garbage, another event, and packets split across receipts.
    const QByteArray stream = Hex("0a0b") + CSimDongle::Notification(value1) + CSimDongle::CommandStatus(0xFD92, 0)
        + CSimDongle::Notification(value2);
    for (int i = 0; i < stream.size(); i += 7)
        Feed(m_link, stream.mid(i, 7));
    ASSERT_TRUE(WaitFor([&] { return m_sink.Lengths().size() == 2; }));
    EXPECT_EQ(m_sink.Lengths(), (QList<int> { 40, 54 }));
    EXPECT_EQ(m_sink.Text(), (value1 + value2).toHex());
    EXPECT_TRUE(WaitFor([&] { return m_link.RxHexSnapshot().isEmpty(); }));
}

TEST_F(MeterLink, IdleStateLeavesTheInputAlone)
{
    m_link.SetLinkState(CMeterLink::kIdle);
    const QByteArray first = CSimDongle::CommandStatus(0xFE00, 0);
    const QByteArray second = CSimDongle::CommandStatus(0xFE04, 0);
    // The rest after the second wait comes from a pass that began after the
    // first text was there (the first wait may have seen an older pass end).
    quint64 nRests = m_link.LinkThreadRests();
    Feed(m_link, first);
    ASSERT_TRUE(WaitFor([&] { return m_link.LinkThreadRests() > nRests; }));
    nRests = m_link.LinkThreadRests();
    Feed(m_link, second);
    ASSERT_TRUE(WaitFor([&] { return m_link.LinkThreadRests() > nRests; }));
    EXPECT_EQ(m_link.RxHexSnapshot(), (first + second).toHex());
    // The dongle's own traffic, with no meter linked, does not put the meter online.
    EXPECT_FALSE(m_link.IsMeterOnline());
    EXPECT_GT(m_link.LastReceiptTime(), 0);
}

TEST_F(MeterLink, StopReleasesAThreadWaitingForTheGui)
{
    // A sink whose dispatch waits for this (busy) thread, as a message box would.
    class CBlockingSink : public CMeterTextSink
    {
    public:
        explicit CBlockingSink(CMeterLink* pLink) : m_pLink(pLink), m_gui(qApp) {}
        void ClearMeterHex() override {}
        void AppendMeterHex(const QByteArray&) override {}
        void OnMeterData() override
        {
            m_bEntered = true;
            m_pLink->GuiInvoker().Run(m_gui, [] {});
        }
        std::atomic<bool> m_bEntered { false };

    private:
        CMeterLink* m_pLink;
        CThreadHandoff m_gui;
    } sink(&m_link);
    m_link.SetMeterTextSink(&sink);
    m_link.SetLinkState(CMeterLink::kConnected);
    Feed(m_link, CSimDongle::Notification(Hex("a0")));
    QElapsedTimer timer;
    timer.start();
    while (!sink.m_bEntered && timer.elapsed() < 3000)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(sink.m_bEntered);
    timer.restart();
    m_link.StopLinkThread(); // no event loop runs here: only cancelling can free it
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(m_link.IsLinkThreadRunning());
    m_link.SetMeterTextSink(&m_sink);
}

TEST(MeterLinkPort, MissingPortWarnsAndLeavesNoThread)
{
    CPromptRecorder prompt;
    CMeterLink link(&prompt);
    EXPECT_FALSE(link.Scan(QStringLiteral("/dev/no-such-port")));
    EXPECT_EQ(prompt.Texts(), QStringList { QStringLiteral("Warning:Can't open /dev/no-such-port!\n"
                                                           "/dev/no-such-port does not exist: is the dongle plugged in?") });
    EXPECT_FALSE(link.IsLinkThreadRunning());
    EXPECT_FALSE(link.IsPortOpen());
    // An empty or zero port does nothing at all.
    EXPECT_FALSE(link.Scan(QString()));
    EXPECT_FALSE(link.Scan(QStringLiteral("0")));
    EXPECT_EQ(prompt.Texts().size(), 1);

    // A port another program holds says so.
    CSimServer sim(CSimDongleOptions {});
    QString strError;
    ASSERT_TRUE(sim.Open(&strError)) << qPrintable(strError);
    CPromptRecorder otherPrompt;
    CMeterLink other(&otherPrompt);
    ASSERT_TRUE(other.OpenDonglePort(sim.PortPath()));
    EXPECT_FALSE(link.Scan(sim.PortPath()));
    ASSERT_EQ(prompt.Texts().size(), 2);
    EXPECT_EQ(prompt.Texts()[1], QStringLiteral("Warning:Can't open %1!\n%1 is busy: another program is using it.").arg(sim.PortPath()));
    other.Shutdown();
}

TEST(MeterLinkPort, AFailureOfAPortClosedSinceLeavesTheNextPortOpen)
{
    CSimPty first;
    CSimPty second;
    QString strError;
    ASSERT_TRUE(first.Open(QString(), &strError)) << qPrintable(strError);
    ASSERT_TRUE(second.Open(QString(), &strError)) << qPrintable(strError);
    CPromptRecorder prompt;
    CMeterLink link(&prompt);
    QSignalSpy lost(&link, &CMeterLink::LinkError);
    ASSERT_TRUE(link.OpenDonglePort(first.SlavePath()));
    // The first port fails (a write timed out on it); before its close reaches the window's
    // thread, the window opens the port again.
    link.OnComError(QStringLiteral("write timed out"));
    ASSERT_TRUE(link.OpenDonglePort(second.SlavePath()));
    QCoreApplication::processEvents(); // the close posted for the first port runs now
    EXPECT_TRUE(link.IsPortOpen());
    EXPECT_EQ(lost.count(), 0);
    EXPECT_TRUE(prompt.Texts().isEmpty()) << qPrintable(prompt.Texts().join(QLatin1Char('|')));

    // A failure of the port that is open still closes it and says so.
    link.OnComError(QStringLiteral("write timed out"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(link.IsPortOpen());
    ASSERT_EQ(lost.count(), 1);
    EXPECT_TRUE(lost[0][0].toString().contains(QStringLiteral("write timed out")));
    link.Shutdown();
}

TEST(MeterLinkSim, ScanConnectStreamAndSurviveAnUnpluggedDongle)
{
    CSimDongleOptions options;
    options.advertisers = CSimDongle::DefaultAdvertisers();
    options.dDisconnectAfterS = 1.5;
    options.nNoiseBytes = 3;
    CSimServer sim(options);
    QString strError;
    ASSERT_TRUE(sim.Open(&strError)) << qPrintable(strError);
    sim.StartThread();

    CPromptRecorder prompt;
    CMeterLink link(&prompt);
    CSinkRecorder sink;
    link.SetMeterTextSink(&sink);
    QStringList names;
    QStringList errors;
    bool bConnected = false;
    QObject::connect(&link, &CMeterLink::DeviceFound, &link, [&](const QString& n, const QString&, int) { names << n; });
    QObject::connect(&link, &CMeterLink::Connected, &link, [&] { bConnected = true; });
    QObject::connect(&link, &CMeterLink::LinkError, &link, [&](const QString& e) { errors << e; });

    ASSERT_TRUE(link.Scan(sim.PortPath()));
    ASSERT_TRUE(WaitFor([&] { return names.size() >= 2; }));
    EXPECT_EQ(names, (QStringList { QStringLiteral("ORVEX-M1"), QStringLiteral("ORV-BT-2") }));

    ASSERT_TRUE(link.Connect(QStringLiteral("c8:fd:19:0a:bc:de")));
    ASSERT_TRUE(WaitFor([&] { return bConnected; }));
    ASSERT_TRUE(WaitFor([&] { return sink.Text().count("a080") >= 2; }));
    EXPECT_TRUE(sink.Text().startsWith("a080"));

    // The simulator goes away: told once, port closed, the link object carries on.
    ASSERT_TRUE(WaitFor([&] { return !errors.isEmpty(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(prompt.Texts().size(), 1);
    EXPECT_FALSE(link.IsPortOpen());
    EXPECT_FALSE(link.Scan(QStringLiteral("/dev/no-such-port")));
    sim.StopThread();
}

TEST_F(MeterLink, AFloodIsBoundedCountedAndTheStreamResumes)
{
    // The link thread is held inside a dispatch while the line keeps coming.
    class CHeldSink : public CMeterTextSink
    {
    public:
        void ClearMeterHex() override {}
        void AppendMeterHex(const QByteArray& strHex) override
        {
            std::lock_guard lock(m_mutex);
            m_strText += strHex;
        }
        void OnMeterData() override
        {
            std::unique_lock lock(m_mutex);
            m_bEntered = true;
            m_cv.wait(lock, [&] { return m_bReleased; });
        }
        void Release()
        {
            std::lock_guard lock(m_mutex);
            m_bReleased = true;
            m_cv.notify_all();
        }
        bool Entered()
        {
            std::lock_guard lock(m_mutex);
            return m_bEntered;
        }
        QByteArray Text()
        {
            std::lock_guard lock(m_mutex);
            return m_strText;
        }

    private:
        std::mutex m_mutex;
        std::condition_variable m_cv;
        bool m_bEntered = false;
        bool m_bReleased = false;
        QByteArray m_strText;
    } sink;
    m_link.SetMeterTextSink(&sink);
    QList<qint64> overflows;
    QObject::connect(&m_link, &CMeterLink::ReceiveOverflow, &m_link, [&](qint64 n) { overflows << n; });
    m_link.SetLinkState(CMeterLink::kConnected);
    Feed(m_link, CSimDongle::Notification(Hex("a0")));
    ASSERT_TRUE(WaitFor([&] { return sink.Entered(); }));

    // Far more than the bound: 8 MB of notifications.
    const QByteArray packet = CSimDongle::Notification(QByteArray(20, char(0x55)));
    QByteArray chunk;
    while (chunk.size() < 64 * 1024)
        chunk += packet;
    for (int i = 0; i < 128; ++i) {
        Feed(m_link, chunk);
        ASSERT_LE(m_link.RxHexSnapshot().size(), CMeterLink::kMaxRxHex);
    }
    const qint64 nFed = 128 * chunk.size();
    EXPECT_GE(m_link.DroppedBytes(), nFed - CMeterLink::kMaxRxHex / 2 - 8);
    ASSERT_FALSE(overflows.isEmpty()); // told, but not once per chunk
    EXPECT_LT(overflows.size(), 10);
    EXPECT_GT(overflows.first(), 0);

    // Once the thread catches up, a packet after the flood still arrives whole.
    Feed(m_link, CSimDongle::Notification(Hex("a1b2c3")));
    sink.Release();
    ASSERT_TRUE(WaitFor([&] { return sink.Text().endsWith("a1b2c3"); }, 10000));
    m_link.StopLinkThread();
    m_link.SetMeterTextSink(&m_sink);
}

TEST(MeterLinkInvoker, AResetAfterCancelRunsNothingStale)
{
    CBlockingInvoker invoker;
    CThreadHandoff gui(qApp);
    std::atomic<int> nRuns { 0 };
    std::atomic<bool> bReturned { false };
    bool bRan = true;
    // A worker queues a call to this thread, which does not serve its events yet.
    std::thread worker([&] {
        bRan = invoker.Run(gui, [&] { ++nRuns; });
        bReturned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let the call be queued
    invoker.Cancel();
    worker.join();
    EXPECT_TRUE(bReturned);
    EXPECT_FALSE(bRan);
    invoker.Reset(); // a restarted worker may call again...
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(nRuns, 0); // ...but the call queued before the cancel stays dead

    std::thread fresh([&] { bRan = invoker.Run(gui, [&] { ++nRuns; }); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return nRuns == 1; }, 3000));
    fresh.join();
    EXPECT_TRUE(bRan);
}

namespace {
// The simulator on its own thread with one meter, and a link to it.
struct CLinkedSim
{
    explicit CLinkedSim(double dDropAfterS)
    {
        options.advertisers = CSimDongle::DefaultAdvertisers();
        options.dDropAfterS = dDropAfterS;
        sim = std::make_unique<CSimServer>(options);
        QString strError;
        bOpen = sim->Open(&strError);
        if (bOpen)
            sim->StartThread();
        link.SetMeterTextSink(&sink);
        QObject::connect(&link, &CMeterLink::Connected, &link, [this] { ++nConnected; });
        QObject::connect(&link, &CMeterLink::LinkError, &link, [this](const QString& e) { errors << e; });
    }
    ~CLinkedSim()
    {
        link.Shutdown();
        if (bOpen)
            sim->StopThread();
    }
    CSimDongleOptions options;
    std::unique_ptr<CSimServer> sim;
    bool bOpen = false;
    CPromptRecorder prompt;
    CMeterLink link { &prompt };
    CSinkRecorder sink;
    int nConnected = 0;
    QStringList errors;
};
}

TEST(MeterLinkSim, ConnectedOnlyWhenTheDongleConfirmedTheLink)
{
    CLinkedSim s(0);
    ASSERT_TRUE(s.bOpen);
    ASSERT_TRUE(s.link.OpenDonglePort(s.sim->PortPath()));
    // An address nobody advertises: the dongle accepts the request but never links.
    ASSERT_TRUE(s.link.Connect(QStringLiteral("11:22:33:44:55:66")));
    // The notifications are requested after the connect delay and answered
    // "not linked"; the clock alone used to report the link connected here.
    QTest::qWait(CMeterLink::kConnectDelayMs + 400);
    EXPECT_EQ(s.link.LinkState(), CMeterLink::kConnected);
    EXPECT_EQ(s.nConnected, 0);

    // The meter that is there: connected once, after its link and notifications.
    ASSERT_TRUE(s.link.Connect(QStringLiteral("c8:fd:19:0a:bc:de")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.nConnected == 1; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.sink.Text().contains("a080"); }, 3000));
    EXPECT_TRUE(s.errors.isEmpty());
}

TEST(MeterLinkSim, TheMeterEndingTheLinkIsALostLink)
{
    CLinkedSim s(1.0);
    ASSERT_TRUE(s.bOpen);
    ASSERT_TRUE(s.link.OpenDonglePort(s.sim->PortPath()));
    ASSERT_TRUE(s.link.Connect(QStringLiteral("c8:fd:19:0a:bc:de")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.nConnected == 1; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.errors.isEmpty(); }, 5000));
    EXPECT_EQ(s.errors, QStringList { QStringLiteral("The meter ended the link on %1").arg(s.sim->PortPath()) });
    EXPECT_EQ(s.prompt.Texts(), s.errors);
    EXPECT_EQ(s.link.LinkState(), CMeterLink::kIdle);
    EXPECT_TRUE(s.link.IsPortOpen()); // the dongle is still there for the next connect
}
