// multimeter-cli osc and dump FILE.osc against meter-sim: a live and a stored
// waveform saved as .osc, .csv and .xlsx, and read back.
#include "CFileSizeLimit.h"
#include "CSimProcess.h"

#include "scope/COscFile.h"
#include "scope/CXlsxReader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Raw levels of the two screens: 135 is 0 V, 25 levels a division.
QList<int> Levels(int nSeed)
{
    QList<int> levels;
    for (int i = 0; i < 300; ++i)
        levels << 110 + (i * nSeed) % 51; // 110 .. 160: -1 V .. 1 V at 1 V/div
    return levels;
}

QJsonArray ToJson(const QList<int>& levels)
{
    QJsonArray arr;
    for (int n : levels)
        arr.append(n);
    return arr;
}

class OscCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        const QJsonArray steps{
            QJsonObject{{"type", "oscMode"}},
            QJsonObject{{"type", "osc"}, {"slot", 0}, {"status", 2}, {"timeBase", 7}, {"voltScale", 7},
                        {"samples", ToJson(m_live)}, {"crossings", QJsonArray{8, 58}}},
            QJsonObject{{"type", "osc"}, {"slot", 4}, {"status", 1}, {"timeBase", 1}, {"voltScale", 7},
                        {"samples", ToJson(m_stored)}, {"crossings", QJsonArray{8, 18}},
                        {"date", QJsonArray{2025, 3, 14, 9, 4, 0}}},
            QJsonObject{{"type", "pause"}, {"ms", 50}},
        };
        const QString strPath = m_dir.filePath("osc.json");
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{"loop", true}, {"steps", steps}}).toJson());
        file.close();
        m_pSim = std::make_unique<CSimProcess>(QStringList{"--scenario", strPath, "--rate", "20"});
        ASSERT_FALSE(m_pSim->Port().isEmpty());
    }
    CCliResult Osc(const QStringList& extra) { return RunCli(QStringList{"osc", "--port", m_pSim->Port()} + extra); }
    static float Volts(int nLevel) { return float(nLevel - 135) / 25.0f; }

    QTemporaryDir m_dir;
    QList<int> m_live = Levels(7);
    QList<int> m_stored = Levels(13);
    std::unique_ptr<CSimProcess> m_pSim;
};

} // namespace

TEST_F(OscCli, LiveAndStoredWaveformsAreSavedAsTheFramesSay)
{
    const QString strLive = m_dir.filePath("live.osc");
    const CCliResult live = Osc({"--slot", "0", "--out", strLive});
    ASSERT_EQ(live.nStatus, 0) << qPrintable(live.strError);
    QString strError;
    const std::optional<OscRecord> liveRecord = COscFile::LoadFile(strLive, &strError);
    ASSERT_TRUE(liveRecord) << qPrintable(strError);
    EXPECT_EQ(liveRecord->m_slot, 0);
    EXPECT_EQ(liveRecord->m_status, 2);
    EXPECT_EQ(liveRecord->m_voltsText, "1.00 V/div");
    EXPECT_EQ(liveRecord->m_unit, "V");
    for (int i = 0; i < 300; ++i)
        ASSERT_FLOAT_EQ(liveRecord->m_samples[i], Volts(m_live[i])) << i;

    const QString strStored = m_dir.filePath("stored.osc");
    const CCliResult stored = Osc({"--slot", "4", "--out", strStored, "--seconds", "20"});
    ASSERT_EQ(stored.nStatus, 0) << qPrintable(stored.strError);
    const std::optional<OscRecord> storedRecord = COscFile::LoadFile(strStored, &strError);
    ASSERT_TRUE(storedRecord) << qPrintable(strError);
    EXPECT_EQ(storedRecord->m_slot, 4);
    EXPECT_EQ(storedRecord->m_status, 1);
    EXPECT_EQ(storedRecord->m_year, 2025);
    EXPECT_EQ(storedRecord->m_minute, 4);
    for (int i = 0; i < 300; ++i)
        ASSERT_FLOAT_EQ(storedRecord->m_samples[i], Volts(m_stored[i])) << i;

    // dump, both forms.
    const CCliResult tsv = RunCli({"dump", strStored});
    ASSERT_EQ(tsv.nStatus, 0) << qPrintable(tsv.strError);
    EXPECT_TRUE(tsv.lines.contains("slot\t4"));
    const qsizetype nHeader = tsv.lines.indexOf("sample\ttime_s\tvalue\tunit");
    ASSERT_GE(nHeader, 0);
    const QStringList first = tsv.lines[nHeader + 1].split('\t');
    ASSERT_EQ(first.size(), 4);
    EXPECT_EQ(first[0], "0");
    EXPECT_FLOAT_EQ(first[2].toFloat(), Volts(m_stored[0]));
    EXPECT_EQ(first[3], "V");
    EXPECT_TRUE(tsv.lines.contains("bar\tfrequency_hz\tvalue"));
    const CCliResult json = RunCli({"dump", strStored, "--format", "json"});
    ASSERT_EQ(json.nStatus, 0) << qPrintable(json.strError);
    const QJsonObject root = QJsonDocument::fromJson(json.lines.join('\n').toUtf8()).object();
    EXPECT_EQ(root["fields"].toObject()["slot"].toInt(), 4);
    const QJsonArray samples = root["samples"].toArray();
    ASSERT_EQ(samples.size(), 300);
    for (int i = 0; i < 300; ++i)
        ASSERT_FLOAT_EQ(float(samples[i].toObject()["value"].toDouble()), Volts(m_stored[i])) << i;
    EXPECT_EQ(root["bars"].toArray().size(), 120);

    // The stored one as CSV and as a workbook.
    const QString strCsv = m_dir.filePath("stored.csv");
    ASSERT_EQ(Osc({"--slot", "4", "--out", strCsv}).nStatus, 0);
    QFile csv(strCsv);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().split('\n');
    ASSERT_EQ(rows.size(), 302); // heading, 300 points, the empty piece after the last line break
    EXPECT_EQ(rows[0], "index,time_s,value,unit");
    for (int i = 0; i < 300; ++i) {
        const QList<QByteArray> cells = rows[i + 1].split(',');
        ASSERT_EQ(cells.size(), 4);
        ASSERT_EQ(cells[0].toInt(), i);
        ASSERT_FLOAT_EQ(cells[2].toFloat(), Volts(m_stored[i])) << i;
        ASSERT_EQ(cells[3], "V");
    }
    const QString strXlsx = m_dir.filePath("stored.xlsx");
    ASSERT_EQ(Osc({"--slot", "4", "--out", strXlsx}).nStatus, 0);
    CXlsxReader workbook;
    ASSERT_TRUE(workbook.Open(strXlsx, &strError)) << qPrintable(strError);
    EXPECT_EQ(workbook.SheetNames(), QStringList({"DataSheet"}));
    EXPECT_EQ(workbook.LastRow(), 307);
    for (int i = 0; i < 300; ++i) {
        const auto cell = workbook.Cell(8 + i, 3);
        ASSERT_TRUE(cell && cell->bNumber) << i;
        ASSERT_NEAR(cell->dNumber, Volts(m_stored[i]), 1e-6) << i;
    }
}

