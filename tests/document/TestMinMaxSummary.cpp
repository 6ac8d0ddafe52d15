// The min/max summary beside the document's primary readings.
#include "document/CMinMaxSummary.h"
#include "document/CMyTalvaDoc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

void Add(CMyTalvaDoc& doc, double dValue)
{
    const int n = int(doc.m_arrData[0].size());
    doc.AddReading(0, QStringLiteral("V"), n, QString(), QStringLiteral("VDC"), dValue, 0.0, 1e9f, 0.0f);
}

CMinMaxSummary::CExtremes BruteForce(const CRecordArray& arr, qsizetype a, qsizetype b)
{
    CDocumentUnit unit;
    unit.Adopt(arr.Unit(0));
    CMinMaxSummary::CExtremes e;
    for (qsizetype i = a; i < b; ++i) {
        const std::optional<CObData> ob = arr.Record(i);
        e.Add(unit.SeriesValue(ob ? &*ob : nullptr));
    }
    return e;
}

void ExpectSame(const CMinMaxSummary::CExtremes& got, const CMinMaxSummary::CExtremes& want,
                qsizetype a, qsizetype b)
{
    EXPECT_EQ(got.dMin, want.dMin) << a << ".." << b;
    EXPECT_EQ(got.dMax, want.dMax) << a << ".." << b;
    EXPECT_EQ(got.bTop, want.bTop) << a << ".." << b;
    EXPECT_EQ(got.bBottom, want.bBottom) << a << ".." << b;
}

double RandomValue(std::mt19937& rng)
{
    switch (rng() % 50) {
    case 0:
        return 500000.0;
    case 1:
        return -500000.0;
    case 2:
        return 750000.0;
    case 3:
        return -620000.0; // plain: only exactly -500000 is the bottom marker
    case 4:
        return std::numeric_limits<double>::quiet_NaN();
    default:
        return std::uniform_real_distribution<double>(-100.0, 100.0)(rng);
    }
}

} // namespace

TEST(MinMaxSummary, ClassifiesReadingsTheWayTheGraphDrawsThem)
{
    // The meter's values as the document reads them in its unit (volts here).
    const CObData first(1.0, "V", 0, 0, "", "", 1);
    CDocumentUnit unit;
    unit.Adopt(&first);
    auto series = [&unit](double dValue, const char* pszUnit) {
        const CObData ob(dValue, QString::fromUtf8(pszUnit), 0, 0, "", "", 1);
        return unit.SeriesValue(&ob);
    };
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(series(500000.0, "V"), kInf);
    EXPECT_EQ(series(1e300, "mV"), kInf);
    EXPECT_EQ(series(kInf, "V"), kInf);
    EXPECT_EQ(series(-500000.0, "mV"), -kInf); // an overload before any conversion
    EXPECT_EQ(series(std::nan(""), "V"), -kInf);
    EXPECT_EQ(unit.SeriesValue(nullptr), -kInf);
    EXPECT_EQ(series(-620000.0, "mV"), -620.0); // plain: only exactly -500000 is the bottom marker
    EXPECT_TRUE(std::isnan(series(2.0, "A")));

    double d = 0.0;
    EXPECT_EQ(CMinMaxSummary::Classify(kInf, &d), CMinMaxSummary::TopLimit);
    EXPECT_EQ(CMinMaxSummary::Classify(-kInf, &d), CMinMaxSummary::BottomLimit);
    EXPECT_EQ(CMinMaxSummary::Classify(std::nan(""), &d), CMinMaxSummary::Skipped);
    // A converted value may pass 500000 without being an overload.
    EXPECT_EQ(CMinMaxSummary::Classify(501100.0, &d), CMinMaxSummary::Plain);
    EXPECT_EQ(d, 501100.0);
    EXPECT_EQ(CMinMaxSummary::Classify(-500000.0, &d), CMinMaxSummary::Plain);
    EXPECT_EQ(d, -500000.0);
}

TEST(MinMaxSummary, EveryRangeMatchesTheReadingsAsTheyArrive)
{
    std::mt19937 rng(7);
    CMyTalvaDoc doc;
    // Lengths around the block sizes (16, 256, 4096) and their partial blocks.
    for (const int nTarget : {1, 15, 16, 17, 255, 256, 257, 4095, 4096, 4097, 9000}) {
        while (doc.m_arrData[0].size() < nTarget)
            Add(doc, RandomValue(rng));
        const CRecordArray& arr = doc.m_arrData[0];
        const CMinMaxSummary& summary = doc.Summary();
        ASSERT_EQ(summary.Count(), arr.size());
        for (int t = 0; t < 300; ++t) {
            const qsizetype a = qsizetype(rng() % arr.size());
            const qsizetype b = a + 1 + qsizetype(rng() % (arr.size() - a));
            ExpectSame(summary.Range(a, b), BruteForce(arr, a, b), a, b);
        }
        ExpectSame(summary.Range(0, arr.size()), BruteForce(arr, 0, arr.size()), 0, arr.size());
    }
}

