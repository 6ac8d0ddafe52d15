#include "protocol/CRecordingRules.h"

#include "document/CMyTalvaDoc.h"
#include "protocol/CLiveRecorder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

CDecodedReading Live(const char* pszFunction, float fValue, float fRange, int nLayout = 1)
{
    CDecodedReading d;
    d.reading.m_strFunction = QString::fromLatin1(pszFunction);
    d.reading.m_strUnit = QStringLiteral("V");
    d.reading.m_fValue = fValue;
    d.reading.m_fRange = fRange;
    d.strTime = QStringLiteral("14/3/25 9:30:0");
    d.nLayout = nLayout;
    d.bSeries8Frame = true;
    return d;
}

// A series-9 reading of the given kind with the meter's clock at 14/03/2025 09:30:00.
CDecodedReading Statistics(int nKind, float fValue, float fRange, int nLayout = 4)
{
    CDecodedReading d = Live("VDC", fValue, fRange, nLayout);
    d.bSeries8Frame = false;
    d.bSeries9 = true;
    d.nRecordKind = nKind;
    MeterReading& r = d.reading;
    r.m_nYear = 25;
    r.m_nMonth = 3;
    r.m_nDay = 14;
    r.m_nHour = 9;
    r.m_nMinute = 30;
    r.m_strSub1Unit = r.m_strSub2Unit = QStringLiteral("V");
    return d;
}

QStringList Types(const CRecordArray& arr)
{
    QStringList types;
    for (qsizetype i = 0; i < arr.size(); ++i)
        types << arr.Type(i);
    return types;
}

} // namespace

TEST(RecordingRules, LiveReadingsFollowTheFunctionAndTheLimit)
{
    CMyTalvaDoc doc;
    EXPECT_EQ(CRecordingRules::CheckLive(doc, QStringLiteral("VDC")), CRecordingRules::LiveCheck::Record);
    CRecordingRules::AddLive(doc, CRecordingRules::LiveReading(Live("VDC", 1.0f, 10.0f)), QStringLiteral("t0"));
    EXPECT_EQ(CRecordingRules::CheckLive(doc, QStringLiteral("VDC")), CRecordingRules::LiveCheck::Record);
    EXPECT_EQ(CRecordingRules::CheckLive(doc, QStringLiteral("VAC")), CRecordingRules::LiveCheck::FunctionChanged);
    while (doc.m_arrData[0].size() < CRecordingRules::kMaxLiveRecords)
        CRecordingRules::AddLive(doc, CRecordingRules::LiveReading(Live("VDC", 1.0f, 10.0f)), QStringLiteral("t"));
    EXPECT_EQ(CRecordingRules::CheckLive(doc, QStringLiteral("VDC")), CRecordingRules::LiveCheck::Full);
    // A new function wins over a full document: the reading starts the next one.
    EXPECT_EQ(CRecordingRules::CheckLive(doc, QStringLiteral("VAC")), CRecordingRules::LiveCheck::FunctionChanged);
    EXPECT_EQ(doc.m_arrData[0].Record(1)->m_nIndex, 1);
    EXPECT_EQ(doc.m_arrData[0].Record(1)->m_dSampleRate, 0.0);
}

TEST(RecordingRules, LiveOverloadsAndReadingsWithoutARange)
{
    EXPECT_EQ(CRecordingRules::LiveReading(Live("VDC", 12.0f, 10.0f)).m_fValue, 500000.0f);
    EXPECT_EQ(CRecordingRules::LiveReading(Live("VDC", -12.0f, 10.0f)).m_fValue, -500000.0f);
    EXPECT_EQ(CRecordingRules::LiveReading(Live("VDC", 10.0f, 10.0f)).m_fValue, 10.0f);
    EXPECT_EQ(CRecordingRules::LiveReading(Live("VDC", -10.0f, 10.0f)).m_fValue, -10.0f);

    // Frequency frames carry no range: the range an earlier frame left does not apply.
    const MeterReading hz = CRecordingRules::LiveReading(Live("HZ", 50.0f, 6.0f, 7));
    EXPECT_EQ(hz.m_fValue, 50.0f);
    EXPECT_EQ(hz.m_fRange, 500000.0f);
    CMyTalvaDoc doc;
    CRecordingRules::AddLive(doc, hz, QStringLiteral("t"));
    EXPECT_EQ(doc.m_arrData[0].Record(0)->m_dValue, 50.0);
    EXPECT_EQ(doc.m_dMax, 50.0); // and it enters the statistics
    EXPECT_EQ(doc.m_nValidCount, 1);
}

