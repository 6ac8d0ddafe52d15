// The times of a document's readings: the texts read, readings within a second spread across
// it, the order of day and month, the usual interval and the gaps.
#include "document/CMyTalvaDoc.h"
#include "document/CReadingTimes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void Add(CMyTalvaDoc& doc, const QString& strTime, double dValue = 1.0)
{
    const int n = int(doc.m_arrData[0].size());
    doc.AddReading(0, QStringLiteral("V"), n, strTime, QStringLiteral("VDC"), dValue, 0.0, 10.0f, float(dValue));
}

QString Clock(int nSeconds)
{
    return QStringLiteral("14/3/25 9:%1:%2").arg(nSeconds / 60 % 60).arg(nSeconds % 60);
}

} // namespace

TEST(ReadingTimes, TextsReadAsSecondsInEitherOrder)
{
    qint64 n = 0, nOther = 0;
    ASSERT_TRUE(CReadingTimes::ParseSeconds(u"14/3/25 9:05:07", CReadingTimes::kDayFirst, &n));
    ASSERT_TRUE(CReadingTimes::ParseSeconds(u"3/14/2025 9:5:7", CReadingTimes::kMonthFirst, &nOther));
    EXPECT_EQ(n, nOther);
    ASSERT_TRUE(CReadingTimes::ParseSeconds(u"2025/03/14 09:05:07", CReadingTimes::kMonthFirst, &nOther));
    EXPECT_EQ(n, nOther);
    // 2025-03-14 09:05:07 from 1970-01-01.
    EXPECT_EQ(n, 20161LL * 86400 + 9 * 3600 + 5 * 60 + 7);
    ASSERT_TRUE(CReadingTimes::ParseSeconds(u" 1/1/00 0:0:0 ", CReadingTimes::kDayFirst, &n));
    EXPECT_EQ(n, 946684800LL); // two-digit years are of this century
    for (const char16_t* pszBad : {u"", u"t", u"14/3/25", u"14/3/25 9:05", u"32/1/25 1:1:1", u"1/13/25 1:1:1",
                                   u"1/1/25 24:0:0", u"1/1/25 1:60:0", u"1/1/25 1:1:1 pm", u"1-1-25 1:1:1", u"1/1/25  1:1:x"})
        EXPECT_FALSE(CReadingTimes::ParseSeconds(pszBad, CReadingTimes::kDayFirst, &n)) << QString::fromUtf16(pszBad).toStdString();
    EXPECT_EQ(CReadingTimes::ClockText(n + 3 * 3600 + 62.25, false), QStringLiteral("3:01:02"));
    EXPECT_EQ(CReadingTimes::ClockText(n + 59.96, true), QStringLiteral("0:01:00.0"));
    EXPECT_EQ(CReadingTimes::DateText(double(n), CReadingTimes::kMonthFirst), QStringLiteral("1/1/2000"));
}

TEST(ReadingTimes, ReadingsOfOneSecondSpreadAcrossIt)
{
    CMyTalvaDoc doc;
    for (const int nSecond : {0, 0, 0, 1, 2, 2})
        Add(doc, Clock(nSecond));
    const CReadingTimes& times = doc.Times();
    ASSERT_TRUE(times.HasTimes());
    const double arrExpected[] = {0.0, 1.0 / 3, 2.0 / 3, 1.0, 2.0, 2.5};
    for (int i = 0; i < 6; ++i)
        EXPECT_DOUBLE_EQ(times.At(i), arrExpected[i]) << i;
    std::vector<double> arrSeen;
    times.ForEach(1, 4, [&](qsizetype i, double d) {
        EXPECT_EQ(d, times.At(i));
        arrSeen.push_back(d);
    });
    EXPECT_EQ(arrSeen.size(), 4u);
    EXPECT_EQ(times.Nearest(0.9), 3);
    EXPECT_EQ(times.Nearest(0.4), 1);
    EXPECT_EQ(times.Nearest(-5.0), 0);
    EXPECT_EQ(times.Nearest(99.0), 5);
    EXPECT_EQ(times.FirstWhere(0, 6, [](double d) { return d >= 2.0; }), 4);
    EXPECT_EQ(times.FirstWhere(0, 6, [](double d) { return d > 9.0; }), 6);
    EXPECT_TRUE(std::isnan(times.At(6)));
}

