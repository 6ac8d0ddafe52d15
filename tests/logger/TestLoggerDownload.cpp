// The download controller on the real dispatcher, against the simulated logger
// memory wired straight in (no port, no thread): every step is deterministic,
// and timer 3 is ticked by hand.
#include "CLoggerLoopback.h"
#include "CPromptRecorder.h"
#include "logger/CLoggerDownload.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace {

using Outcome = CLoggerDownload::Outcome;

CSimLoggerMemory::Recording Recording(int nAddress, int nFunction, QList<float> samples, int nBlockSize = 4)
{
    CSimLoggerMemory::Recording rec;
    rec.m_nAddress = nAddress;
    rec.m_nFunction = nFunction;
    rec.m_start = CSimClock{25, 3, 14, 9, 30, 0};
    rec.m_nInterval = 2;
    rec.m_arrSamples = std::move(samples);
    rec.m_nBlockSize = nBlockSize;
    return rec;
}

CSimLoggerMemory::Setup ThreeRecordings()
{
    CSimLoggerMemory::Setup setup;
    setup.m_arrRecordings = {Recording(1, 5, {1234.0f, 499.0f, 1.0e7f}), Recording(2, 2, {1.5f, 2.5f, 3.5f, 4.5f, 5.5f}),
                             Recording(3, 16, {5000.0f, 60.0f})};
    return setup;
}

class LoggerDownload : public ::testing::Test
{
protected:
    void Build(const CSimLoggerMemory::Setup& setup)
    {
        m_pLoop.emplace(setup);
        m_pProtocol.emplace(&*m_pLoop, &m_prompt);
        m_pLoop->Attach(&*m_pProtocol);
        m_pDownload.emplace(*m_pProtocol, &*m_pLoop, &m_prompt);
        // Timer 3 and the silence limit are ticked by the tests; the pauses are immediate.
        m_pDownload->SetTimings({3600000, 0, 3600000});
        m_pFinished.emplace(&*m_pDownload, &CLoggerDownload::DownloadFinished);
        m_pFetched.emplace(&*m_pDownload, &CLoggerDownload::RecordingFetched);
    }
    bool RunToEnd() { return m_pLoop->RunUntil([this] { return !m_pFinished->isEmpty(); }); }
    Outcome LastOutcome() const { return m_pFinished->last().at(0).value<Outcome>(); }
    QList<int> FetchedAddresses() const
    {
        QList<int> addresses;
        for (const QList<QVariant>& args : *m_pFetched)
            addresses << args.at(0).value<LoggerListData>().m_nAddress;
        return addresses;
    }

    CPromptRecorder m_prompt;
    std::optional<CLoggerLoopback> m_pLoop;
    std::optional<CMeterProtocol> m_pProtocol;
    std::optional<CLoggerDownload> m_pDownload;
    std::optional<QSignalSpy> m_pFinished;
    std::optional<QSignalSpy> m_pFetched;
};

TEST_F(LoggerDownload, EmptyDirectoryEndsAtOnce)
{
    Build({});
    QSignalSpy listed(&*m_pDownload, &CLoggerDownload::DirectoryListed);
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(LastOutcome(), Outcome::Complete);
    EXPECT_EQ(m_pLoop->Requests(), (std::vector<QByteArray>{"b09500b1", "b0a000b1"}));
    ASSERT_EQ(listed.size(), 1);
    EXPECT_TRUE(listed[0][0].value<QList<LoggerListData>>().isEmpty());
    EXPECT_TRUE(m_pFetched->isEmpty());
    EXPECT_TRUE(m_pProtocol->MeterHex().isEmpty());
    EXPECT_EQ(m_pProtocol->ExpectedBytes(), 0);
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}