TEST(RecordingRules, StatisticsRecordsOfEveryKind)
{
    struct CCase
    {
        int nKind;
        QStringList types;
    };
    const CCase cases[] = {
        {1, {}},
        {2, {"Max", "Min", "Average"}},
        {3, {"Ref", "Rel"}},
        {4, {"PeakMax", "PeakMin", "PeakAverage"}},
        {5, {"Crest Factor"}},
        {6, {"VDC"}},
        {7, {}},
        {8, {"VDC"}},
        {9, {}},
    };
    for (const CCase& c : cases) {
        CMyTalvaDoc doc;
        CDecodedReading d = Statistics(c.nKind, 2.0f, 10.0f);
        d.reading.m_fSub1 = 3.0f;
        d.reading.m_fSub2 = -3.0f;
        d.reading.m_fSub3 = 0.5f;
        d.reading.m_fRef = 1.0f;
        d.reading.m_fRel = 1.5f;
        d.reading.m_fAux1 = 7.0f;
        d.reading.m_fAux2 = 8.0f;
        d.reading.m_strAux2Unit = QStringLiteral("VAC");
        d.reading.m_fAux3 = 9.0f;
        d.reading.m_strAux3Unit = QStringLiteral("Hz  ");
        EXPECT_EQ(CRecordingRules::AddStatistics(doc, d), 1 + c.types.size()) << c.nKind;
        ASSERT_EQ(doc.m_arrData[0].size(), 1) << c.nKind;
        EXPECT_EQ(Types(doc.m_arrData[1]), c.types) << c.nKind;
        const CObData primary = *doc.m_arrData[0].Record(0);
        EXPECT_EQ(primary.m_dValue, c.nKind == 6 ? 7.0 : 2.0) << c.nKind;
        EXPECT_EQ(primary.m_dSampleRate, 1.0);
        for (qsizetype i = 0; i < doc.m_arrData[1].size(); ++i) {
            EXPECT_EQ(doc.m_arrData[1].Index(i), 0);
            EXPECT_EQ(doc.m_arrData[1].SampleRate(i), 1.0);
        }
        if (c.nKind == 5) {
            EXPECT_DOUBLE_EQ(doc.m_arrData[1].Record(0)->m_dValue, 1.5);
            EXPECT_EQ(doc.m_arrData[1].Record(0)->m_strUnit, QStringLiteral("Crest Factor"));
        }
        if (c.nKind == 6)
            EXPECT_EQ(doc.m_arrData[1].Record(0)->m_strUnit, QStringLiteral("VAC"));
        if (c.nKind == 8)
            EXPECT_EQ(doc.m_arrData[1].Record(0)->m_dValue, 9.0);
    }
    CMyTalvaDoc doc;
    EXPECT_EQ(CRecordingRules::AddStatistics(doc, Statistics(0, 1.0f, 10.0f)), 0);
    EXPECT_TRUE(doc.m_arrData[0].isEmpty());
}

TEST(RecordingRules, StatisticsOverloadOnlyAboveAndTheNextRecordNumber)
{
    CMyTalvaDoc doc;
    CDecodedReading d = Statistics(2, -12.0f, 10.0f);
    d.reading.m_fSub1 = 12.0f;
    d.reading.m_fSub2 = -12.0f;
    CRecordingRules::AddStatistics(doc, d);
    EXPECT_EQ(doc.m_arrData[0].Record(0)->m_dValue, -12.0);
    EXPECT_EQ(doc.m_arrData[1].Record(0)->m_dValue, 500000.0);
    EXPECT_EQ(doc.m_arrData[1].Record(1)->m_dValue, -12.0);
    CRecordingRules::AddStatistics(doc, Statistics(1, 12.0f, 10.0f));
    EXPECT_EQ(doc.m_arrData[0].Record(1)->m_dValue, 500000.0);
    EXPECT_EQ(doc.m_arrData[0].Record(1)->m_nIndex, 1);
    EXPECT_EQ(doc.m_nCount, 2);
    EXPECT_EQ(doc.m_nValidCount, 0); // neither reading lies inside the range

    // Frequency statistics (layout 7, kind 9) keep their values whatever range came before.
    CMyTalvaDoc hz;
    CRecordingRules::AddStatistics(hz, Statistics(9, 1234.0f, 6.0f, 7));
    EXPECT_EQ(hz.m_arrData[0].Record(0)->m_dValue, 1234.0);
    EXPECT_EQ(hz.m_dMax, 1234.0);
}

