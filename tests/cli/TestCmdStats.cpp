// multimeter-cli stats: the figures of a recording in its own unit, run as the program.
#include "document/CMyTalvaDoc.h"
#include "document/CSpanStatistics.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class CmdStats : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A capacitance recording as the meter ranges: nF, uF, mF, an overload and a stray
        // reading of another quantity.
        CMyTalvaDoc doc;
        const QList<QPair<const char*, double>> readings = {
            {"nF", 100.0}, {"nF", 470.0}, {"uF", 1.5}, {"uF", 500000.0}, {"uF", 499.6}, {"Ω", 12.0}, {"mF", 0.5011}};
        // The meter sends floats: the stored doubles carry their conversion noise, which the
        // figures must not show (501100, not 501100.0037193298).
        for (const auto& [pszUnit, dReading] : readings) {
            const double dValue = double(float(dReading));
            const int n = int(doc.m_arrData[0].size());
            doc.AddReading(0, QString::fromUtf8(pszUnit), n, QStringLiteral("12/3/25 10:11:%1").arg(n), "CAP", dValue,
                           0.0, 5000.0f, float(dValue));
        }
        ASSERT_TRUE(doc.SaveFile(m_strFile, nullptr));
        CMyTalvaDoc empty;
        ASSERT_TRUE(empty.SaveFile(m_dir.filePath("empty.mLog"), nullptr));
        QFile junk(m_dir.filePath("junk.mLog"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("not a recording");
    }

    int Run(const QStringList& args, const QString& strStdout = QString())
    {
        QProcess process;
        if (!strStdout.isEmpty())
            process.setStandardOutputFile(strStdout);
        process.start(QStringLiteral(METER_CLI_PATH), QStringList{QStringLiteral("stats")} + args);
        EXPECT_TRUE(process.waitForFinished(60000));
        m_out = process.readAllStandardOutput();
        m_err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QTemporaryDir m_dir;
    QString m_strFile = m_dir.filePath("cap.mLog");
    QByteArray m_out, m_err;
};

} // namespace

