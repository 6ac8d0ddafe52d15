// The ".xls" text and the CSV file of a recording's readings.
#include "document/CMyTalvaDoc.h"
#include "document/CReadingsExport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "CFileSizeLimit.h"

#include <cstring>
#include <string>

namespace {

// UTF-16LE of text given as UTF-8, written out unit by unit.
QByteArray Le16(const std::u16string& str)
{
    QByteArray bytes;
    for (char16_t c : str) {
        bytes.append(char(c & 0xff));
        bytes.append(char(c >> 8));
    }
    return bytes;
}

QByteArray Xls(const std::u16string& strText)
{
    return QByteArray("\xff\xfe", 2) + Le16(strText);
}

void Add(CMyTalvaDoc& doc, double dValue, const QString& strTime, const QString& strUnit = QStringLiteral("V"),
         const QString& strType = QStringLiteral("VDC"))
{
    const int n = int(doc.m_arrData[0].size());
    doc.AddReading(0, strUnit, n, strTime, strType, dValue, 0.0, 6.0f, float(dValue));
}

QByteArray ReadFile(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(ReadingsExport, OverloadedOnlyReadingKeepsTheConstructionStatistics)
{
    CMyTalvaDoc doc;
    Add(doc, CObData::kOverload, QStringLiteral("2025/01/02 03:04:05"));
    EXPECT_EQ(CReadingsExport::XlsBytes(doc),
              Xls(u"StartTime\t\t\n"
                  u"Max\t-60000.0000 @ \t\n"
                  u"Min\t60000.0000 @ \t\n"
                  u"Average\t0.0000\t\n"
                  u"EndTime\t2025/01/02 03:04:05\t\n"
                  u"ID\tUnit\tValue\tType\tDateTime\t\n"
                  u"1\tV\tOL\tVDC\t2025/01/02 03:04:05\t\n"));
}

TEST(ReadingsExport, XlsIsByteExactWithNumbersUnitsAndGaps)
{
    CMyTalvaDoc doc;
    Add(doc, 1.23456, QStringLiteral("t1"), QStringLiteral("k\u03a9"), QStringLiteral("OHM"));
    Add(doc, -2.5, QStringLiteral("t2"), QStringLiteral("k\u03a9"), QStringLiteral("OHM"));
    doc.m_arrData[0].AppendNull(); // a file may store null references: skipped, numbers kept
    doc.m_arrData[0].Append(CObData(-CObData::kOverload, QStringLiteral("k\u03a9"), 0.0, 3, QStringLiteral("t4"),
                                        QStringLiteral("OHM"), 6.0f));
    doc.AddReading(1, QStringLiteral("k\u03a9"), 0, QStringLiteral("s"), QStringLiteral("Max"), 9.0, 1.0, 6.0f, 9.0f);

    // Secondary readings stay out; only +500000.0 reads "OL", -500000.0 is a number; the
    // end time is the last reading's own.
    EXPECT_EQ(CReadingsExport::XlsBytes(doc),
              Xls(u"StartTime\tt1\t\n"
                  u"Max\t1.2346 @ t1\t\n"
                  u"Min\t-2.5000 @ t2\t\n"
                  u"Average\t-0.6327\t\n"
                  u"EndTime\tt4\t\n"
                  u"ID\tUnit\tValue\tType\tDateTime\t\n"
                  u"1\tk\u03a9\t1.2346\tOHM\tt1\t\n"
                  u"2\tk\u03a9\t-2.5000\tOHM\tt2\t\n"
                  u"4\tk\u03a9\t-500000.0000\tOHM\tt4\t\n"));
    // The Greek capital omega as the two bytes A9 03.
    EXPECT_TRUE(CReadingsExport::XlsBytes(doc).contains(QByteArray("k\0\xa9\x03\t\0", 6)));

    EXPECT_EQ(CReadingsExport::DefaultXlsName(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 59))),
              QStringLiteral("2026-3-4 5-6.xls"));
    EXPECT_EQ(CReadingsExport::DefaultXlsName(QDateTime(QDate(2026, 12, 31), QTime(23, 59))),
              QStringLiteral("2026-12-31 23-59.xls"));
}

TEST(ReadingsExport, CsvFollowsRfc4180InUtf8)
{
    CMyTalvaDoc doc;
    Add(doc, 0.5, QStringLiteral("2025/1/2 3:4:5"), QStringLiteral("\u00b0C"), QStringLiteral("TEMP"));
    Add(doc, CObData::kOverload, QStringLiteral("a,b"), QStringLiteral("V"), QStringLiteral("say \"hi\""));
    Add(doc, -CObData::kOverload, QStringLiteral("line\nbreak"), QStringLiteral("V"), QStringLiteral("x\ry"));
    Add(doc, -1.0 / 3.0, QStringLiteral("plain"));
    EXPECT_EQ(CReadingsExport::CsvBytes(doc),
              QByteArray("ID,Time,Value,Unit,Type\r\n"
                         "1,2025/1/2 3:4:5,0.5000,\xc2\xb0" "C,TEMP\r\n"
                         "2,\"a,b\",OL,V,\"say \"\"hi\"\"\"\r\n"
                         "3,line break,OL,V,x y\r\n"
                         "4,plain,-0.3333,V,VDC\r\n"));
    CMyTalvaDoc empty;
    EXPECT_EQ(CReadingsExport::CsvBytes(empty), QByteArray("ID,Time,Value,Unit,Type\r\n"));
}