TEST(MinMaxSummary, OutOfRangeRequestsAreCutToTheReadings)
{
    CMyTalvaDoc doc;
    for (int i = 0; i < 40; ++i)
        Add(doc, i);
    const CMinMaxSummary::CExtremes e = doc.Summary().Range(-10, 1000);
    EXPECT_EQ(e.dMin, 0.0);
    EXPECT_EQ(e.dMax, 39.0);
    EXPECT_TRUE(doc.Summary().Range(30, 30).IsEmpty());
    EXPECT_TRUE(doc.Summary().Range(30, 10).IsEmpty());
    // Readings of another quantity are in no range and are counted apart.
    doc.AddReading(0, QStringLiteral("A"), 40, QString(), QStringLiteral("ADC"), 1000.0, 0.0, 1e9f, 0.0f);
    EXPECT_EQ(doc.Summary().Range(0, 41).dMax, 39.0);
    EXPECT_TRUE(doc.Summary().Range(40, 41).IsEmpty());
    EXPECT_EQ(doc.Summary().SkippedCount(), 1);
}

TEST(MinMaxSummary, FollowsLoadImportDeleteAndDirectEdits)
{
    CMyTalvaDoc doc;
    for (int i = 0; i < 100; ++i)
        Add(doc, i);
    std::unique_ptr<CMyTalvaDoc> pLoaded = CMyTalvaDoc::LoadBytes(doc.SaveBytes(), nullptr);
    ASSERT_TRUE(pLoaded);
    EXPECT_EQ(pLoaded->Summary().Range(0, 100).dMax, 99.0);

    QList<CObData*> arrImport;
    for (int i = 0; i < 50; ++i)
        arrImport << new CObData(-double(i), "V", 1.0, i, "", "VDC", 10.0f);
    doc.ImportReadings(arrImport);
    EXPECT_EQ(doc.Summary().Count(), 150);
    EXPECT_EQ(doc.Summary().Range(0, 150).dMin, -49.0);

    doc.DeleteContents();
    EXPECT_EQ(doc.Summary().Count(), 0);
    Add(doc, 5.0);
    EXPECT_EQ(doc.Summary().Range(0, 1).dMax, 5.0);

    // Records replaced behind the document's back: the owner says so, and the summary rebuilds.
    CRecordArray replaced;
    replaced.Append(CObData(-7.0, "V", 0, 0, "", "", 10.0f));
    doc.m_arrData[0] = std::move(replaced);
    doc.InvalidateSummary();
    EXPECT_EQ(doc.Summary().Range(0, 1).dMin, -7.0);
    // A list that got shorter is rebuilt on its own; a null element is a bottom-limit reading.
    doc.m_arrData[0].AppendNull();
    EXPECT_TRUE(doc.Summary().Range(0, 2).bBottom);
    CRecordArray shorter;
    shorter.Append(doc.m_arrData[0], 1, 2);
    doc.m_arrData[0] = std::move(shorter);
    const CMinMaxSummary::CExtremes e = doc.Summary().Range(0, 1);
    EXPECT_EQ(doc.Summary().Count(), 1);
    EXPECT_TRUE(e.bBottom);
    EXPECT_GT(e.dMin, e.dMax); // no plain value left
}

TEST(MinMaxSummary, HoldsTheValuesAndAboutOneByteMorePerReading)
{
    CMyTalvaDoc doc;
    for (int i = 0; i < 100000; ++i)
        Add(doc, std::sin(i * 0.01));
    EXPECT_EQ(doc.Summary().Value(777), std::sin(777 * 0.01));
    EXPECT_LT(double(doc.Summary().Bytes()) / 100000, 2 * 9.2); // growth by doubling may leave half unused
    std::unique_ptr<CMyTalvaDoc> pLoaded = CMyTalvaDoc::LoadBytes(doc.SaveBytes(), nullptr);
    ASSERT_TRUE(pLoaded);
    EXPECT_LT(double(pLoaded->Summary().Bytes()) / 100000, 9.2); // built once, sized exactly
}