TEST_F(OscCli, NothingWithinTheTimeIsAnErrorAndBadUseIsRefused)
{
    const QString strOut = m_dir.filePath("none.osc");
    // The scenario never sends slot 9.
    const CCliResult none = Osc({"--slot", "9", "--seconds", "1.5", "--out", strOut});
    EXPECT_EQ(none.nStatus, 1);
    EXPECT_TRUE(none.strError.contains("multimeter-cli: error: no waveform of slot 9 received within 1.5 s"))
        << qPrintable(none.strError);
    EXPECT_FALSE(QFile::exists(strOut));

    // Without --slot the first screen of any slot is taken.
    const CCliResult any = Osc({"--out", strOut});
    EXPECT_EQ(any.nStatus, 0) << qPrintable(any.strError);
    EXPECT_TRUE(QFile::exists(strOut));

    // A file that cannot be written: a clear error before connecting, no file.
    const CCliResult unwritable = Osc({"--out", m_dir.filePath("no/such/folder/x.osc")});
    EXPECT_EQ(unwritable.nStatus, 1);
    EXPECT_TRUE(unwritable.strError.contains("multimeter-cli: error: cannot save the waveform into")
                && unwritable.strError.contains("does not exist"))
        << qPrintable(unwritable.strError);

    for (const QStringList& bad : {QStringList{"--out", m_dir.filePath("x.txt")}, QStringList{"--slot", "11", "--out", strOut},
                                   QStringList{"--slot", "-1", "--out", strOut}, QStringList{}}) {
        const CCliResult r = Osc(bad);
        EXPECT_EQ(r.nStatus, 64) << qPrintable(bad.join(' '));
        EXPECT_TRUE(r.strError.contains("Try 'multimeter-cli osc --help'.")) << qPrintable(r.strError);
    }
    const CCliResult help = RunCli({"osc", "--help"});
    EXPECT_EQ(help.nStatus, 0);
    EXPECT_TRUE(help.lines.join('\n').contains("--slot"));
}

TEST_F(OscCli, AFullDiskFailsAndLeavesNoFile)
{
    for (const char* pszName : {"full.osc", "full.csv", "full.xlsx"}) {
        const QString strOut = m_dir.filePath(pszName);
        QProcess cli;
        // Every file of the run is full beyond 1000 bytes: a waveform file takes about 2000.
        cli.setChildProcessModifier([] { CFileSizeLimit::Apply(1000); });
        cli.start(QStringLiteral(METER_CLI_PATH), {"osc", "--port", m_pSim->Port(), "--out", strOut});
        ASSERT_TRUE(cli.waitForFinished(30000)) << pszName;
        const QString strError = QString::fromUtf8(cli.readAllStandardError());
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(cli.exitCode(), 1) << qPrintable(strError);
        EXPECT_TRUE(strError.contains(QStringLiteral("multimeter-cli: error: Cannot save \"%1\": ").arg(strOut))) << qPrintable(strError);
        EXPECT_FALSE(strError.contains("saved the waveform")) << qPrintable(strError);
        EXPECT_FALSE(QFile::exists(strOut)) << pszName;
    }

    // The folder is checked before the port: the missing dongle is not what is reported.
    const CCliResult missing = RunCli({"osc", "--port", "/dev/no-such-dongle", "--out", m_dir.filePath("no/such/dir/x.csv")});
    EXPECT_EQ(missing.nStatus, 1);
    EXPECT_TRUE(missing.strError.contains("does not exist") && missing.strError.contains("no/such/dir")) << qPrintable(missing.strError);
    EXPECT_FALSE(missing.strError.contains("Can't open"));
}