TEST_F(LoggerDownload, RecordingsAreFetchedFromTheLastEntryToTheFirst)
{
    Build(ThreeRecordings());
    QSignalSpy started(&*m_pDownload, &CLoggerDownload::RecordingStarted);
    QSignalSpy overall(&*m_pDownload, &CLoggerDownload::OverallProgress);
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(LastOutcome(), Outcome::Complete);
    EXPECT_EQ(m_pLoop->Requests(),
              (std::vector<QByteArray>{"b09500b1", "b09603b1", "b09602b1", "b09601b1", "b0a000b1"}));
    EXPECT_EQ(FetchedAddresses(), (QList<int>{3, 2, 1}));
    EXPECT_EQ(m_pDownload->MissingEntries().size(), 0);
    ASSERT_EQ(started.size(), 3);
    EXPECT_EQ(started[1], (QList<QVariant>{2, true})); // 5 samples in blocks of 4
    EXPECT_EQ(overall.last(), (QList<QVariant>{3, 3}));

    // Each record carries its recording's address, its unit and its time.
    const QList<CObData> frequency = m_pDownload->RecordsOf(3);
    ASSERT_EQ(frequency.size(), 2);
    EXPECT_DOUBLE_EQ(frequency[0].m_dValue, 5.0);
    EXPECT_EQ(frequency[0].m_strUnit, QStringLiteral("KHZ"));
    EXPECT_EQ(frequency[1].m_strUnit, QStringLiteral("HZ"));
    EXPECT_EQ(frequency[1].m_strTime, QStringLiteral("14/3/2025 9:30:2"));
    const QList<CObData> capacitance = m_pDownload->RecordsOf(1);
    ASSERT_EQ(capacitance.size(), 3);
    EXPECT_EQ(capacitance[0].m_strUnit, QStringLiteral("uF"));
    EXPECT_EQ(capacitance[1].m_strUnit, QStringLiteral("nF"));
    EXPECT_DOUBLE_EQ(capacitance[2].m_dValue, CObData::kOverload);
    EXPECT_EQ(m_pDownload->RecordsOf(2).size(), 5);
    EXPECT_EQ(m_pDownload->LoggerRecords().size(), 10);
    // For the view only the record number changes.
    const QList<CObData> shown = m_pDownload->RecordsForView(1);
    ASSERT_EQ(shown.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shown[i].m_nIndex, i);
        EXPECT_EQ(shown[i].m_strTime, capacitance[i].m_strTime);
        EXPECT_EQ(shown[i].m_strUnit, capacitance[i].m_strUnit);
    }
    EXPECT_TRUE(m_pDownload->RecordsForView(99).isEmpty());
    EXPECT_EQ(m_pProtocol->ExpectedBytes(), 0);
    EXPECT_FALSE(m_pProtocol->IsBlockMode());
    EXPECT_FALSE(m_pDownload->IsDownloading());
}

TEST_F(LoggerDownload, DirectoryOnlyEndsTheTransferAfterTheList)
{
    Build(ThreeRecordings());
    QSignalSpy listed(&*m_pDownload, &CLoggerDownload::DirectoryListed);
    ASSERT_TRUE(m_pDownload->ListDirectory());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(LastOutcome(), Outcome::Complete);
    EXPECT_EQ(m_pLoop->Requests(), (std::vector<QByteArray>{"b09500b1", "b0a000b1"}));
    ASSERT_EQ(listed.size(), 1);
    const QList<LoggerListData> entries = listed[0][0].value<QList<LoggerListData>>();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0], LoggerListData(QStringLiteral("CAP"), QStringLiteral("14-03-2025, 09 30 00"), 3, 2, 1));
    EXPECT_EQ(entries[2].m_strFunction, QStringLiteral("HZ"));
}

TEST_F(LoggerDownload, UndatedRecordingWarnsOncePerBlock)
{
    CSimLoggerMemory::Setup setup;
    setup.m_arrRecordings = {Recording(1, 2, {1, 2, 3, 4, 5, 6, 7}, 3)};
    setup.m_arrRecordings[0].m_start = CSimClock{25, 3, 0, 9, 30, 0};
    Build(setup);
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_prompt.Texts(), QStringList(3, CLoggerDownload::InvalidDateText()));
    const QList<CObData> records = m_pDownload->RecordsOf(1);
    ASSERT_EQ(records.size(), 7);
    EXPECT_EQ(records[0].m_strTime, QStringLiteral("10/9/2010 10:10:10"));
    EXPECT_EQ(records[6].m_strTime, QStringLiteral("10/9/2010 10:10:22"));
}

