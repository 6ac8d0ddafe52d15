#include "CXlsxReader.h"
#include "scope/COscCsv.h"
#include "scope/COscWorkbook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

OscRecord Capture()
{
    OscRecord r;
    r.m_valid = 1;
    r.m_status = 4;
    r.m_trigger = 3;
    r.m_triggerLevel = 1500;
    r.m_rateCode = 5;
    r.m_rateText = QStringLiteral("2mS/div");
    r.m_voltsText = QStringLiteral("1.00 V/div");
    r.m_vppText = QStringLiteral("3.20 V");
    r.m_unit = QStringLiteral("V");
    r.m_year = 2025;
    r.m_date1 = 3;
    r.m_date2 = 14;
    r.m_hour = 9;
    r.m_minute = 5;
    r.m_second = 7;
    for (int i = 0; i < OscRecord::kSamples; ++i)
        r.m_samples[size_t(i)] = float(i - 150) * 0.04f;
    for (int i = 0; i < OscRecord::kBars; ++i)
        r.m_bars[size_t(i)] = float(i * 2);
    return r;
}

class OscWorkbook : public ::testing::Test
{
protected:
    CXlsxReader Export(const OscRecord& record, bool bSpectrum)
    {
        const QString strPath = m_dir.filePath("wave.xlsx");
        QString strError;
        EXPECT_TRUE(COscWorkbook::SaveFile(strPath, record, bSpectrum, &strError)) << strError.toStdString();
        CXlsxReader reader;
        EXPECT_TRUE(reader.Open(strPath, &strError)) << strError.toStdString();
        return reader;
    }
    static QString Text(const CXlsxReader& book, int nRow, int nCol)
    {
        const std::optional<CXlsxReader::SCell> cell = book.Cell(nRow, nCol);
        return cell && !cell->bNumber ? cell->strText : QStringLiteral("<none>");
    }

    QTemporaryDir m_dir;
};

TEST_F(OscWorkbook, WaveformFillsRows8To307WithoutColumn4)
{
    const CXlsxReader book = Export(Capture(), false);
    EXPECT_EQ(book.SheetNames(), QStringList{"DataSheet"});
    const char* arrLabels[] = {"DateTime", "Voo", "Vp-p", "Sample Rate", "Status", "Trigger", "ID"};
    const char* arrValues[] = {"03/14/2025  09:05:07", "1.00 V/div", "3.20 V", "2mS/div", "SINGLE", "Single:1.50",
                               "Value"};
    for (int nRow = 1; nRow <= 7; ++nRow) {
        EXPECT_EQ(Text(book, nRow, 1), arrLabels[nRow - 1]);
        EXPECT_EQ(Text(book, nRow, 3), arrValues[nRow - 1]);
        EXPECT_FALSE(book.Cell(nRow, 2));
    }
    for (int i = 0; i < 300; ++i) {
        const std::optional<CXlsxReader::SCell> id = book.Cell(8 + i, 1);
        const std::optional<CXlsxReader::SCell> value = book.Cell(8 + i, 3);
        ASSERT_TRUE(id && value) << "row " << 8 + i;
        EXPECT_TRUE(id->bNumber);
        EXPECT_EQ(id->dNumber, i + 1);
        EXPECT_TRUE(value->bNumber);
        EXPECT_EQ(value->strFormat, "0.0000");
        EXPECT_DOUBLE_EQ(value->dNumber, QString::asprintf("%.4f", double(float(i - 150) * 0.04f)).toDouble());
    }
    EXPECT_EQ(book.LastRow(), 307);
    EXPECT_FALSE(book.ColumnUsed(4));
    EXPECT_FALSE(book.ColumnUsed(5));
    EXPECT_EQ(book.CellCount(), 7 * 2 + 300 * 2);
}

TEST_F(OscWorkbook, SpectrumListsBarsWithTheirFrequencies)
{
    const CXlsxReader book = Export(Capture(), true);
    EXPECT_EQ(Text(book, 7, 4), "Frequency");
    // Bar 10 at time base 5: 5.00 KHz.
    const std::optional<CXlsxReader::SCell> freq = book.Cell(18, 4);
    ASSERT_TRUE(freq);
    EXPECT_TRUE(freq->bNumber);
    EXPECT_DOUBLE_EQ(freq->dNumber, 5.0);
    EXPECT_EQ(freq->strFormat, "0.00");
    EXPECT_EQ(Text(book, 18, 5), "KHz");
    EXPECT_EQ(book.Cell(18, 1)->dNumber, 11);
    EXPECT_DOUBLE_EQ(book.Cell(18, 3)->dNumber, 20.0);
    EXPECT_EQ(book.LastRow(), 127);
    EXPECT_EQ(book.CellCount(), 7 * 2 + 1 + 120 * 4);
}

