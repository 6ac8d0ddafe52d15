// The logger download end to end: meter-sim on a pseudo-terminal, the real
// serial transport and link thread (CMeterLink), the dispatcher and the
// download controller, with the program's own timings.
#include "CPromptRecorder.h"
#include "e2e/CSimProcess.h"
#include "link/CMeterLink.h"
#include "logger/CLoggerDownload.h"
#include "protocol/CMeterProtocol.h"
#include "sim/CSimScenario.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

namespace {

using Outcome = CLoggerDownload::Outcome;
const QString kMeter = QStringLiteral("c8:fd:19:0a:bc:de");

// Times what the link thread spends in the dispatcher and how long each frame
// sent to the meter waits for the first byte of its answer.
class CTimedLink : public CMeterCommandSender, public CMeterTextSink
{
public:
    CTimedLink(CMeterLink& link, CMeterProtocol& protocol) : m_link(link), m_protocol(protocol) { m_clock.start(); }

    bool SendKeyFrame(const std::array<quint8, 4>& frame) override
    {
        m_nSentAtNs = m_clock.nsecsElapsed();
        ++m_nSent;
        return m_link.SendKeyFrame(frame);
    }
    void SetReadSize(int nBytes) override { m_link.SetReadSize(nBytes); }

    void ClearMeterHex() override { m_protocol.ClearMeterHex(); }
    void AppendMeterHex(const QByteArray& strHex) override
    {
        const qint64 nSent = m_nSentAtNs.exchange(-1);
        if (nSent >= 0) {
            m_nAnswerWaitNs += m_clock.nsecsElapsed() - nSent;
            ++m_nAnswers;
        }
        m_protocol.AppendMeterHex(strHex);
    }
    void OnMeterData() override
    {
        const qint64 nStart = m_clock.nsecsElapsed();
        m_protocol.OnMeterData();
        m_nBusyNs += m_clock.nsecsElapsed() - nStart;
    }

    std::atomic<qint64> m_nSentAtNs{-1};
    std::atomic<qint64> m_nAnswerWaitNs{0}; //!< link thread writes, the test reads after the download
    std::atomic<qint64> m_nBusyNs{0};
    std::atomic<int> m_nSent{0};
    std::atomic<int> m_nAnswers{0};

private:
    CMeterLink& m_link;
    CMeterProtocol& m_protocol;
    QElapsedTimer m_clock;
};

// The program's side of the link, connected to meter-sim.
class CLoggerSession
{
public:
    explicit CLoggerSession(const QString& strScenario, const QStringList& simArgs = {})
        : m_sim(QStringList{QStringLiteral("--scenario"), strScenario} + simArgs)
        , m_link(&m_prompt)
        , m_protocol(&m_timed, &m_prompt)
        , m_timed(m_link, m_protocol)
        , m_download(m_protocol, &m_timed, &m_prompt)
    {
        m_link.SetMeterTextSink(&m_timed);
        m_download.SetOnlineQuery([this] { return m_link.IsMeterOnline(); });
        QObject::connect(&m_link, &CMeterLink::LinkError, &m_download, &CLoggerDownload::OnLinkLost);
    }
    ~CLoggerSession() { m_link.Shutdown(); }