// A user who takes longer to read a message than the silence limit allows.
class CSlowPrompt : public CPrompt
{
public:
    void Message(const QString&, const QString&, Icon) override
    {
        ++m_nShown;
        QDeadlineTimer deadline(80);
        while (!deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    int m_nShown = 0;
};

TEST_F(LoggerDownload, ReadingTheDateMessageIsNotAStall)
{
    CSimLoggerMemory::Setup setup;
    setup.m_arrRecordings = {Recording(1, 2, {1, 2, 3, 4}, 2)};
    setup.m_arrRecordings[0].m_start = CSimClock{25, 0, 14, 9, 30, 0};
    Build(setup);
    CSlowPrompt slow;
    CLoggerDownload download(*m_pProtocol, &*m_pLoop, &slow);
    m_pDownload.reset(); // the slow reader's controller alone
    download.SetTimings({3600000, 0, 30});
    QSignalSpy finished(&download, &CLoggerDownload::DownloadFinished);
    ASSERT_TRUE(download.OnDownloadLogger());
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(finished[0][0].value<Outcome>(), Outcome::Complete);
    EXPECT_EQ(slow.m_nShown, 2);
    EXPECT_EQ(download.RecordsOf(1).size(), 4);
}

TEST_F(LoggerDownload, RepeatedRequestsStillComplete)
{
    CSimLoggerMemory::Setup setup = ThreeRecordings();
    setup.m_arrRecordings[1].m_nIgnoreRequests = 2;
    Build(setup);
    int nRetriesWhenLastFetched = -1;
    QObject::connect(&*m_pDownload, &CLoggerDownload::RecordingFetched, [&] {
        nRetriesWhenLastFetched = m_pDownload->RequestRetries();
    });
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return m_pDownload->EntriesLeft() == 2 && m_pDownload->IsRequestTimerActive(); }));
    // Recording 2 stays unanswered twice; timer 3 repeats the request each time.
    for (int i = 0; i < 2; ++i) {
        m_pLoop->Pump();
        m_pDownload->OnRequestTimer();
    }
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(LastOutcome(), Outcome::Complete);
    EXPECT_EQ(nRetriesWhenLastFetched, 2);
    EXPECT_EQ(m_pDownload->RequestRetries(), 0); // reset for the next download
    EXPECT_EQ(m_pLoop->Requests(), (std::vector<QByteArray>{"b09500b1", "b09603b1", "b09602b1", "b09602b1",
                                                            "b09602b1", "b09601b1", "b0a000b1"}));
    EXPECT_EQ(m_pLoop->m_memory.IgnoredRequests(), 2);
    EXPECT_EQ(FetchedAddresses(), (QList<int>{3, 2, 1}));
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}

TEST_F(LoggerDownload, SpentRetriesEndTheDownloadAndKeepWhatWasFetched)
{
    CSimLoggerMemory::Setup setup = ThreeRecordings();
    setup.m_arrRecordings[1].m_nIgnoreRequests = 6;
    Build(setup);
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return m_pDownload->EntriesLeft() == 2 && m_pDownload->IsRequestTimerActive(); }));
    for (int i = 0; i < CLoggerDownload::kMaxRequestRetries; ++i) {
        m_pDownload->OnRequestTimer();
        m_pLoop->Pump();
        ASSERT_TRUE(m_pFinished->isEmpty());
    }
    m_pDownload->OnRequestTimer(); // the sixth tick: no repetition is left
    ASSERT_EQ(m_pFinished->size(), 1);
    EXPECT_EQ(LastOutcome(), Outcome::RetriesSpent);
    EXPECT_FALSE(m_pDownload->IsRequestTimerActive());
    ASSERT_EQ(m_prompt.Texts().size(), 1);
    EXPECT_TRUE(m_prompt.Texts()[0].contains(QStringLiteral("address 2"))) << qPrintable(m_prompt.Texts()[0]);
    EXPECT_TRUE(m_prompt.Texts()[0].contains(QStringLiteral("1 of 3 recordings"))) << qPrintable(m_prompt.Texts()[0]);
    // Six requests for recording 2, then the end of the transfer; recording 3 is kept.
    const std::vector<QByteArray> requests = m_pLoop->Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "b09602b1"), 6);
    EXPECT_EQ(requests.back(), "b0a000b1");
    EXPECT_EQ(FetchedAddresses(), (QList<int>{3}));
    EXPECT_EQ(m_pDownload->RecordsOf(3).size(), 2);
    ASSERT_EQ(m_pDownload->MissingEntries().size(), 2);
    EXPECT_EQ(m_pDownload->MissingEntries()[0].m_nAddress, 1);
    EXPECT_EQ(m_pProtocol->ExpectedBytes(), 0);

    // A later download starts afresh.
    m_pDownload->OnRequestTimer();
    EXPECT_EQ(m_pFinished->size(), 1);
    EXPECT_TRUE(m_pDownload->OnDownloadLogger());
}