TEST(ReadingsExport, TextCellsNeverBecomeFormulasOrBreakTheRow)
{
    CMyTalvaDoc doc;
    Add(doc, -1.5, QStringLiteral("@SUM(A1)"), QStringLiteral("=HYPERLINK(\"http://x\",\"y\")"), QStringLiteral("+cmd"));
    // One unit for both, or the second would be left out of the figures as another quantity.
    Add(doc, -2.0, QStringLiteral("1/2/25\t3:4:5"), QStringLiteral("=HYPERLINK(\"http://x\",\"y\")"),
        QStringLiteral("-VDC\nsecond row"));
    doc.m_strStartTime = QStringLiteral("=start");
    doc.m_strMaxTime = QStringLiteral("-\tmax");
    // Values stay numbers, negative ones too; only the texts change.
    EXPECT_EQ(CReadingsExport::XlsBytes(doc),
              Xls(u"StartTime\t'=start\t\n"
                  u"Max\t-1.5000 @ - max\t\n"
                  u"Min\t-2.0000 @ 1/2/25 3:4:5\t\n"
                  u"Average\t-1.7500\t\n"
                  u"EndTime\t1/2/25 3:4:5\t\n"
                  u"ID\tUnit\tValue\tType\tDateTime\t\n"
                  u"1\t'=HYPERLINK(\"http://x\",\"y\")\t-1.5000\t'+cmd\t'@SUM(A1)\t\n"
                  u"2\t'=HYPERLINK(\"http://x\",\"y\")\t-2.0000\t'-VDC second row\t1/2/25 3:4:5\t\n"));
    EXPECT_EQ(CReadingsExport::CsvBytes(doc),
              QByteArray("ID,Time,Value,Unit,Type\r\n"
                         "1,'@SUM(A1),-1.5000,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",'+cmd\r\n"
                         "2,1/2/25 3:4:5,-2.0000,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",'-VDC second row\r\n"));
}

TEST(ReadingsExport, AFullDiskFailsTheExportWithTheSystemsReason)
{
    QTemporaryDir dir;
    CMyTalvaDoc doc;
    for (int i = 0; i < 2000; ++i)
        Add(doc, i, QStringLiteral("1/2/25 3:4:%1").arg(i % 60));
    QString strXlsError, strCsvError;
    bool bXls = true, bCsv = true;
    {
        const CFileSizeLimit full(4096);
        ASSERT_TRUE(full.IsSet());
        bXls = CReadingsExport::SaveXls(dir.filePath(QStringLiteral("full.xls")), doc, &strXlsError);
        bCsv = CReadingsExport::SaveCsv(dir.filePath(QStringLiteral("full.csv")), doc, &strCsvError);
    }

    EXPECT_FALSE(bXls);
    EXPECT_FALSE(bCsv);
    const QString strReason = QString::fromLocal8Bit(std::strerror(EFBIG)); // the limit's "disk full"
    EXPECT_EQ(strXlsError, QStringLiteral("Cannot save \"%1\": %2.").arg(dir.filePath(QStringLiteral("full.xls")), strReason));
    EXPECT_EQ(strCsvError, QStringLiteral("Cannot save \"%1\": %2.").arg(dir.filePath(QStringLiteral("full.csv")), strReason));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()); // no file cut short, no temporary
}

TEST(ReadingsExport, FilesAreWrittenWholeOrNotAtAll)
{
    QTemporaryDir dir;
    CMyTalvaDoc doc;
    Add(doc, 1.0, QStringLiteral("t"));

    // A file that cannot be created: nothing written, the reason names the file.
    const QString strMissing = dir.filePath(QStringLiteral("no-such-folder/out.xls"));
    QString strError;
    EXPECT_FALSE(CReadingsExport::SaveXls(strMissing, doc, &strError));
    EXPECT_TRUE(strError.startsWith(QStringLiteral("Cannot save \""))) << strError.toStdString();
    EXPECT_TRUE(strError.contains(QStringLiteral("out.xls")));
    EXPECT_FALSE(QFile::exists(strMissing));
    strError.clear();
    EXPECT_FALSE(CReadingsExport::SaveCsv(dir.path(), doc, &strError)); // a folder
    EXPECT_FALSE(strError.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());

    // An existing file is replaced by the complete new one, and nothing else is left beside it.
    const QString strXls = dir.filePath(QStringLiteral("out.xls"));
    {
        QFile old(strXls);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    ASSERT_TRUE(CReadingsExport::SaveXls(strXls, doc, &strError)) << strError.toStdString();
    EXPECT_EQ(ReadFile(strXls), CReadingsExport::XlsBytes(doc));
    const QString strCsv = dir.filePath(QStringLiteral("out.csv"));
    ASSERT_TRUE(CReadingsExport::SaveCsv(strCsv, doc, &strError));
    EXPECT_EQ(ReadFile(strCsv), CReadingsExport::CsvBytes(doc));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{QStringLiteral("out.csv"), QStringLiteral("out.xls")}));
}
