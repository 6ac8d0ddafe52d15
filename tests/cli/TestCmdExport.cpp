// multimeter-cli export: a recording as .xls text, CSV, or PDF pages, run as the program.
#include "CFileSizeLimit.h"
#include "CPdfText.h"
#include "document/CMyTalvaDoc.h"
#include "document/CReadingsExport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class CmdExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CMyTalvaDoc doc;
        for (int i = 0; i < 25; ++i)
            doc.AddReading(0, "mVDC", i, QStringLiteral("12/3/25 10:11:%1").arg(i), "VDC", i * 0.25, 0.0, 50.0f,
                           float(i * 0.25));
        doc.AddReading(0, "mVDC", 25, "12/3/25 10:12:00", "VDC", CObData::kOverload, 0.0, 50.0f, 600000.0f);
        ASSERT_TRUE(doc.SaveFile(m_strFile, nullptr));
        CMyTalvaDoc empty;
        ASSERT_TRUE(empty.SaveFile(m_dir.filePath("empty.mLog"), nullptr));
        QFile junk(m_dir.filePath("junk.mLog"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray("\xff\xff\xff\x7f not a recording", 20));
    }

    // nMaxFileBytes > 0: the "disk" of the export is full beyond that many bytes.
    int Run(const QStringList& args, bool bDefaultPlatform = false, rlim_t nMaxFileBytes = 0)
    {
        QProcess process;
        if (nMaxFileBytes > 0) {
            process.setChildProcessModifier([nMaxFileBytes] { CFileSizeLimit::Apply(nMaxFileBytes); });
        }
        if (bDefaultPlatform) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            process.setProcessEnvironment(env);
        }
        process.start(QStringLiteral(METER_CLI_PATH), QStringList{QStringLiteral("export")} + args);
        EXPECT_TRUE(process.waitForFinished(60000));
        m_out = process.readAllStandardOutput();
        m_err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }

    static QByteArray Read(const QString& strPath)
    {
        QFile file(strPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_strFile = m_dir.filePath("rec.mLog");
    QByteArray m_out, m_err;
};

} // namespace

TEST_F(CmdExport, EachFormatWritesWhatTheWindowWould)
{
    const std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(m_strFile, nullptr);
    ASSERT_TRUE(pDoc);

    ASSERT_EQ(Run({m_strFile, "--to", Path("out.xls")}), 0) << m_err.toStdString();
    EXPECT_TRUE(m_out.isEmpty());
    EXPECT_TRUE(m_err.isEmpty());
    const QByteArray xls = Read(Path("out.xls"));
    EXPECT_EQ(xls, CReadingsExport::XlsBytes(*pDoc));
    EXPECT_TRUE(xls.startsWith(QByteArray("\xff\xfeS\0t\0", 6)));

    // CSV by the file's extension, or asked for.
    ASSERT_EQ(Run({m_strFile, "--to", Path("out.csv")}), 0) << m_err.toStdString();
    const QByteArray csv = Read(Path("out.csv"));
    EXPECT_TRUE(csv.startsWith("ID,Time,Value,Unit,Type\r\n1,12/3/25 10:11:0,0.0000,mVDC,VDC\r\n")) << csv.constData();
    EXPECT_TRUE(csv.endsWith("26,12/3/25 10:12:00,OL,mVDC,VDC\r\n"));
    ASSERT_EQ(Run({m_strFile, "--to", Path("table.txt"), "--format", "csv"}), 0);
    EXPECT_EQ(Read(Path("table.txt")), csv);

    // PDF pages, with the offscreen platform when none is named.
    ASSERT_EQ(Run({m_strFile, "--to", Path("graph.pdf"), "--format", "pdf-graph"}, true), 0) << m_err.toStdString();
    const QList<PdfText::CPage> graph = PdfText::Read(Path("graph.pdf"));
    ASSERT_EQ(graph.size(), 1);
    const QStringList graphLines = graph[0].Lines();
    EXPECT_EQ(graphLines.value(0), "Graph");
    EXPECT_TRUE(graphLines.contains("Data Number: 26")) << graphLines.join('|').toStdString();
    EXPECT_TRUE(graphLines.contains("Function: VDC"));
    EXPECT_EQ(graphLines.last(), "Unit: mV DC");
    ASSERT_EQ(Run({m_strFile, "--to", Path("data.pdf"), "--format=pdf-data"}), 0) << m_err.toStdString();
    const QList<PdfText::CPage> data = PdfText::Read(Path("data.pdf"));
    ASSERT_EQ(data.size(), 1);
    const QStringList lines = data[0].Lines();
    ASSERT_EQ(lines.size(), 6 + 26 + 1) << lines.join('|').toStdString();
    EXPECT_EQ(lines[1], "Start Time 12/3/25 10:11:0");
    EXPECT_EQ(lines[31], "26 12/3/25 10:12:00 mVDC OL");
    EXPECT_TRUE(data[0].Text().contains("Page -1-"));

    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(m_out.contains("export FILE.mLog [--series] --to OUT")) << m_out.constData();
    EXPECT_TRUE(m_out.contains("--format"));
    EXPECT_TRUE(m_err.isEmpty());
}