TEST_F(CmdStats, TheFiguresOfTheWholeRecordingOrAPartInItsUnit)
{
    ASSERT_EQ(Run({m_strFile}), 0) << m_err.constData();
    EXPECT_TRUE(m_err.isEmpty());
    const QList<QByteArray> lines = m_out.split('\n');
    ASSERT_EQ(lines.size(), 3); // header, values, and the end of the last line
    EXPECT_EQ(lines[0], "unit\tcount\tskipped\toverloads\tmin\tmin_time\tmax\tmax_time\taverage\tstd\tpeak_to_peak\tstart\tend");
    const QList<QByteArray> fields = lines[1].split('\t');
    ASSERT_EQ(fields.size(), 13) << lines[1].constData();
    EXPECT_EQ(fields[0], "nF");
    EXPECT_EQ(fields[1], "5");
    EXPECT_EQ(fields[2], "1");
    EXPECT_EQ(fields[3], "1");
    EXPECT_EQ(fields[4], "100");
    EXPECT_EQ(fields[5], "12/3/25 10:11:0");
    EXPECT_EQ(fields[6], "501100");
    EXPECT_EQ(fields[7], "12/3/25 10:11:6");
    EXPECT_EQ(fields[10], "501000");
    EXPECT_EQ(fields[11], "12/3/25 10:11:0");
    EXPECT_EQ(fields[12], "12/3/25 10:11:6");
    const double dAverage = (100.0 + 470.0 + 1500.0 + 499600.0 + 501100.0) / 5;
    EXPECT_NEAR(fields[8].toDouble(), dAverage, dAverage * 1e-6);

    // JSON: the same figures under the keys a script reads, as the figures of the graph's Measure.
    ASSERT_EQ(Run({m_strFile, "--format", "json", "--from", "2", "--to", "5"}), 0) << m_err.constData();
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(m_out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << m_out.constData();
    EXPECT_EQ(o.keys(), QStringList({"average", "count", "end", "max", "max_time", "min", "min_time", "overloads",
                                     "peak_to_peak", "skipped", "start", "std", "unit"}));
    const std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(m_strFile, nullptr);
    ASSERT_TRUE(pDoc);
    const CSpanStatistics st = CSpanStatistics::Of(*pDoc, 1, 4);
    EXPECT_EQ(o["unit"].toString(), "nF");
    EXPECT_EQ(o["count"].toInt(), 3);
    EXPECT_EQ(o["overloads"].toInt(), 1);
    EXPECT_EQ(o["skipped"].toInt(), 0);
    EXPECT_EQ(o["min"].toDouble(), 470.0);
    EXPECT_EQ(o["max"].toDouble(), 499600.0);
    EXPECT_EQ(o["max_time"].toString(), "12/3/25 10:11:4");
    // To a float's precision, the readings' own.
    EXPECT_NEAR(o["average"].toDouble(), st.dAverage, std::abs(st.dAverage) * 1e-7);
    EXPECT_NEAR(o["std"].toDouble(), st.dStdDev, st.dStdDev * 1e-7);
    EXPECT_EQ(o["peak_to_peak"].toDouble(), 499130.0);
    EXPECT_EQ(o["start"].toString(), "12/3/25 10:11:1");
    EXPECT_EQ(o["end"].toString(), "12/3/25 10:11:4");

    // A part without a reading in the figures: counts, and null where there is no figure.
    ASSERT_EQ(Run({m_strFile, "--from=4", "--to=4", "--format=json"}), 0);
    const QJsonObject overload = QJsonDocument::fromJson(m_out).object();
    EXPECT_EQ(overload["count"].toInt(), 0);
    EXPECT_EQ(overload["overloads"].toInt(), 1);
    EXPECT_TRUE(overload["min"].isNull());
    EXPECT_TRUE(overload["std"].isNull());
    ASSERT_EQ(Run({m_strFile, "--from", "6", "--to", "6"}), 0);
    EXPECT_TRUE(m_out.endsWith("nF\t0\t1\t0\t\t\t\t\t\t\t\t12/3/25 10:11:5\t12/3/25 10:11:5\n")) << m_out.constData();
}

TEST_F(CmdStats, FailuresSaySoWithTheirStatus)
{
    // Recordings that do not load or hold nothing, and readings they do not have: status 1.
    const QList<QStringList> failures = {{m_dir.filePath("junk.mLog")},
                                         {m_dir.filePath("missing.mLog")},
                                         {m_dir.filePath("empty.mLog")},
                                         {m_strFile, "--from", "8"},
                                         {m_strFile, "--to", "99"}};
    for (const QStringList& args : failures) {
        EXPECT_EQ(Run(args), 1) << args.join(' ').toStdString();
        EXPECT_TRUE(m_out.isEmpty());
        EXPECT_TRUE(m_err.startsWith("multimeter-cli: error: ")) << m_err.constData();
        EXPECT_EQ(m_err.count('\n'), 1);
    }
    EXPECT_TRUE(m_err.contains("readings 1 to 7, not 99")) << m_err.constData();
    // Bad use: 64 and the way to the help.
    const QList<QStringList> bad = {{},
                                    {m_strFile, m_strFile},
                                    {m_strFile, "--format", "csv"},
                                    {m_strFile, "--from", "0"},
                                    {m_strFile, "--from", "two"},
                                    {m_strFile, "--from", "5", "--to", "2"},
                                    {m_strFile, "--bogus"}};
    for (const QStringList& args : bad) {
        EXPECT_EQ(Run(args), 64) << args.join(' ').toStdString();
        EXPECT_TRUE(m_err.endsWith("Try 'multimeter-cli stats --help'.\n")) << m_err.constData();
    }
    // A full disk under stdout is a failure too.
    EXPECT_EQ(Run({m_strFile}, QStringLiteral("/dev/full")), 1);
    EXPECT_TRUE(m_err.contains("error")) << m_err.constData();
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(m_out.contains("stats FILE.mLog [--series] [--from I] [--to J] [--format tsv|json]")) << m_out.constData();
}