TEST_F(LoggerDownload, LinkLostMidRecordingKeepsEverySampleReceived)
{
    CSimLoggerMemory::Setup setup = ThreeRecordings();
    setup.m_arrRecordings[1].m_nBlockSize = 2; // recording 2: blocks of 2, 2, 1
    Build(setup);
    QSignalSpy blocks(&*m_pDownload, &CLoggerDownload::BlockProgress);
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    // The link goes when the first block of recording 2 is in.
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return m_pDownload->RecordsOf(2).size() == 2; }));
    m_pLoop->m_bConnected = false;
    const size_t nSent = m_pLoop->Requests().size();
    m_pDownload->OnLinkLost(QStringLiteral("the device was closed"));
    ASSERT_EQ(m_pFinished->size(), 1);
    EXPECT_EQ(LastOutcome(), Outcome::LinkLost);
    EXPECT_EQ(m_pLoop->Requests().size(), nSent); // nothing more is sent into a dead link
    EXPECT_FALSE(m_pProtocol->IsBlockMode());
    ASSERT_EQ(m_pFetched->size(), 2);
    EXPECT_EQ(m_pFetched->at(1).at(1).toBool(), false);
    EXPECT_EQ(m_pFetched->at(1).at(0).value<LoggerListData>().m_nDataPoints, 2);
    EXPECT_EQ(m_pDownload->RecordsOf(3).size(), 2);
    EXPECT_EQ(m_pDownload->RecordsOf(2).size(), 2);
    ASSERT_EQ(m_prompt.Texts().size(), 1);
    EXPECT_TRUE(m_prompt.Texts()[0].contains(QStringLiteral("the device was closed")));
    EXPECT_TRUE(m_prompt.Texts()[0].contains(QStringLiteral("2 of 5 samples")));
}

TEST_F(LoggerDownload, SilenceEndsTheDownload)
{
    CSimLoggerMemory::Setup setup = ThreeRecordings();
    setup.m_nIgnoreDirectoryRequests = 1;
    Build(setup);
    m_pDownload->SetTimings({3600000, 0, 50});
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(LastOutcome(), Outcome::Stalled);
    EXPECT_EQ(m_pLoop->Requests(), (std::vector<QByteArray>{"b09500b1", "b0a000b1"}));
    ASSERT_EQ(m_prompt.Texts().size(), 1);
    EXPECT_TRUE(m_prompt.Texts()[0].contains(QStringLiteral("stopped sending")));
}

TEST_F(LoggerDownload, CancelEndsTheTransferQuietly)
{
    Build(ThreeRecordings());
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return m_pDownload->EntriesLeft() == 2; }));
    m_pDownload->Cancel();
    EXPECT_EQ(LastOutcome(), Outcome::Cancelled);
    EXPECT_EQ(m_pLoop->Requests().back(), "b0a000b1");
    EXPECT_EQ(FetchedAddresses(), (QList<int>{3}));
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}

TEST_F(LoggerDownload, RefusesWhenItCannotRun)
{
    Build(ThreeRecordings());
    bool bOnline = false;
    m_pDownload->SetOnlineQuery([&] { return bOnline; });
    EXPECT_FALSE(m_pDownload->OnDownloadLogger());
    bOnline = true;
    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    EXPECT_FALSE(m_pDownload->OnDownloadLogger()); // one at a time
    EXPECT_EQ(m_prompt.Texts().size(), 2);
    EXPECT_EQ(m_pLoop->Requests(), std::vector<QByteArray>{"b09500b1"});
}

TEST_F(LoggerDownload, SingleRecordingSentUnasked)
{
    CSimLoggerMemory::Setup setup = ThreeRecordings();
    setup.m_nPushAddress = 2;
    Build(setup);
    QSignalSpy single(&*m_pDownload, &CLoggerDownload::SingleRecordingReceived);
    QSignalSpy started(&*m_pDownload, &CLoggerDownload::RecordingStarted);
    QSignalSpy stop(&*m_pDownload, &CLoggerDownload::RealTimeRecordingStop);
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return !single.isEmpty(); }));
    EXPECT_EQ(started[0], (QList<QVariant>{2, false}));
    EXPECT_EQ(stop.size(), 1);
    EXPECT_TRUE(single[0][1].toBool());
    const QList<CObData> records = single[0][0].value<QList<CObData>>();
    ASSERT_EQ(records.size(), 5);
    for (const CObData& record : records)
        EXPECT_EQ(record.m_nIndex, 0);
    EXPECT_DOUBLE_EQ(records[4].m_dValue, 5.5);
    EXPECT_EQ(records[4].m_strUnit, QStringLiteral("VDC"));
    EXPECT_EQ(records[4].m_strTime, QStringLiteral("14/3/2025 9:30:8"));
    EXPECT_EQ(m_pDownload->RecordingRecords().size(), 5);
    EXPECT_TRUE(m_pFinished->isEmpty());
    EXPECT_TRUE(m_pLoop->Requests().empty()); // only acknowledgements went out
    EXPECT_FALSE(m_pDownload->IsReceivingSingleRecording());
}