TEST_F(CmdExport, AFullDiskOrNothingButEmptyElementsFailsAndSaysWhy)
{
    for (const char* pszName : {"full.xls", "full.csv"}) {
        EXPECT_EQ(Run({m_strFile, "--to", Path(pszName)}, false, 512), 1) << pszName;
        EXPECT_EQ(QString::fromUtf8(m_err), QStringLiteral("multimeter-cli: error: Cannot save \"%1\": %2.\n")
                                                 .arg(Path(pszName), QString::fromLocal8Bit(std::strerror(EFBIG))));
        EXPECT_FALSE(QFile::exists(Path(pszName)));
    }

    // A recording whose readings are all empty elements holds nothing to export.
    CMyTalvaDoc holes;
    for (int i = 0; i < 3; ++i)
        holes.m_arrData[0].AppendNull();
    ASSERT_TRUE(holes.SaveFile(Path("holes.mLog"), nullptr));
    for (const char* pszFormat : {"xls", "csv"}) {
        EXPECT_EQ(Run({Path("holes.mLog"), "--to", Path("holes.out"), "--format", pszFormat}), 1) << pszFormat;
        EXPECT_TRUE(m_err.contains("holds no readings")) << m_err.constData();
        EXPECT_FALSE(QFile::exists(Path("holes.out")));
    }
}

TEST_F(CmdExport, FailuresWriteNothingAndSaySo)
{
    // Files that do not load, or hold nothing to export: status 1, no output, an old one kept.
    for (const char* pszFormat : {"xls", "csv", "pdf-graph", "pdf-data"}) {
        for (const char* pszInput : {"junk.mLog", "missing.mLog", "empty.mLog"}) {
            const QString strOut = Path("out.bin");
            EXPECT_EQ(Run({Path(pszInput), "--to", strOut, "--format", pszFormat}), 1) << pszFormat << pszInput;
            EXPECT_TRUE(m_err.startsWith("multimeter-cli: error: ")) << m_err.constData();
            EXPECT_EQ(m_err.count('\n'), 1);
            EXPECT_TRUE(m_out.isEmpty());
            EXPECT_FALSE(QFile::exists(strOut)) << pszFormat << " " << pszInput;
        }
    }
    QFile old(Path("keep.xls"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();
    EXPECT_EQ(Run({Path("junk.mLog"), "--to", Path("keep.xls")}), 1);
    EXPECT_EQ(Read(Path("keep.xls")), QByteArray("previous"));

    // An output that cannot be created.
    for (const char* pszFormat : {"xls", "pdf-data"}) {
        EXPECT_EQ(Run({m_strFile, "--to", Path("no/such/dir/out"), "--format", pszFormat}), 1);
        EXPECT_TRUE(m_err.contains("Cannot save")) << m_err.constData();
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 4); // the inputs and keep.xls

    // Usage errors: 64, the reason and the way to the help.
    const QList<QStringList> bad = {
        {m_strFile},
        {"--to", Path("x.xls")},
        {m_strFile, "--to", Path("x.xls"), "--format", "xlsx"},
        {m_strFile, "--to", Path("x.pdf")},
        {m_strFile, Path("other.mLog"), "--to", Path("x.xls")},
        {m_strFile, "--to", m_strFile},
        {m_strFile, "--to", Path("x.xls"), "--bogus"},
    };
    for (const QStringList& args : bad) {
        EXPECT_EQ(Run(args), 64) << args.join(' ').toStdString();
        EXPECT_TRUE(m_err.startsWith("multimeter-cli: error: ")) << m_err.constData();
        EXPECT_TRUE(m_err.endsWith("Try 'multimeter-cli export --help'.\n")) << m_err.constData();
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 4);
    EXPECT_EQ(CMyTalvaDoc::LoadFile(m_strFile, nullptr)->m_nCount, 26); // the input is untouched
}

TEST_F(CmdExport, TheProgramLinksNoWidgetPrintOrDBusLibraryAndItsPdfModuleDrawsThePages)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(METER_CLI_PATH)});
    if (!ldd.waitForFinished(30000) || ldd.exitCode() != 0)
        GTEST_SKIP() << "ldd does not run here";
    const QString strLibraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    EXPECT_TRUE(strLibraries.contains(QStringLiteral("libQt6Core"))) << strLibraries.toStdString();
    for (const char* pszLibrary : {"Qt6Widgets", "Qt6PrintSupport", "Qt6DBus", "libdbus", "Qt6Gui"})
        EXPECT_FALSE(strLibraries.contains(QLatin1String(pszLibrary))) << pszLibrary << "\n" << strLibraries.toStdString();
    // The pages come from the module beside it.
    ASSERT_EQ(Run({m_strFile, "--to", Path("module.pdf"), "--format", "pdf-data"}), 0) << m_err.toStdString();
    EXPECT_EQ(PdfText::Read(Path("module.pdf")).size(), 1);

    // A program without its module says so for PDF pages, and writes every other format.
    QTemporaryDir alone;
    const QString strAlone = alone.filePath(QStringLiteral("multimeter-cli"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(METER_CLI_PATH), strAlone));
    QProcess process;
    process.start(strAlone, {QStringLiteral("export"), m_strFile, "--to", Path("none.pdf"), "--format", "pdf-graph"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    const QByteArray err = process.readAllStandardError();
    EXPECT_TRUE(err.startsWith("multimeter-cli: error: PDF pages need the module multimeter-pdf.so")) << err.constData();
    EXPECT_FALSE(QFile::exists(Path("none.pdf")));
    process.start(strAlone, {QStringLiteral("export"), m_strFile, "--to", Path("alone.csv")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
}
