// multimeter-cli dump: a recording's statistics and records as TSV or JSON.
#include "CmdDump.h"

#include "document/CMyTalvaDoc.h"
#include "document/CReadingsExport.h"
#include "scope/COscFile.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class CmdDump : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CMyTalvaDoc doc;
        doc.AddReading(0, "mVDC", 0, "12/3/25 10:11:12", "VDC", 0.1, 0.0, 5.0f, 0.1f);
        doc.AddReading(0, "mVDC", 1, "12/3/25 10:11:13", "VDC", 1.0 / 3.0, 0.0, 5.0f, 0.33f);
        doc.AddReading(1, "mVDC", 1, "a\tb", "Max", -500000.0, 1.0, 0.1f, 0.0f);
        doc.AddReading(2, "x", 0, "x", "x", 7.0, 0.0, 1.0f, 0.0f); // array 2 is not listed
        doc.m_arrData[1].AppendNull();
        ASSERT_TRUE(doc.SaveFile(m_strFile, nullptr));
    }

    int Run(const QString& strFormat = "tsv")
    {
        m_out.clear();
        m_strError.clear();
        QBuffer out(&m_out);
        out.open(QIODevice::WriteOnly);
        return DumpFile(m_strFile, strFormat, out, &m_strError);
    }

    QTemporaryDir m_dir;
    QString m_strFile = m_dir.filePath("rec.mLog");
    QByteArray m_out;
    QString m_strError;
};

TEST_F(CmdDump, TsvHasAHeaderPerSection)
{
    ASSERT_EQ(Run(), 0) << m_strError.toStdString();
    EXPECT_EQ(m_out, "average\tmax\tmax time\tmin\tmin time\tsample rate\tsum\tcount\tstart time\tend time\ttype\n"
                     "0.2167\t0.3333\t12/3/25 10:11:13\t0.1000\t12/3/25 10:11:12\t1.0000\t0.4333\t2\t"
                     "12/3/25 10:11:12\t12/3/25 10:11:13\tVDC\n"
                     "\narray\tindex\tvalue\tunit\tsample rate\ttime\ttype\trange\n"
                     "0\t0\t0.1000\tmVDC\t0.0000\t12/3/25 10:11:12\tVDC\t5.0000\n"
                     "0\t1\t0.3333\tmVDC\t0.0000\t12/3/25 10:11:13\tVDC\t5.0000\n"
                     "1\t1\t-500000.0000\tmVDC\t1.0000\ta\\tb\tMax\t0.1000\n"
                     "1\tnull\t\t\t\t\t\t\n");
}

TEST_F(CmdDump, JsonNumbersReadBackExactlyThroughTheProgram)
{
    QProcess cli;
    cli.start(QStringLiteral(METER_CLI_PATH), { "dump", m_strFile, "--format=json" });
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    const QJsonObject stats = json.value("statistics").toObject();
    EXPECT_EQ(stats.value("sum").toDouble(), 0.1 + 1.0 / 3.0);
    EXPECT_EQ(stats.value("count").toInt(), 2);
    EXPECT_EQ(stats.value("maxTime").toString(), "12/3/25 10:11:13");
    const QJsonArray records = json.value("records").toArray();
    ASSERT_EQ(records.size(), 4);
    EXPECT_EQ(records[1].toObject().value("value").toDouble(), 1.0 / 3.0);
    EXPECT_EQ(records[2].toObject().value("time").toString(), "a\tb");
    EXPECT_EQ(records[2].toObject().value("range").toDouble(), 0.1); // shortest float text
    EXPECT_TRUE(records[3].toObject().value("null").toBool());
}

TEST_F(CmdDump, CsvHasTheExportColumnsAndOverloadsAsText)
{
    CMyTalvaDoc doc;
    doc.AddReading(0, "V", 0, "1/2/25 3:4:5", "VDC", 1.5, 0.0, 10.0f, 1.5f);
    doc.AddReading(0, "V", 1, "1/2/25 3:4:6", "VDC", CObData::kOverload, 0.0, 10.0f, 20.0f);
    doc.AddReading(0, "V,x", 2, "say \"hi\"", "VDC", -CObData::kOverload, 0.0, 10.0f, -20.0f);
    doc.AddReading(1, "V", 2, "t", "Max", 2.0, 1.0, 10.0f, 0.0f); // secondary: not a reading of its own
    ASSERT_TRUE(doc.SaveFile(m_strFile, nullptr));
    ASSERT_EQ(Run("csv"), 0) << m_strError.toStdString();
    // The same lines as the export's CSV.
    EXPECT_EQ(m_out, "ID,Time,Value,Unit,Type\r\n"
                     "1,1/2/25 3:4:5,1.5000,V,VDC\r\n"
                     "2,1/2/25 3:4:6,OL,V,VDC\r\n"
                     "3,\"say \"\"hi\"\"\",OL,\"V,x\",VDC\r\n");
    EXPECT_EQ(QByteArray(m_out), CReadingsExport::CsvBytes(doc));
}

