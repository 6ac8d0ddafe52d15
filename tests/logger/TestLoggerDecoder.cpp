#include "logger/CLoggerDecoder.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct CScaleCase
{
    int nFunction;
    float fValue;
    double dExpected;
    const char* pszUnit;
};

class ScaleSample : public ::testing::TestWithParam<CScaleCase>
{
};

TEST_P(ScaleSample, FollowsTheUnitLadder)
{
    const CScaleCase& c = GetParam();
    double dValue = 0.0;
    QString strUnit;
    CLoggerDecoder::ScaleSample(c.nFunction, CLoggerDecoder::RecordingRange(c.nFunction),
                                CLoggerDecoder::RecordingUnit(c.nFunction), c.fValue, &dValue, &strUnit);
    EXPECT_EQ(strUnit, QString::fromUtf8(c.pszUnit));
    EXPECT_DOUBLE_EQ(dValue, c.dExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Logger, ScaleSample,
    ::testing::Values(
        // Capacitance, range 10000000 nF.
        CScaleCase{5, 1234.0f, 1.234, "uF"}, CScaleCase{5, 499.0f, 499.0, "nF"},
        CScaleCase{5, 500.0f, 0.5, "uF"}, CScaleCase{5, 500000.0f, 0.5, "mF"},
        CScaleCase{5, 10000000.0f, 500000.0, "mF"}, CScaleCase{5, -10000000.0f, -500000.0, "mF"},
        CScaleCase{5, 9999999.0f, 9.999999, "mF"}, CScaleCase{5, -20.0f, -20.0, "nF"},
        // Resistance, range 49990000 ohm.
        CScaleCase{4, 120.5f, 120.5, "Ω"}, CScaleCase{4, 4700.0f, 4.7, "KΩ"},
        CScaleCase{4, 2200000.0f, 2.2, "MΩ"}, CScaleCase{4, 49990000.0f, 500000.0, "MΩ"},
        // Frequency: no range limit, up to megahertz.
        CScaleCase{16, 5000.0f, 5.0, "KHZ"}, CScaleCase{16, 60.0f, 60.0, "HZ"},
        CScaleCase{31, 2500000.0f, 2.5, "MHZ"}, CScaleCase{16, 1000.0f, 1.0, "KHZ"},
        // Every other function keeps its value and the table's unit.
        CScaleCase{2, 12.5f, 12.5, "VDC"}, CScaleCase{0, 2000.0f, 2000.0, "℉"}, CScaleCase{6, 21.5f, 21.5, "℃"},
        CScaleCase{10, 12.0f, 12.0, "%"}, CScaleCase{19, 3.0f, 3.0, ""}, CScaleCase{200, 1.0f, 1.0, ""}));

TEST(LoggerDecoder, RangesFollowTheFunctionCode)
{
    EXPECT_EQ(CLoggerDecoder::RecordingRange(4), 49990000.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(5), 10000000.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(14), 5000.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(24), 500.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(23), 10.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(6), 2462.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(0), 1350.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(16), 1000.0f);
    EXPECT_EQ(CLoggerDecoder::RecordingRange(-1), 1000.0f);
}

QByteArray Entry(int nAddress, int nCount, int nFunction, const char* pszBcdStart, quint32 nInterval, quint32 nPoints)
{
    QByteArray bytes(26, '\0');
    bytes[0] = char(0xa0);
    bytes[1] = char(0xaa);
    bytes[2] = char(nAddress);
    bytes[3] = char(nCount);
    bytes[4] = char(nFunction);
    const QByteArray start = QByteArray::fromHex(pszBcdStart);
    std::memcpy(bytes.data() + 5, start.constData(), 6);
    qToLittleEndian(nInterval, bytes.data() + 11);
    qToLittleEndian(0xdeadbeefu, bytes.data() + 15); // not read
    qToLittleEndian(nPoints, bytes.data() + 19);
    return bytes;
}

TEST(LoggerDecoder, DirectoryEntries)
{
    const QByteArray strHex = (Entry(7, 2, 5, "250314093005", 60, 1200) + Entry(9, 0, 16, "10123123595a", 1, 70000))
                                  .toHex();
    EXPECT_EQ(CLoggerDecoder::DirectoryCount(strHex), 2);
    const QList<LoggerListData> entries = CLoggerDecoder::DirectoryEntries(strHex + "a0aa01"); // a partial tail
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0], LoggerListData(QStringLiteral("CAP"), QStringLiteral("14-03-2025, 09 30 05"), 1200, 60, 7));
    // The start is the BCD bytes as sent, whatever they hold.
    EXPECT_EQ(entries[1], LoggerListData(QStringLiteral("HZ"), QStringLiteral("31-12-2010, 23 59 5a"), 70000, 1, 9));
    EXPECT_TRUE(CLoggerDecoder::DirectoryEntries("a0aa").isEmpty());
}

QByteArray Header(int nFunction, const char* pszBcdStart, quint32 nInterval, quint16 nBlocks)
{
    QByteArray bytes(26, '\0');
    bytes[0] = char(0xa0);
    bytes[1] = char(0xa8);
    bytes[2] = char(nFunction);
    const QByteArray start = QByteArray::fromHex(pszBcdStart);
    std::memcpy(bytes.data() + 3, start.constData(), 6);
    qToLittleEndian(nInterval, bytes.data() + 9);
    qToLittleEndian(111u, bytes.data() + 13);
    qToLittleEndian(222u, bytes.data() + 17);
    qToLittleEndian(nBlocks, bytes.data() + 21);
    return bytes;
}