TEST(ReadingTimes, TheOrderOfDayAndMonthComesFromTheDates)
{
    // A day above 12 says it.
    CMyTalvaDoc monthFirst;
    Add(monthFirst, QStringLiteral("3/14/25 23:59:59"));
    Add(monthFirst, QStringLiteral("3/15/25 0:0:1"));
    EXPECT_EQ(monthFirst.Times().Order(), CReadingTimes::kMonthFirst);
    EXPECT_DOUBLE_EQ(monthFirst.Times().At(1), 2.0);
    // Across midnight of 1 and 2 February: read day first it is two seconds, month first a month.
    CMyTalvaDoc ambiguous;
    Add(ambiguous, QStringLiteral("1/2/25 23:59:59"));
    Add(ambiguous, QStringLiteral("2/2/25 0:0:1"));
    EXPECT_EQ(ambiguous.Times().Order(), CReadingTimes::kDayFirst);
    EXPECT_DOUBLE_EQ(ambiguous.Times().At(1), 2.0);
    CMyTalvaDoc ambiguousMonthFirst;
    Add(ambiguousMonthFirst, QStringLiteral("2/1/25 23:59:59"));
    Add(ambiguousMonthFirst, QStringLiteral("2/2/25 0:0:1"));
    EXPECT_EQ(ambiguousMonthFirst.Times().Order(), CReadingTimes::kMonthFirst);
}

TEST(ReadingTimes, AGapIsFiveUsualIntervalsOrTheClockSteppingBack)
{
    CMyTalvaDoc doc;
    int nSecond = 200;
    for (int i = 0; i < 60; ++i) {
        nSecond += i == 30 ? 6 : 1; // one pause of 6 s
        Add(doc, Clock(nSecond));
    }
    Add(doc, Clock(nSecond + 5)); // exactly five usual intervals: no gap yet
    Add(doc, Clock(nSecond - 100)); // the clock set back
    const CReadingTimes& times = doc.Times();
    EXPECT_DOUBLE_EQ(times.UsualInterval(), 1.0);
    EXPECT_FALSE(times.GapBetween(0, 29));
    EXPECT_TRUE(times.GapBetween(29, 30));
    EXPECT_TRUE(times.GapBetween(25, 35));
    EXPECT_FALSE(times.GapBetween(30, 59));
    EXPECT_FALSE(times.GapBetween(59, 60));
    EXPECT_TRUE(times.GapBetween(60, 61));
}

TEST(ReadingTimes, WithoutReadableTimesThereAreNone)
{
    CMyTalvaDoc doc;
    EXPECT_FALSE(doc.Times().HasTimes());
    EXPECT_EQ(doc.Times().Nearest(1.0), -1);
    Add(doc, QStringLiteral("t"));
    Add(doc, QString());
    EXPECT_FALSE(doc.Times().HasTimes());
    EXPECT_TRUE(std::isnan(doc.Times().At(0)));
    EXPECT_TRUE(std::isnan(doc.Times().UsualInterval()));
    EXPECT_FALSE(doc.Times().GapBetween(0, 1));
    // Readable times after unreadable ones count from the first readable one.
    Add(doc, Clock(10));
    Add(doc, Clock(11));
    EXPECT_TRUE(doc.Times().HasTimes());
    EXPECT_DOUBLE_EQ(doc.Times().At(3), 1.0);
    EXPECT_TRUE(std::isnan(doc.Times().At(1)));
    // The document's readings replaced: learned again.
    doc.DeleteContents();
    EXPECT_FALSE(doc.Times().HasTimes());
}

TEST(ReadingTimes, ALongRecordingInOneSecondStaysCheapAndOrdered)
{
    CMyTalvaDoc doc;
    QList<CObData*> arr;
    for (int i = 0; i < 100000; ++i)
        arr << new CObData(i, "V", 0.0, i, QStringLiteral("1/2/25 10:00:00"), "VDC", 10.0f);
    arr << new CObData(0, "V", 0.0, 100000, QStringLiteral("1/2/25 10:00:01"), "VDC", 10.0f);
    doc.ImportReadings(arr);
    const CReadingTimes& times = doc.Times();
    EXPECT_DOUBLE_EQ(times.At(50000), 0.5);
    EXPECT_DOUBLE_EQ(times.At(100000), 1.0);
    EXPECT_NEAR(times.UsualInterval(), 1e-5, 1e-12);
    EXPECT_EQ(times.FirstWhere(0, 100001, [](double d) { return d >= 0.25; }), 25000);
}