TEST_F(LoggerDownload, ARecordingThatCompletesAsTheDownloadIsCancelledReportsNothingStale)
{
    CSimLoggerMemory::Setup setup = ThreeRecordings();
    setup.m_nPushAddress = 2; // first the meter sends recording 2 on its own
    Build(setup);
    QSignalSpy single(&*m_pDownload, &CLoggerDownload::SingleRecordingReceived);
    QSignalSpy started(&*m_pDownload, &CLoggerDownload::RecordingStarted);
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return !single.isEmpty(); }));
    ASSERT_EQ(single.size(), 1);

    ASSERT_TRUE(m_pDownload->OnDownloadLogger());
    ASSERT_TRUE(m_pLoop->RunUntil([&] { return m_pLoop->Requests().back() == "b09603b1"; }));
    const qsizetype nStarted = started.size();
    // The dispatcher runs on the link thread: the whole of recording 3 comes in there, and its
    // start and its end wait in this thread's queue...
    std::atomic<bool> bComplete { false };
    QObject::connect(&*m_pProtocol, &CMeterProtocol::RecordingComplete, &*m_pProtocol, [&] { bComplete = true; },
                     Qt::DirectConnection);
    std::thread link([this] {
        while (m_pLoop->Pump()) {
        }
    });
    link.join();
    ASSERT_TRUE(bComplete);
    // ...when the user cancels.
    m_pDownload->Cancel();
    ASSERT_EQ(m_pFinished->size(), 1);
    EXPECT_EQ(LastOutcome(), Outcome::Cancelled);
    QCoreApplication::processEvents();
    // The cancelled download's recording is no recording the meter sent on its own: the one
    // from before is not handed out again, and nothing waits for the rest of it.
    EXPECT_EQ(single.size(), 1);
    EXPECT_EQ(started.size(), nStarted);
    EXPECT_FALSE(m_pDownload->IsReceivingSingleRecording());
    EXPECT_FALSE(m_pDownload->IsDownloading());
    // What arrived of it is kept, as with any cancel.
    ASSERT_EQ(m_pFetched->size(), 1);
    EXPECT_EQ(m_pFetched->at(0).at(0).value<LoggerListData>().m_nDataPoints, 2);
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}

// The dispatcher's rules that guard the download: a block out of sequence is
// dropped, and a stray directory marker cannot hold the meter text.
TEST_F(LoggerDownload, BlockOutOfSequenceIsDropped)
{
    Build({});
    const CSimLoggerMemory::Recording rec = Recording(1, 2, {1, 2, 3, 4, 5, 6}, 3);
    QByteArray block2 = CSimLoggerMemory::Block(rec, 2);
    m_pProtocol->AppendMeterHex(CSimLoggerMemory::Header(rec).toHex());
    m_pProtocol->OnMeterData();
    ASSERT_TRUE(m_pProtocol->IsBlockMode());
    m_pProtocol->AppendMeterHex(block2.toHex());
    m_pProtocol->OnMeterData();
    EXPECT_EQ(m_pProtocol->BlocksReceived(), 0);
    EXPECT_TRUE(m_pDownload->RecordingRecords().isEmpty());
    // The right block is taken after it.
    m_pProtocol->AppendMeterHex(CSimLoggerMemory::Block(rec, 1).toHex());
    m_pProtocol->OnMeterData();
    EXPECT_EQ(m_pDownload->RecordingRecords().size(), 3);
}

TEST(LoggerDispatcher, StrayDirectoryMarkerEmptiesTheMeterText)
{
    // No download controller at all, as in the CLI's monitor.
    CMeterProtocol protocol(nullptr, nullptr);
    QSignalSpy decoded(&protocol, &CMeterProtocol::ReadingDecoded);
    QSignalSpy complete(&protocol, &CMeterProtocol::DirectoryComplete);
    protocol.AppendMeterHex("a0aa0103" + QByteArray(40, '0'));
    protocol.OnMeterData();
    EXPECT_TRUE(protocol.MeterHex().isEmpty());
    EXPECT_TRUE(complete.isEmpty());
    QByteArray frame(27, '\0');
    frame[0] = char(0xa0);
    frame[1] = char(0x80);
    frame[26] = char(0xa1);
    protocol.AppendMeterHex(frame.toHex());
    protocol.OnMeterData();
    EXPECT_EQ(decoded.size(), 1);
}

} // namespace