TEST(LoggerDecoder, RecordingHeader)
{
    const CRecordingHeader h = CLoggerDecoder::RecordingHeader(Header(4, "250314093005", 30, 300));
    EXPECT_EQ(h.m_nRecFunction, 4);
    EXPECT_EQ(h.m_strRecFunction, QStringLiteral("RES"));
    EXPECT_EQ(h.m_strRecUnit, QStringLiteral("Ω"));
    EXPECT_EQ(h.m_strRecStart, QStringLiteral("14/03/25 09:30:05"));
    EXPECT_EQ(h.m_arrStart, (std::array<int, 6>{2025, 3, 14, 9, 30, 5}));
    EXPECT_EQ(h.m_nRecInterval, 30u);
    EXPECT_EQ(h.m_nRecField13, 111u);
    EXPECT_EQ(h.m_nRecField17, 222u);
    EXPECT_EQ(h.m_nBlockCount, 300);
    EXPECT_EQ(h.m_fRecRange, 49990000.0f);
    EXPECT_TRUE(h.HasValidStart());
    // A short header reads as zeros rather than out of range.
    EXPECT_EQ(CLoggerDecoder::RecordingHeader(QByteArray::fromHex("a0a8")).m_nBlockCount, 0);
}

TEST(LoggerDecoder, SampleTimesCountFromTheStart)
{
    const CRecordingHeader h = CLoggerDecoder::RecordingHeader(Header(2, "251231235950", 5, 1));
    const QDateTime start = CLoggerDecoder::RecordingStart(h);
    EXPECT_EQ(CLoggerDecoder::SampleTime(start, 0), QStringLiteral("31/12/2025 23:59:50"));
    EXPECT_EQ(CLoggerDecoder::SampleTime(start, 15), QStringLiteral("1/1/2026 0:0:5"));
    EXPECT_EQ(CLoggerDecoder::SampleTime(start, 86400 * 2), QStringLiteral("2/1/2026 23:59:50"));
    // Fields beyond their range roll over like a C calendar conversion.
    const CRecordingHeader late = CLoggerDecoder::RecordingHeader(Header(2, "250231256100", 5, 1));
    EXPECT_EQ(CLoggerDecoder::SampleTime(CLoggerDecoder::RecordingStart(late), 0), QStringLiteral("4/3/2025 2:1:0"));
}

TEST(LoggerDecoder, UndatedRecordingStartsAtTheFixedDate)
{
    for (const char* pszStart : {"250300093005", "250014093005"}) {
        const CRecordingHeader h = CLoggerDecoder::RecordingHeader(Header(2, pszStart, 1, 1));
        EXPECT_FALSE(h.HasValidStart()) << pszStart;
        EXPECT_EQ(CLoggerDecoder::SampleTime(CLoggerDecoder::RecordingStart(h), 0),
                  QStringLiteral("10/9/2010 10:10:10"));
    }
}

TEST(LoggerDecoder, BlockRecords)
{
    const CRecordingHeader h = CLoggerDecoder::RecordingHeader(Header(5, "250314093000", 2, 1));
    QByteArray block;
    for (const auto& [fValue, nOffset] : {std::pair{1234.0f, 0u}, std::pair{499.0f, 2u}, std::pair{1.0e7f, 4u}}) {
        QByteArray sample(8, '\0');
        quint32 nBits = 0;
        std::memcpy(&nBits, &fValue, 4);
        qToLittleEndian(nBits, sample.data());
        qToLittleEndian(nOffset, sample.data() + 4);
        block += sample;
    }
    const QByteArray strHex = block.toHex() + "0000a1";
    const QList<CObData> records = CLoggerDecoder::BlockRecords(strHex, 3, h, CLoggerDecoder::RecordingStart(h), 7);
    ASSERT_EQ(records.size(), 3);
    EXPECT_DOUBLE_EQ(records[0].m_dValue, 1.234);
    EXPECT_EQ(records[0].m_strUnit, QStringLiteral("uF"));
    EXPECT_EQ(records[0].m_dSampleRate, 2.0);
    EXPECT_EQ(records[0].m_nIndex, 7);
    EXPECT_EQ(records[0].m_strTime, QStringLiteral("14/3/2025 9:30:0"));
    EXPECT_EQ(records[0].m_strType, QStringLiteral("CAP"));
    EXPECT_EQ(records[0].m_fRange, 10000000.0f);
    EXPECT_EQ(records[1].m_strUnit, QStringLiteral("nF"));
    EXPECT_EQ(records[1].m_strTime, QStringLiteral("14/3/2025 9:30:2"));
    EXPECT_TRUE(CObData::IsOverload(records[2].m_dValue));
    EXPECT_EQ(records[2].m_strUnit, QStringLiteral("mF"));
    // A count beyond the text takes only the whole samples there are.
    EXPECT_EQ(CLoggerDecoder::BlockRecords(strHex.left(40), 255, h, QDateTime(), 0).size(), 2);
}

} // namespace