    bool Connect()
    {
        if (m_sim.Port().isEmpty() || !m_link.OpenDonglePort(m_sim.Port()))
            return false;
        QSignalSpy connected(&m_link, &CMeterLink::Connected);
        QTimer::singleShot(CMeterLink::kDiscoveryDelayMs, &m_link, [this] { m_link.Connect(kMeter); });
        return connected.wait(10000);
    }
    static bool WaitFor(const std::function<bool()>& fnDone, int nTimeoutMs)
    {
        const QDeadlineTimer deadline(nTimeoutMs);
        while (!fnDone() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return fnDone();
    }

    CPromptRecorder m_prompt;
    CSimProcess m_sim;
    CMeterLink m_link;
    CMeterProtocol m_protocol;
    CTimedLink m_timed;
    CLoggerDownload m_download;
};

QJsonObject Recording(int nAddress, int nFunction, QJsonArray start, int nInterval, int nCount, double dValue,
                      double dStep, int nBlockSize)
{
    return QJsonObject{{"address", nAddress}, {"function", nFunction}, {"start", start}, {"interval", nInterval},
                       {"count", nCount},     {"value", dValue},       {"valueStep", dStep},
                       {"blockSize", nBlockSize}};
}

QString WriteScenario(const QTemporaryDir& dir, const QJsonObject& logger)
{
    const QString strPath = dir.filePath(QStringLiteral("logger.json"));
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QJsonDocument(QJsonObject{{"logger", logger}}).toJson());
    return strPath;
}

// What the program must show for a sample, worked out independently of the decoder.
void Expected(int nFunction, float fValue, double* pdValue, QString* pstrUnit)
{
    const char* const ladders[][3] = {{"Ω", "KΩ", "MΩ"}, {"nF", "uF", "mF"}, {"HZ", "KHZ", "MHZ"}};
    const auto& ladder = ladders[nFunction == 4 ? 0 : nFunction == 5 ? 1 : 2];
    const double d = fValue;
    const int nStep = d < 500.0 ? 0 : d < 500000.0 ? 1 : 2;
    *pdValue = d / (nStep == 0 ? 1.0 : nStep == 1 ? 1000.0 : 1000000.0);
    *pstrUnit = QString::fromUtf8(ladder[nStep]);
}

class LoggerE2E : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit()); }
    QTemporaryDir m_dir;
};

// Capacitance, resistance and frequency: 1000 samples that climb every unit ladder.
QJsonObject ThreeRecordings()
{
    return QJsonObject{{"recordings", QJsonArray{
        Recording(1, 5, {25, 3, 14, 9, 30, 0}, 2, 400, 100.0, 30000.0, 40),     // nF .. overload
        Recording(2, 4, {25, 3, 14, 10, 0, 0}, 10, 350, 50.0, 3000.0, 50),      // ohm .. Mohm
        Recording(3, 16, {25, 12, 31, 23, 59, 0}, 1, 250, 20.0, 4100.0, 25),    // Hz .. MHz
    }}};
}

