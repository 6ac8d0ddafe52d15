// Statistics of the primary array: AddReading, ImportReadings, ResetStatistics.
#include "document/CMyTalvaDoc.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

QString Time(int n)
{
    return QStringLiteral("12/3/25 10:11:%1").arg(n, 2, 10, QLatin1Char('0'));
}

// A live reading: the recorded value is the main value.
void Add(CMyTalvaDoc& doc, double dValue, int nTime, int nArray = 0, float fRange = 10.0f)
{
    doc.AddReading(nArray, QString::fromLatin1("V"), nTime, Time(nTime), QString::fromLatin1("VDC"),
                   dValue, 0.0, fRange, float(dValue));
}

void ExpectUntouchedNumbers(const CMyTalvaDoc& doc)
{
    EXPECT_EQ(doc.m_dSum, 0.0);
    EXPECT_EQ(doc.m_dAverage, 0.0);
    EXPECT_EQ(doc.m_dMax, -60000.0);
    EXPECT_EQ(doc.m_dMin, 60000.0);
}

struct SRangeCase
{
    float fRange;
    float fMain;
    bool bCounts;
};

class RangeTest : public ::testing::TestWithParam<SRangeCase>
{
};

TEST_P(RangeTest, OnlyMainValuesStrictlyInsideTheRangeEnterTheStatistics)
{
    const SRangeCase c = GetParam();
    CMyTalvaDoc doc;
    // The recorded value (3.0) may differ from the main value that is tested.
    doc.AddReading(0, "mV", 4, Time(1), "VAC", 3.0, 0.5, c.fRange, c.fMain);
    ASSERT_EQ(doc.m_arrData[0].size(), 1);
    const CObData ob = *doc.m_arrData[0].Record(0);
    EXPECT_EQ(std::tie(ob.m_dValue, ob.m_strUnit, ob.m_dSampleRate, ob.m_nIndex, ob.m_strTime, ob.m_strType),
              std::make_tuple(3.0, "mV", 0.5, 4, Time(1), "VAC"));
    EXPECT_EQ(ob.m_fRange, c.fRange);
    EXPECT_EQ(doc.m_nCount, 1);
    EXPECT_EQ(doc.m_nValidCount, c.bCounts ? 1 : 0);
    if (c.bCounts) {
        EXPECT_EQ(std::tie(doc.m_dSum, doc.m_dAverage, doc.m_dMax, doc.m_dMin), std::make_tuple(3.0, 3.0, 3.0, 3.0));
        EXPECT_EQ(doc.m_strType, "VAC");
        EXPECT_EQ(doc.m_strStartTime, Time(1));
    } else {
        ExpectUntouchedNumbers(doc);
        EXPECT_TRUE(doc.m_strType.isEmpty() && doc.m_strStartTime.isEmpty() && doc.m_strMaxTime.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, RangeTest,
    ::testing::Values(SRangeCase{ 10, 3, true }, SRangeCase{ 10, 10, false }, SRangeCase{ 10, -10, false },
                      SRangeCase{ 10, std::nextafter(10.0f, 0.0f), true },
                      SRangeCase{ 10, std::nextafter(-10.0f, 0.0f), true }, SRangeCase{ 10, 500000, false },
                      SRangeCase{ 0, 0, false }, SRangeCase{ -5, 0, false }, SRangeCase{ 10, NAN, false }));

TEST(DocumentStatistics, NothingInsideTheRangeKeepsTheExtremesWhileTheCountGrows)
{
    CMyTalvaDoc doc;
    for (int i = 0; i < 4; ++i)
        Add(doc, i % 2 ? 500000.0 : -500000.0, i);
    EXPECT_EQ(doc.m_nCount, 4);
    ExpectUntouchedNumbers(doc);
}

TEST(DocumentStatistics, EqualExtremesKeepTheFirstTimeAndTimesSpanTheArray)
{
    CMyTalvaDoc doc;
    Add(doc, 500000.0, 1); // stored and counted, but changes nothing
    for (int i = 2; i <= 5; ++i)
        Add(doc, i % 2 ? -2.0 : 4.0, i);
    Add(doc, 12.0, 6);
    EXPECT_EQ(doc.m_strMaxTime, Time(2));
    EXPECT_EQ(doc.m_strMinTime, Time(3));
    EXPECT_EQ(doc.m_dAverage, 1.0);
    EXPECT_EQ(doc.m_nValidCount, 4);
    EXPECT_EQ(doc.m_nCount, 6);
    EXPECT_EQ(doc.m_strStartTime, Time(1)); // the first record, though it was an overload
    EXPECT_EQ(doc.m_strEndTime, Time(5));   // the last record when a reading last counted
}

TEST(DocumentStatistics, SecondaryRecordsAndUnknownArraysChangeNothing)
{
    CMyTalvaDoc doc;
    Add(doc, 1.0, 1);
    QSignalSpy spy(&doc, &CMyTalvaDoc::Changed);
    QSignalSpy added(&doc, &CMyTalvaDoc::RecordAdded);
    Add(doc, 7.0, 2, 1);
    Add(doc, -7.0, 3, 2);
    Add(doc, 9.0, 4, 3);
    Add(doc, 9.0, 4, -1);
    EXPECT_EQ(spy.count(), 2);
    ASSERT_EQ(added.count(), 2);
    EXPECT_EQ(added[1][0].toInt(), 2);
    EXPECT_EQ(doc.m_arrData[1].size() + doc.m_arrData[2].size(), 2);
    EXPECT_EQ(std::tie(doc.m_nCount, doc.m_nValidCount, doc.m_dMax, doc.m_dMin, doc.m_dSum),
              std::make_tuple(1, 1, 1.0, 1.0, 1.0));
    EXPECT_EQ(doc.m_strEndTime, Time(1));
    // Runs of equal unit and type share one string.
    Add(doc, 2.0, 5);
    EXPECT_EQ(doc.m_arrData[0].Record(0)->m_strUnit.constData(), doc.m_arrData[0].Record(1)->m_strUnit.constData());
}

TEST(DocumentStatistics, ResetAndDeleteContentsTouchOnlyTheirOwnPart)
{
    CMyTalvaDoc doc;
    Add(doc, 3.0, 1);
    Add(doc, 3.0, 1, 1);
    doc.m_dSampleRate = 4.0;
    doc.ResetStatistics();
    ExpectUntouchedNumbers(doc);
    EXPECT_EQ(std::tie(doc.m_nCount, doc.m_nValidCount, doc.m_dSampleRate), std::make_tuple(0, 0, 1.0));
    EXPECT_EQ(doc.m_strMaxTime, Time(1));
    EXPECT_EQ(doc.m_arrData[0].size(), 1);
    doc.m_dMax = 5.0;
    doc.DeleteContents();
    EXPECT_TRUE(doc.m_arrData[0].isEmpty() && doc.m_arrData[1].isEmpty());
    EXPECT_EQ(doc.m_dMax, 5.0);
}

CObData* Record(double dValue, int nTime, const QString& strType = "VDC", double dRate = 2.0)
{
    return new CObData(dValue, "V", dRate, nTime, Time(nTime), strType, 10.0f);
}

TEST(DocumentImport, OverloadsAreLeftOutOfTheAverage)
{
    CMyTalvaDoc doc;
    QList<CObData*> arr{ Record(500000.0, 1, "ADC", 0.5), nullptr, Record(-500000.0, 2), Record(6.0, 3) };
    doc.ImportReadings(arr);
    EXPECT_TRUE(arr.isEmpty());
    EXPECT_EQ(doc.m_arrData[0].size(), 3); // the null entry is dropped
    // Two overloads are no readings of 0: the average is that of the one reading.
    EXPECT_EQ(std::tie(doc.m_dSum, doc.m_dAverage, doc.m_dMax, doc.m_dMin), std::make_tuple(6.0, 6.0, 6.0, 6.0));
    EXPECT_EQ(doc.m_strMaxTime, Time(3));
    EXPECT_EQ(doc.m_strMinTime, Time(3));
    // The batch's first record gives rate, type and start, whatever its value.
    EXPECT_EQ(doc.m_dSampleRate, 0.5);
    EXPECT_EQ(doc.m_strType, "ADC");
    EXPECT_EQ(doc.m_strStartTime, Time(1));
    EXPECT_EQ(doc.m_strEndTime, Time(3));
    EXPECT_EQ(std::tie(doc.m_nCount, doc.m_nValidCount, doc.m_bLive), std::make_tuple(3, 1, false));
}

TEST(DocumentImport, AllOverloadsLeaveTheConstructionValues)
{
    CMyTalvaDoc doc;
    QList<CObData*> arr{ Record(500000.0, 1), Record(-500000.0, 2) };
    doc.ImportReadings(arr);
    ExpectUntouchedNumbers(doc);
    EXPECT_TRUE(doc.m_strMaxTime.isEmpty());
    EXPECT_EQ(doc.m_nCount, 2);
    QList<CObData*> none;
    doc.ImportReadings(none); // an empty batch keeps the strings
    EXPECT_EQ(doc.m_strEndTime, Time(2));
}

} // namespace