TEST_F(OscWorkbook, LowTimeBasesGiveWholeHertz)
{
    OscRecord r = Capture();
    r.m_rateCode = 2;
    const CXlsxReader book = Export(r, true);
    EXPECT_DOUBLE_EQ(book.Cell(11, 4)->dNumber, 15.0); // bar 3, 5 Hz a bar
    EXPECT_EQ(book.Cell(11, 4)->strFormat, "0");
    EXPECT_EQ(Text(book, 11, 5), "Hz");
}

TEST_F(OscWorkbook, ValuesThatAreNoNumberAreWrittenAsText)
{
    OscRecord r = Capture();
    r.m_samples[0] = std::numeric_limits<float>::quiet_NaN();
    r.m_samples[1] = std::numeric_limits<float>::infinity();
    const CXlsxReader book = Export(r, false);
    EXPECT_TRUE(Text(book, 8, 3).contains("nan")) << Text(book, 8, 3).toStdString();
    EXPECT_EQ(Text(book, 9, 3), "inf");
    EXPECT_TRUE(book.Cell(10, 3)->bNumber);
}

TEST_F(OscWorkbook, FailureWritesNothingAndKeepsTheOldFile)
{
    QString strError;
    const QString strMissing = m_dir.filePath("missing/wave.xlsx");
    EXPECT_FALSE(COscWorkbook::SaveFile(strMissing, Capture(), false, &strError));
    EXPECT_TRUE(strError.startsWith("Cannot save")) << strError.toStdString();
    EXPECT_FALSE(QFile::exists(strMissing));

    // A text too long for a cell: the export fails and the earlier workbook stays.
    const QString strPath = m_dir.filePath("keep.xlsx");
    QFile old(strPath);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();
    OscRecord r = Capture();
    r.m_voltsText = QString(40000, QLatin1Char('x'));
    EXPECT_FALSE(COscWorkbook::SaveFile(strPath, r, false, &strError));
    EXPECT_TRUE(strError.contains("row 2, column 3")) << strError.toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "earlier");
}

TEST(OscCsv, OneRowPerPoint)
{
    OscRecord r = Capture();
    r.m_rateCode = 7; // 20 us a sample
    const QList<QByteArray> lines = COscCsv::Text(r, false).split('\n');
    ASSERT_EQ(lines.size(), 302); // heading, 300 rows, the empty rest after the last newline
    EXPECT_EQ(lines[0], "index,time_s,value,unit");
    EXPECT_EQ(lines[1], "0,0,-6,V");
    EXPECT_EQ(lines[11], "10,0.0002,-5.6,V");
    EXPECT_EQ(lines[300], "299,0.00598,5.96,V");
    EXPECT_EQ(lines[301], "");

    r.m_rateCode = 5;
    const QList<QByteArray> bars = COscCsv::Text(r, true).split('\n');
    ASSERT_EQ(bars.size(), 122);
    EXPECT_EQ(bars[0], "index,frequency_hz,value,unit");
    EXPECT_EQ(bars[11], "10,5000,20,");

    // Unknown time base: no times, and a unit with a comma stays one field.
    r.m_rateCode = 0;
    r.m_unit = QStringLiteral("m,V");
    EXPECT_EQ(COscCsv::Text(r, false).split('\n')[2], "1,,-5.96,\"m,V\"");
}

TEST(OscCsv, SavesWholeOrNothing)
{
    QTemporaryDir dir;
    QString strError;
    ASSERT_TRUE(COscCsv::SaveFile(dir.filePath("w.csv"), Capture(), false, &strError));
    QFile file(dir.filePath("w.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), COscCsv::Text(Capture(), false));
    EXPECT_FALSE(COscCsv::SaveFile(dir.filePath("none/w.csv"), Capture(), false, &strError));
    EXPECT_TRUE(strError.startsWith("Cannot save"));
}

} // namespace
