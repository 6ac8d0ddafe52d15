// multimeter-cli logger against meter-sim: the directory, every recording into
// its own file, a meter that leaves requests unanswered, a link that goes.
#include "CSimProcess.h"

#include "document/CMyTalvaDoc.h"
#include "logger/CLoggerDecoder.h"
#include "sim/CSimScenario.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QJsonObject Recording(int nAddress, int nFunction, QJsonArray start, int nInterval, int nCount, double dValue,
                      double dStep, int nBlockSize, int nIgnore = 0)
{
    return QJsonObject{{"address", nAddress}, {"function", nFunction}, {"start", start},
                       {"interval", nInterval}, {"count", nCount},     {"value", dValue},
                       {"valueStep", dStep},    {"blockSize", nBlockSize}, {"ignoreRequests", nIgnore}};
}

// Capacitance, resistance and frequency: 1000 samples.
QJsonArray ThreeRecordings(int nIgnoreFirst = 0)
{
    return {Recording(1, 5, {25, 3, 14, 9, 30, 0}, 2, 400, 100.0, 30000.0, 40, nIgnoreFirst),
            Recording(2, 4, {25, 3, 14, 10, 0, 0}, 10, 350, 50.0, 3000.0, 50),
            Recording(3, 16, {25, 12, 31, 23, 59, 0}, 1, 250, 20.0, 4100.0, 25)};
}

class LoggerCli : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit()); }

    QString Scenario(const QJsonArray& recordings)
    {
        const QString strPath = m_dir.filePath("logger.json");
        QFile file(strPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{"logger", QJsonObject{{"recordings", recordings}}}}).toJson());
        file.close();
        EXPECT_TRUE(m_scenario.LoadFile(strPath, nullptr));
        return strPath;
    }
    QString OutDir() const { return m_dir.filePath("out"); }
    QStringList Files() const { return QDir(OutDir()).entryList(QDir::Files, QDir::Name); }

    // The records of a written recording against the simulator's samples of rec.
    void ExpectSamples(const CRecordArray& records, const CSimLoggerMemory::Recording& rec, qsizetype nCount)
    {
        ASSERT_EQ(records.size(), nCount);
        const QDateTime start(QDate(2000 + rec.m_start.m_nYear, rec.m_start.m_nMonth, rec.m_start.m_nDay),
                              QTime(rec.m_start.m_nHour, rec.m_start.m_nMinute, rec.m_start.m_nSecond));
        for (qsizetype i = 0; i < nCount; ++i) {
            double dValue = 0.0;
            QString strUnit;
            CLoggerDecoder::ScaleSample(rec.m_nFunction, CLoggerDecoder::RecordingRange(rec.m_nFunction),
                                        CLoggerDecoder::RecordingUnit(rec.m_nFunction), rec.m_arrSamples[i], &dValue,
                                        &strUnit);
            ASSERT_EQ(records[i]->m_nIndex, i);
            ASSERT_DOUBLE_EQ(records[i]->m_dValue, dValue) << rec.m_nAddress << " " << i;
            ASSERT_EQ(records[i]->m_strUnit, strUnit);
            ASSERT_EQ(records[i]->m_strTime,
                      start.addSecs(i * rec.m_nInterval).toString(QStringLiteral("d/M/yyyy H:m:s")));
        }
    }

    QTemporaryDir m_dir;
    CSimScenario m_scenario;
};

} // namespace