TEST_F(LoggerE2E, DownloadsThreeRecordingsOfAThousandSamples)
{
    const QString strScenario = WriteScenario(m_dir, ThreeRecordings());
    CSimScenario scenario;
    QString strError;
    ASSERT_TRUE(scenario.LoadFile(strScenario, &strError)) << qPrintable(strError);

    CLoggerSession s(strScenario);
    ASSERT_TRUE(s.Connect());
    QSignalSpy finished(&s.m_download, &CLoggerDownload::DownloadFinished);
    QSignalSpy fetched(&s.m_download, &CLoggerDownload::RecordingFetched);
    QSignalSpy blocks(&s.m_download, &CLoggerDownload::BlockProgress);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(s.m_download.OnDownloadLogger());
    ASSERT_TRUE(CLoggerSession::WaitFor([&] { return !finished.isEmpty(); }, 90000));
    const qint64 nTotalMs = timer.elapsed();
    ASSERT_EQ(finished[0][0].value<Outcome>(), Outcome::Complete) << qPrintable(s.m_prompt.Texts().join('\n'));
    EXPECT_TRUE(s.m_prompt.Texts().isEmpty()) << qPrintable(s.m_prompt.Texts().join('\n'));

    ASSERT_EQ(fetched.size(), 3);
    const QList<LoggerListData> entries = s.m_download.Entries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[1], LoggerListData(QStringLiteral("RES"), QStringLiteral("14-03-2025, 10 00 00"), 350, 10, 2));
    EXPECT_EQ(s.m_download.LoggerRecords().size(), 1000);

    // Every record against the simulator's own sample.
    int nOverloads = 0;
    QSet<QString> units;
    for (const CSimLoggerMemory::Recording& rec : scenario.Logger().m_arrRecordings) {
        const QList<CObData> records = s.m_download.RecordsOf(rec.m_nAddress);
        ASSERT_EQ(records.size(), rec.m_arrSamples.size()) << "address " << rec.m_nAddress;
        const QDateTime start(QDate(2000 + rec.m_start.m_nYear, rec.m_start.m_nMonth, rec.m_start.m_nDay),
                              QTime(rec.m_start.m_nHour, rec.m_start.m_nMinute, rec.m_start.m_nSecond));
        for (int i = 0; i < records.size(); ++i) {
            const CObData& r = records[i];
            const float fSample = rec.m_arrSamples[i];
            const float fRange = rec.m_nFunction == 4 ? 49990000.0f : 10000000.0f;
            double dValue = 0.0;
            QString strUnit;
            Expected(rec.m_nFunction, fSample, &dValue, &strUnit);
            if (rec.m_nFunction != 16 && fSample >= fRange) {
                dValue = CObData::kOverload;
                ++nOverloads;
            }
            units << strUnit;
            ASSERT_DOUBLE_EQ(r.m_dValue, dValue) << "address " << rec.m_nAddress << " sample " << i;
            ASSERT_EQ(r.m_strUnit, strUnit) << "address " << rec.m_nAddress << " sample " << i;
            ASSERT_EQ(r.m_strTime, start.addSecs(qint64(i) * rec.m_nInterval).toString(QStringLiteral("d/M/yyyy H:m:s")));
            ASSERT_EQ(r.m_nIndex, rec.m_nAddress);
            ASSERT_EQ(r.m_dSampleRate, double(rec.m_nInterval));
        }
    }
    EXPECT_GT(nOverloads, 0);
    EXPECT_EQ(units.size(), 9); // every step of the three ladders was met

    // The dispatcher's time against the time spent waiting for the meter.
    const double dBusyMs = double(s.m_timed.m_nBusyNs) / 1e6;
    const double dAnswerMs = double(s.m_timed.m_nAnswerWaitNs) / 1e6;
    const double dPausesMs = 3 * CLoggerDownload::Timings{}.nRequestDelayMs;
    std::printf("[ measure  ] logger download of 1000 samples in 27 blocks: %lld ms; dispatcher busy %.1f ms; "
                "%d frames sent, first answer byte after %.0f ms in total (%.0f ms each); pauses between "
                "recordings %.0f ms; waiting on the link %.0f%% of the download\n",
                nTotalMs, dBusyMs, s.m_timed.m_nSent.load(), dAnswerMs, dAnswerMs / qMax(1, s.m_timed.m_nAnswers.load()),
                dPausesMs, 100.0 * (double(nTotalMs) - dBusyMs - dPausesMs) / double(nTotalMs));
}

