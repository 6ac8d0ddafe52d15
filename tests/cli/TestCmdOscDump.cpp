// multimeter-cli dump FILE.osc: a waveform file's fields and points, and files it refuses.
#include "scope/COscDecoder.h"
#include "scope/COscFile.h"
#include "scope/COscTestFrame.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The real program, so that usage errors and --help go through the verb table.
int DumpOsc(const QStringList& args, QByteArray* pOut, QByteArray* pErr)
{
    QProcess cli;
    cli.start(QStringLiteral(METER_CLI_PATH), QStringList{"dump"} + args);
    if (!cli.waitForFinished(10000))
        return -1;
    *pOut = cli.readAllStandardOutput();
    *pErr = cli.readAllStandardError();
    return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
}

} // namespace

TEST(CmdOscDump, FieldsAndPointsAsTsvAndJsonAndHostileFilesRefused)
{
    QTemporaryDir dir;
    OscRecord record;
    record.m_slot = 3;
    record.m_valid = 1;
    record.m_status = 2;
    record.m_rateCode = 7;
    record.m_voltsText = QStringLiteral("1.00 V/div");
    record.m_unit = QStringLiteral("V");
    record.m_freqText = QStringLiteral("a\tb");
    for (int i = 0; i < OscRecord::kSamples; ++i)
        record.m_samples[i] = float(i) / 100.0f;
    record.m_bars[10] = 42.0f;
    const QString strPath = dir.filePath("w.OSC");
    QString strError;
    ASSERT_TRUE(COscFile::SaveFile(strPath, record, &strError)) << qPrintable(strError);

    QByteArray out, err;
    ASSERT_EQ(DumpOsc({strPath}, &out, &err), 0) << err.constData();
    const QList<QByteArray> lines = out.split('\n');
    EXPECT_EQ(lines[0], "field\tvalue");
    EXPECT_TRUE(lines.contains("slot\t3"));
    EXPECT_TRUE(lines.contains("voltsText\t1.00 V/div"));
    EXPECT_TRUE(lines.contains("freqText\ta\\tb")); // a tab cannot split the columns
    const qsizetype nSamples = lines.indexOf("sample\ttime_s\tvalue\tunit");
    ASSERT_GE(nSamples, 0);
    EXPECT_EQ(lines[nSamples + 2].split('\t')[2], "0.01");
    EXPECT_EQ(lines[nSamples + 2].split('\t')[3], "V");
    const qsizetype nBars = lines.indexOf("bar\tfrequency_hz\tvalue");
    ASSERT_EQ(nBars, nSamples + 300 + 2);
    EXPECT_EQ(lines[nBars + 11].split('\t')[2], "42");

    ASSERT_EQ(DumpOsc({strPath, "--format", "json"}, &out, &err), 0) << err.constData();
    const QJsonObject root = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(root["fields"].toObject()["slot"].toInt(), 3);
    EXPECT_EQ(root["samples"].toArray().size(), 300);
    EXPECT_EQ(float(root["samples"].toArray()[299].toObject()["value"].toDouble()), 2.99f); // the stored float's shortest text
    EXPECT_DOUBLE_EQ(root["bars"].toArray()[10].toObject()["value"].toDouble(), 42.0);

    // Truncated, empty and foreign files: an error naming the file, status 1, nothing on stdout.
    const QByteArray whole = COscFile::SaveBytes(record);
    for (const QByteArray& bytes : {whole.left(whole.size() / 2), QByteArray(), QByteArray(5000, '\xff')}) {
        const QString strBad = dir.filePath("bad.osc");
        QFile file(strBad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_EQ(DumpOsc({strBad}, &out, &err), 1) << bytes.size();
        EXPECT_TRUE(out.isEmpty());
        EXPECT_TRUE(err.startsWith("multimeter-cli: error: ")) << err.constData();
    }
    EXPECT_EQ(DumpOsc({dir.filePath("missing.osc")}, &out, &err), 1);
    EXPECT_EQ(DumpOsc({strPath, "--format", "xml"}, &out, &err), 64);
    EXPECT_TRUE(err.contains("Try 'multimeter-cli dump --help'."));
    EXPECT_EQ(DumpOsc({strPath, strPath}, &out, &err), 64);
    EXPECT_EQ(DumpOsc({strPath, "--help"}, &out, &err), 0);
    EXPECT_TRUE(out.contains(".osc"));
}

TEST(CmdOscDump, TextsReadAsCsPrintfWroteThem)
{
    // A live screen at 0.5 us/div whose second crossing lies 160 samples before the first:
    // -0.3125 MHz exactly, which "%.3f" rounds to the even digit.
    COscTestFrame frame;
    frame.Set(1, 16).Word(30, 168).Word(32, 8);
    OscRecord record;
    ASSERT_TRUE(COscDecoder::Decode(frame.Hex(), &record));
    QTemporaryDir dir;
    const QString strPath = dir.filePath("tie.osc");
    QString strError;
    ASSERT_TRUE(COscFile::SaveFile(strPath, record, &strError)) << qPrintable(strError);

    QByteArray out, err;
    ASSERT_EQ(DumpOsc({strPath}, &out, &err), 0) << err.constData();
    const QList<QByteArray> lines = out.split('\n');
    EXPECT_TRUE(lines.contains("freqText\t-0.312 MHz")) << out.left(2000).constData();
    EXPECT_TRUE(lines.contains("periodText\t-3200.0 nS"));
    ASSERT_EQ(DumpOsc({strPath, "--format", "json"}, &out, &err), 0) << err.constData();
    EXPECT_EQ(QJsonDocument::fromJson(out).object()["fields"].toObject()["freqText"].toString(), "-0.312 MHz");
}