TEST_F(LoggerCli, ListPrintsTheDirectoryAndOutWritesEveryRecording)
{
    CSimProcess sim({"--scenario", Scenario(ThreeRecordings())});
    const CCliResult list = RunCli({"logger", "--port", sim.Port(), "--list"});
    ASSERT_EQ(list.nStatus, 0) << qPrintable(list.strError);
    EXPECT_EQ(list.lines, QStringList({"1\tCAP\t14-03-2025, 09 30 00\t400\t2", "2\tRES\t14-03-2025, 10 00 00\t350\t10",
                                       "3\tHZ\t31-12-2025, 23 59 00\t250\t1"}));

    // The same meter again: the listing ended the transfer, so a download follows at once.
    const CCliResult out = RunCli({"logger", "--port", sim.Port(), "--out", OutDir()}, 90000);
    ASSERT_EQ(out.nStatus, 0) << qPrintable(out.strError);
    EXPECT_TRUE(out.strError.contains("recording 3 of 3: 10 blocks")) << qPrintable(out.strError); // plain lines, no tty
    EXPECT_FALSE(out.strError.contains('\r'));
    EXPECT_TRUE(out.strError.contains("3 file(s) written")) << qPrintable(out.strError);
    ASSERT_EQ(Files(), QStringList({"logger-001-2025-03-14_09-30-00.mLog", "logger-002-2025-03-14_10-00-00.mLog",
                                    "logger-003-2025-12-31_23-59-00.mLog"}));
    qsizetype nTotal = 0;
    for (int i = 0; i < 3; ++i) {
        QString strError;
        const auto pDoc = CMyTalvaDoc::LoadFile(QDir(OutDir()).filePath(Files()[i]), &strError);
        ASSERT_TRUE(pDoc) << qPrintable(strError);
        const CSimLoggerMemory::Recording& rec = m_scenario.Logger().m_arrRecordings[i];
        ExpectSamples(pDoc->m_arrData[0], rec, rec.m_arrSamples.size());
        nTotal += pDoc->m_arrData[0].size();
    }
    EXPECT_EQ(nTotal, 1000);
}