TEST_F(CmdDump, ControlCharactersFromTheFileNeverReachTheTerminalRaw)
{
    CMyTalvaDoc doc;
    // An escape sequence that would clear the screen, a bell, and the 8-bit CSI.
    doc.AddReading(0, QStringLiteral("\x1b[2J"), 0, QStringLiteral("\x07t"), QStringLiteral("V\u009bC"), 1.0, 0.0, 5.0f, 1.0f);
    ASSERT_TRUE(doc.SaveFile(m_strFile, nullptr));
    const auto raw = [](const QByteArray& out) {
        return out.contains('\x1b') || out.contains('\x07') || out.contains("\xc2\x9b");
    };
    ASSERT_EQ(Run("tsv"), 0) << m_strError.toStdString();
    EXPECT_FALSE(raw(m_out));
    EXPECT_TRUE(m_out.contains("0\t0\t1.0000\t\\x1b[2J\t0.0000\t\\x07t\tV\\u009bC\t5.0000\n")) << m_out.constData();
    ASSERT_EQ(Run("json"), 0) << m_strError.toStdString();
    EXPECT_FALSE(raw(m_out));
    EXPECT_TRUE(m_out.contains("\"unit\":\"\\u001b[2J\"") && m_out.contains("\"type\":\"V\\u009bC\"")) << m_out.constData();
    ASSERT_EQ(Run("csv"), 0) << m_strError.toStdString();
    EXPECT_FALSE(raw(m_out));
    EXPECT_TRUE(m_out.endsWith("1, t,1.0000, [2J,V C\r\n")) << m_out.constData();
}

TEST_F(CmdDump, OnlyWholeRecordingsInRegularFilesAreRead)
{
    // Bytes after the recording: the file is refused before anything is printed.
    {
        QFile file(m_strFile);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("tail");
    }
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(m_out.isEmpty());
    EXPECT_TRUE(m_strError.contains("rec.mLog") && m_strError.contains("the recording ends at byte ")) << m_strError.toStdString();

    // A waveform file under a recording's name is no recording.
    OscRecord record;
    record.m_unit = QStringLiteral("V");
    ASSERT_TRUE(COscFile::SaveFile(m_strFile, record, nullptr));
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(m_out.isEmpty());
    EXPECT_TRUE(m_strError.startsWith("Cannot open")) << m_strError.toStdString();

    // A FIFO would wait for a writer for ever: refused at once, as a waveform name too.
    for (const char* pszName : { "pipe.mLog", "pipe.osc" }) {
        const QString strFifo = m_dir.filePath(pszName);
        ASSERT_EQ(::mkfifo(strFifo.toLocal8Bit().constData(), 0600), 0);
        QProcess cli;
        cli.start(QStringLiteral(METER_CLI_PATH), { "dump", strFifo });
        const bool bEnded = cli.waitForFinished(10000);
        if (!bEnded) {
            cli.kill();
            cli.waitForFinished(1000);
        }
        ASSERT_TRUE(bEnded) << pszName;
        EXPECT_EQ(cli.exitCode(), 1);
        EXPECT_TRUE(cli.readAllStandardError().contains("it is not a regular file"));
    }
}

TEST_F(CmdDump, BadFilesAndArgumentsFailOnStderr)
{
    QFile(m_strFile).resize(40);
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(m_strError.contains("rec.mLog") && m_strError.contains("ends early")) << m_strError.toStdString();
    const QString strFile = m_dir.filePath("ok.mLog");
    ASSERT_TRUE(CMyTalvaDoc().SaveFile(strFile, nullptr));
    for (const QStringList& args : { QStringList{ "dump" }, QStringList{ "dump", strFile, "--format", "xml" },
                                     QStringList{ "dump", strFile, "--bogus" }, QStringList{ "dump", strFile, strFile } }) {
        QProcess cli;
        cli.start(QStringLiteral(METER_CLI_PATH), args);
        ASSERT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitCode(), 64) << args.join(' ').toStdString();
        EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
        const QString strErr = QString::fromUtf8(cli.readAllStandardError());
        EXPECT_TRUE(strErr.startsWith("multimeter-cli: error: ") && strErr.endsWith("Try 'multimeter-cli dump --help'.\n"))
            << strErr.toStdString();
    }
}

} // namespace