TEST(RecordingRules, CrestFactorAndItsFallback)
{
    EXPECT_DOUBLE_EQ(CRecordingRules::CrestFactor(3.0, -3.0, 2.0), 1.5);
    EXPECT_DOUBLE_EQ(CRecordingRules::CrestFactor(3.0, -3.0, 0.0), 1.3);
    EXPECT_DOUBLE_EQ(CRecordingRules::CrestFactor(30.0, -30.0, 2.0), 1.3);  // 15
    EXPECT_DOUBLE_EQ(CRecordingRules::CrestFactor(2.0, -2.0, 2.0), 1.3);    // exactly 1
    EXPECT_DOUBLE_EQ(CRecordingRules::CrestFactor(10.0, -10.0, 2.0), 1.3);  // exactly 5
    EXPECT_DOUBLE_EQ(CRecordingRules::CrestFactor(3.0, -3.0, -2.0), 1.3);   // negative
    EXPECT_DOUBLE_EQ(CRecordingRules::CrestFactor(std::nan(""), 0.0, 1.0), 1.3);
}

TEST(RecordingRules, StatisticsTimesOfKinds2And4And5AddTheElapsedTime)
{
    for (int nKind : {2, 4, 5}) {
        CMyTalvaDoc doc;
        CDecodedReading d = Statistics(nKind, 1.0f, 10.0f);
        d.reading.m_nHour = 23;
        d.reading.m_nElapsedH = 1;
        d.reading.m_nElapsedM = 2;
        d.reading.m_nElapsedS = 3;
        d.reading.m_strSub1Time = QStringLiteral("00:00:01");
        CRecordingRules::AddStatistics(doc, d);
        EXPECT_EQ(doc.m_arrData[0].Record(0)->m_strTime, QStringLiteral("2025/03/15 00:32:03")) << nKind;
        const QString strSecondary = nKind == 5 ? QStringLiteral("2025/03/15 00:32:03") : QStringLiteral("00:00:01");
        EXPECT_EQ(doc.m_arrData[1].Record(0)->m_strTime, strSecondary);
    }
    // The other kinds keep the decoder's time.
    CMyTalvaDoc doc;
    CRecordingRules::AddStatistics(doc, Statistics(3, 1.0f, 10.0f));
    EXPECT_EQ(doc.m_arrData[0].Record(0)->m_strTime, QStringLiteral("14/3/25 9:30:0"));
    EXPECT_EQ(doc.m_arrData[1].Record(0)->m_strTime, QStringLiteral("14/3/25 9:30:0"));
}

TEST(RecordingRules, AutomaticLimitsByDecimalsAndFunctionGroup)
{
    struct CCase
    {
        int nDecimals;
        const char* pszFunction;
        bool bChosen;
        double dMax, dMin;
    };
    const CCase cases[] = {
        {3, "VDC", true, 50, -50},    {3, "VAC", true, 50, 0},     {4, "mVDC", true, 5, -5},
        {2, "RES", true, 500, 0},     {2, "ADC", true, 500, -500}, {1, "Diode", true, 1000, 0},
        {1, "uAAC", true, 5000, 0},   {1, "uADC", true, 5000, -5000}, {1, "mADC", true, 1000, -1000},
        {0, "VDC", false, 0, 0},      {5, "VAC", false, 0, 0},     {3, "HZ", false, 0, 0},
        {3, "CAP", false, 0, 0},
    };
    for (const CCase& c : cases) {
        double dMax = 0.0, dMin = 0.0;
        EXPECT_EQ(CRecordingRules::AutoLimits(c.nDecimals, QString::fromLatin1(c.pszFunction), &dMax, &dMin), c.bChosen)
            << c.pszFunction << " " << c.nDecimals;
        EXPECT_EQ(dMax, c.dMax) << c.pszFunction << " " << c.nDecimals;
        EXPECT_EQ(dMin, c.dMin) << c.pszFunction << " " << c.nDecimals;
    }
}

// multimeter-cli record follows the same rules.
TEST(RecordingRules, TheHeadlessRecorderKeepsFrequenciesAndTheReadingThatChangesTheFunction)
{
    QTemporaryDir dir;
    CLiveRecorder recorder(dir.filePath(QStringLiteral("run.mLog")));
    EXPECT_TRUE(recorder.Record(Live("VDC", 1.0f, 6.0f)));
    EXPECT_TRUE(recorder.Record(Live("HZ", 1000.0f, 6.0f, 7)));
    EXPECT_TRUE(recorder.Record(Live("HZ", 12.5f, 6.0f, 7)));
    ASSERT_TRUE(recorder.Save());
    QString strError;
    auto pDoc = CMyTalvaDoc::LoadFile(dir.filePath(QStringLiteral("run-2.mLog")), &strError);
    ASSERT_TRUE(pDoc) << qPrintable(strError);
    ASSERT_EQ(pDoc->m_arrData[0].size(), 2);
    EXPECT_EQ(pDoc->m_arrData[0].Record(0)->m_dValue, 1000.0);
    EXPECT_EQ(pDoc->m_arrData[0].Record(1)->m_dValue, 12.5);
    EXPECT_EQ(pDoc->m_dMax, 1000.0);
    EXPECT_EQ(pDoc->m_dMin, 12.5);
}