TEST_F(LoggerCli, CsvFilesAndBadUse)
{
    CSimProcess sim({"--scenario", Scenario({Recording(7, 16, {26, 1, 2, 3, 4, 5}, 3, 4, 400.0, 600.0, 50)})});
    const CCliResult out = RunCli({"logger", "--port", sim.Port(), "--out", OutDir(), "--format", "csv"});
    ASSERT_EQ(out.nStatus, 0) << qPrintable(out.strError);
    ASSERT_EQ(Files(), QStringList({"logger-007-2026-01-02_03-04-05.csv"}));
    QFile file(QDir(OutDir()).filePath(Files()[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "index,time,value,unit,function\n"
                              "0,2/1/2026 3:4:5,400,HZ,HZ\n"
                              "1,2/1/2026 3:4:8,1,KHZ,HZ\n"
                              "2,2/1/2026 3:4:11,1.6,KHZ,HZ\n"
                              "3,2/1/2026 3:4:14,2.2,KHZ,HZ\n");

    for (const QStringList& bad : {QStringList{"logger", "--port", sim.Port()},
                                   QStringList{"logger", "--port", sim.Port(), "--list", "--out", OutDir()},
                                   QStringList{"logger", "--port", sim.Port(), "--list", "--format", "xls"},
                                   QStringList{"logger", "--list"}}) {
        const CCliResult r = RunCli(bad);
        EXPECT_EQ(r.nStatus, 64) << qPrintable(bad.join(' '));
        EXPECT_FALSE(r.strError.isEmpty());
        EXPECT_TRUE(r.lines.isEmpty());
    }
    const CCliResult noMissing = RunCli({"logger", "--port", sim.Port(), "--list", "--format", "xls"});
    EXPECT_TRUE(noMissing.strError.contains("Try 'multimeter-cli logger --help'.")) << qPrintable(noMissing.strError);
    const CCliResult help = RunCli({"logger", "--help"});
    EXPECT_EQ(help.nStatus, 0);
    EXPECT_TRUE(help.lines.join('\n').contains("--format")) << qPrintable(help.lines.join('\n'));
}

TEST_F(LoggerCli, UnansweredRequestsEndWithTheMissingRecordingsNamed)
{
    // The last entry is fetched first; the first one, at address 1, is never answered.
    CSimProcess sim({"--scenario", Scenario(ThreeRecordings(1000))});
    const CCliResult out = RunCli({"logger", "--port", sim.Port(), "--out", OutDir()}, 90000);
    EXPECT_EQ(out.nStatus, 1) << qPrintable(out.strError);
    EXPECT_TRUE(out.strError.contains("did not answer the request for the recording at address 1"))
        << qPrintable(out.strError);
    EXPECT_TRUE(out.strError.contains("multimeter-cli: error: 1 of 3 recording(s) could not be fetched: address 1 (CAP, "
                                      "14-03-2025, 09 30 00)"))
        << qPrintable(out.strError);
    // The two fetched before are written whole.
    ASSERT_EQ(Files(), QStringList({"logger-002-2025-03-14_10-00-00.mLog", "logger-003-2025-12-31_23-59-00.mLog"}));
    QString strError;
    const auto pDoc = CMyTalvaDoc::LoadFile(QDir(OutDir()).filePath(Files()[1]), &strError);
    ASSERT_TRUE(pDoc) << qPrintable(strError);
    ExpectSamples(pDoc->m_arrData[0], m_scenario.Logger().m_arrRecordings[2], 250);
}

TEST_F(LoggerCli, LostLinkKeepsWhatWasFetched)
{
    CSimProcess sim({"--scenario", Scenario(ThreeRecordings())});
    QProcess cli;
    cli.start(QStringLiteral(METER_CLI_PATH), {"logger", "--port", sim.Port(), "--out", OutDir()});
    QByteArray err;
    // The plug is pulled once the first file is written.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        cli.waitForReadyRead(20);
        err += cli.readAllStandardError();
        return err.contains(".mLog\n");
    }, 60000)) << err.constData();
    sim.Stop();
    ASSERT_TRUE(cli.waitForFinished(30000));
    err += cli.readAllStandardError();
    EXPECT_EQ(cli.exitCode(), 3) << err.constData();
    // The first entry is fetched last, so it is always among those named.
    EXPECT_TRUE(err.contains("multimeter-cli: error: ")) << err.constData();
    EXPECT_TRUE(err.contains("could not be fetched: address 1 (CAP, 14-03-2025, 09 30 00)")) << err.constData();
    const QStringList files = Files();
    ASSERT_GE(files.size(), 1);
    EXPECT_EQ(files[0], "logger-003-2025-12-31_23-59-00.mLog");
    // Every file holds a whole prefix of what the meter holds (a -partial file may follow).
    for (const QString& strName : files) {
        QString strError;
        const auto pDoc = CMyTalvaDoc::LoadFile(QDir(OutDir()).filePath(strName), &strError);
        ASSERT_TRUE(pDoc) << qPrintable(strError);
        const int nAddress = strName.mid(7, 3).toInt();
        const auto& rec = m_scenario.Logger().m_arrRecordings[nAddress - 1];
        const qsizetype nKept = pDoc->m_arrData[0].size();
        EXPECT_EQ(strName.contains("-partial"), nKept < rec.m_arrSamples.size()) << qPrintable(strName);
        ExpectSamples(pDoc->m_arrData[0], rec, nKept);
    }
}

TEST_F(LoggerCli, ProgressIsABarOnATerminal)
{
    // script(1) gives the program a terminal for stderr.
    const QString strScript = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (strScript.isEmpty())
        GTEST_SKIP() << "script(1) is not installed";
    CSimProcess sim({"--scenario", Scenario({Recording(5, 2, {25, 1, 1, 0, 0, 0}, 1, 12, 1.0, 1.0, 4)})});
    const QString strCommand = QStringLiteral("%1 logger --port %2 --out %3").arg(METER_CLI_PATH, sim.Port(), OutDir());
    QProcess script;
    script.start(strScript, {"-qec", strCommand, "/dev/null"});
    ASSERT_TRUE(script.waitForFinished(60000));
    EXPECT_EQ(script.exitCode(), 0);
    const QByteArray text = script.readAllStandardOutput();
    EXPECT_TRUE(text.contains("\rrecording 1 of 1 [##########....................] 1/3 blocks")) << text.constData();
    EXPECT_TRUE(text.contains("[##############################] 3/3 blocks")) << text.constData();
    EXPECT_EQ(Files(), QStringList({"logger-005-2025-01-01_00-00-00.mLog"}));
}