TEST_F(LoggerE2E, LinkLostMidDownloadKeepsWhatArrived)
{
    const QString strScenario = WriteScenario(m_dir, ThreeRecordings());
    CSimScenario scenario;
    ASSERT_TRUE(scenario.LoadFile(strScenario, nullptr));
    CLoggerSession s(strScenario);
    ASSERT_TRUE(s.Connect());
    QSignalSpy finished(&s.m_download, &CLoggerDownload::DownloadFinished);
    QSignalSpy fetched(&s.m_download, &CLoggerDownload::RecordingFetched);
    // The plug is pulled once the first recording is in, whatever the speed of the link.
    QObject::connect(&s.m_download, &CLoggerDownload::RecordingFetched, &s.m_download,
                     [&s] { s.m_sim.Stop(); }, Qt::SingleShotConnection);
    ASSERT_TRUE(s.m_download.OnDownloadLogger());
    ASSERT_TRUE(CLoggerSession::WaitFor([&] { return !finished.isEmpty(); }, 60000));
    EXPECT_EQ(finished[0][0].value<Outcome>(), Outcome::LinkLost);
    const QStringList texts = s.m_prompt.Texts();
    EXPECT_TRUE(texts.filter(QStringLiteral("The logger download stopped. The link to the meter was lost")).size() == 1)
        << qPrintable(texts.join('\n'));

    // Whatever arrived is there, each recording a whole prefix of what the meter holds.
    qsizetype nKept = 0;
    for (const CSimLoggerMemory::Recording& rec : scenario.Logger().m_arrRecordings) {
        const QList<CObData> records = s.m_download.RecordsOf(rec.m_nAddress);
        nKept += records.size();
        ASSERT_LE(records.size(), rec.m_arrSamples.size());
        for (qsizetype i = 0; i < records.size(); ++i) {
            double dValue = 0.0;
            QString strUnit;
            Expected(rec.m_nFunction, rec.m_arrSamples[i], &dValue, &strUnit);
            if (!CObData::IsOverload(records[i].m_dValue)) {
                ASSERT_DOUBLE_EQ(records[i].m_dValue, dValue) << rec.m_nAddress << " " << i;
            }
        }
    }
    EXPECT_GT(nKept, 0);
    EXPECT_LT(nKept, 1000);
    EXPECT_EQ(s.m_download.FetchedEntries().size() + s.m_download.MissingEntries().size(), 3);
    EXPECT_FALSE(s.m_download.MissingEntries().isEmpty());
    for (const QList<QVariant>& args : fetched) {
        const LoggerListData entry = args[0].value<LoggerListData>();
        EXPECT_EQ(s.m_download.RecordsOf(entry.m_nAddress).size(), entry.m_nDataPoints);
    }
}

TEST_F(LoggerE2E, UnansweredRequestsAreRepeatedByTimer3)
{
    QJsonObject second = Recording(2, 2, {25, 3, 14, 9, 30, 0}, 1, 5, 1.0, 1.0, 5);
    second["ignoreRequests"] = 2;
    const QJsonObject logger{{"recordings", QJsonArray{Recording(1, 5, {25, 3, 14, 9, 30, 0}, 1, 3, 10.0, 1.0, 3),
                                                       second}}};
    CLoggerSession s(WriteScenario(m_dir, logger));
    ASSERT_TRUE(s.Connect());
    QSignalSpy finished(&s.m_download, &CLoggerDownload::DownloadFinished);
    int nRetries = -1;
    QObject::connect(&s.m_download, &CLoggerDownload::RecordingFetched, [&] { nRetries = s.m_download.RequestRetries(); });
    ASSERT_TRUE(s.m_download.OnDownloadLogger());
    ASSERT_TRUE(CLoggerSession::WaitFor([&] { return !finished.isEmpty(); }, 60000));
    EXPECT_EQ(finished[0][0].value<Outcome>(), Outcome::Complete) << qPrintable(s.m_prompt.Texts().join('\n'));
    EXPECT_EQ(nRetries, 2);
    EXPECT_EQ(s.m_download.RecordsOf(2).size(), 5);
    EXPECT_EQ(s.m_download.RecordsOf(1).size(), 3);
}

TEST_F(LoggerE2E, SingleRecordingPushedByTheMeter)
{
    const QJsonObject logger{{"recordings", QJsonArray{Recording(4, 16, {25, 3, 14, 9, 30, 0}, 1, 30, 5000.0, 10.0, 8)}},
                             {"push", QJsonObject{{"address", 4}, {"atMs", 1000}}}};
    CLoggerSession s(WriteScenario(m_dir, logger));
    QSignalSpy single(&s.m_download, &CLoggerDownload::SingleRecordingReceived);
    ASSERT_TRUE(s.Connect());
    ASSERT_TRUE(single.wait(30000));
    EXPECT_TRUE(single[0][1].toBool());
    const QList<CObData> records = single[0][0].value<QList<CObData>>();
    ASSERT_EQ(records.size(), 30);
    EXPECT_DOUBLE_EQ(records[0].m_dValue, 5.0);
    EXPECT_EQ(records[0].m_strUnit, QStringLiteral("KHZ"));
    EXPECT_EQ(records[29].m_nIndex, 0);
}

} // namespace
