// A document's readings in one unit: conversion of every unit the meter sends, statistics of
// recordings that range through prefixes, readings of another quantity, and files written
// with mixed units by older versions.
#include "CByteBuilder.h"
#include "document/CMyTalvaDoc.h"
#include "document/CRecordStream.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QString TimeOf(int n)
{
    return QStringLiteral("14/3/25 9:%1:%2").arg(n / 60 % 60).arg(n % 60);
}

// A live reading in its own unit: range and main value as the recorder gives them.
void Live(CMyTalvaDoc& doc, const char* pszUnit, double dValue, float fRange = 5000.0f)
{
    const int n = int(doc.m_arrData[0].size());
    doc.AddReading(0, QString::fromUtf8(pszUnit), n, TimeOf(n), QStringLiteral("CAP"), dValue, 0.0, fRange,
                   float(dValue));
}

// The reading's value as the document computes with it.
double InDocument(const char* pszFirst, const char* pszUnit, double dValue)
{
    CMyTalvaDoc doc;
    Live(doc, pszFirst, 1.0);
    Live(doc, pszUnit, dValue);
    return doc.Summary().Value(1);
}

struct CConversion
{
    const char* pszDocument;
    const char* pszReading;
    double dValue;
    double dExpected; //!< NaN: another quantity, left apart
};

} // namespace

TEST(DocumentUnits, EveryUnitTheMeterSendsConvertsIntoItsDocumentsUnit)
{
    const CConversion cases[] = {
        {"VDC", "mVDC", 1234.5, 1.2345},      {"mVDC", "VDC", 1.5, 1500.0},         {"VAC", "mVAC", 20.0, 0.02},
        {"Vdc+ac", "mVdc+ac", 5.0, 0.005},    {"mVdc+ac", "uVdc+ac", 2.0, 0.002},   {"V", "mV", 3.0, 0.003},
        {"VD", "V", 0.6, 0.6},                {"VE", "mV", 100.0, 0.1},             {"ADC", "mADC", 12.0, 0.012},
        {"mADC", "uADC", 50.0, 0.05},         {"AAC", "uAAC", 5.0, 0.000005},       {"mAAC", "AAC", 1.0, 1000.0},
        {"Adc+ac", "mAdc+ac", 3.0, 0.003},    {"uAdc+ac", "Adc+ac", 0.001, 1000.0}, {"A", "uA", 250.0, 0.00025},
        {"mA", "A", 0.5, 500.0},              {"Ω", "KΩ", 1.5, 1500.0},             {"KΩ", "MΩ", 2.0, 2000.0},
        {"MΩ", "Ω", 500.0, 0.0005},           {"nF", "uF", 499.6, 499600.0},        {"nF", "mF", 0.5011, 501100.0},
        {"mF", "nF", 100.0, 0.0001},          {"uF", "mF", 1.0, 1000.0},            {"HZ", "KHZ", 1.0, 1000.0},
        {"KHZ", "HZ", 50.0, 0.05},            {"KHZ", "MHZ", 0.75, 750.0},          {"kHZ", "KHZ", 3.0, 3.0},
        {"MHZ", "HZ", 60000.0, 0.06},         {"℃", "℃", 21.5, 21.5},               {"℉", "℉", 70.7, 70.7},
        {"%", "%", 45.0, 45.0},               {"ms", "ms", 3.0, 3.0},
        // Readings of another quantity stay apart: another symbol, coupling, scale or an unknown text.
        {"VDC", "ADC", 1.0, kNaN},            {"VDC", "mVAC", 1.0, kNaN},           {"VDC", "Vdc+ac", 1.0, kNaN},
        {"℃", "℉", 70.0, kNaN},               {"nF", "Ω", 1.0, kNaN},               {"HZ", "%", 1.0, kNaN},
        {"V", "OSC", 1.0, kNaN},              {"OSC", "V", 1.0, kNaN},              {"dBm", "dB", 1.0, kNaN},
        // An unknown text is a quantity of its own, equal to itself.
        {"dBm", "dBm", -7.5, -7.5},           {"", "", 2.0, 2.0},
    };
    for (const CConversion& c : cases) {
        SCOPED_TRACE(std::string(c.pszReading) + " in a document of " + c.pszDocument);
        const double d = InDocument(c.pszDocument, c.pszReading, c.dValue);
        if (std::isnan(c.dExpected))
            EXPECT_TRUE(std::isnan(d)) << d;
        else
            EXPECT_DOUBLE_EQ(d, c.dExpected);
    }
    CMyTalvaDoc doc;
    Live(doc, "uF", 1.0);
    EXPECT_EQ(doc.Unit().Display(), QString::fromUtf8("µF"));
    double dLimit = 50.0;
    EXPECT_TRUE(doc.ToDocumentUnit(QStringLiteral("nF"), &dLimit));
    EXPECT_DOUBLE_EQ(dLimit, 0.05);
    EXPECT_FALSE(doc.ToDocumentUnit(QStringLiteral("VDC"), &dLimit));
    EXPECT_DOUBLE_EQ(dLimit, 0.05);
}

TEST(DocumentUnits, ACapacitanceRecordingThroughNanoMicroAndMilliFarads)
{
    // From 100 nF up to 0.5 mF, as the meter ranges: the numbers alone would read as a ramp to
    // 499.6 falling to 0.5.
    CMyTalvaDoc doc;
    Live(doc, "nF", 100.0);
    Live(doc, "nF", 470.3);
    Live(doc, "uF", 1.002);
    Live(doc, "uF", 47.15);
    Live(doc, "uF", CObData::kOverload, 500.0f); // over the range while it switched: an overload
    Live(doc, "uF", 499.6);
    Live(doc, "mF", 0.5011);
    Live(doc, "mF", 0.3);
    const double arrNano[] = {100.0, 470.3, 1002.0, 47150.0, 499600.0, 501100.0, 300000.0};
    double dSum = 0.0;
    for (double d : arrNano)
        dSum += d;

    EXPECT_EQ(doc.Unit().Display(), QStringLiteral("nF"));
    EXPECT_TRUE(doc.UnitsConverted());
    EXPECT_DOUBLE_EQ(doc.m_dMax, 501100.0);
    EXPECT_EQ(doc.m_strMaxTime, TimeOf(6));
    EXPECT_DOUBLE_EQ(doc.m_dMin, 100.0);
    EXPECT_EQ(doc.m_strMinTime, TimeOf(0));
    EXPECT_DOUBLE_EQ(doc.m_dSum, dSum);
    EXPECT_DOUBLE_EQ(doc.m_dAverage, dSum / 7);
    EXPECT_EQ(doc.m_nCount, 8);
    EXPECT_EQ(doc.m_nValidCount, 7);
    EXPECT_EQ(doc.SkippedReadings(), 0);
    // Each record keeps the value and unit the meter sent.
    EXPECT_EQ(doc.m_arrData[0].Record(6)->m_dValue, 0.5011);
    EXPECT_EQ(doc.m_arrData[0].Record(6)->m_strUnit, QStringLiteral("mF"));
    // The overload stays one: on the top limit of the graph, in no figure.
    EXPECT_EQ(doc.Summary().Value(4), std::numeric_limits<double>::infinity());

    // What a file stores are the converted figures, so any reader of it shows them.
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("cap.mLog"));
    ASSERT_TRUE(doc.SaveFile(strPath, nullptr));
    CRecordStream stream;
    CRecordStream::SStatistics stored;
    ASSERT_TRUE(stream.Open(strPath, nullptr));
    ASSERT_TRUE(stream.Read({}, &stored, nullptr));
    EXPECT_DOUBLE_EQ(stored.dMax, 501100.0);
    EXPECT_DOUBLE_EQ(stored.dMin, 100.0);
    EXPECT_DOUBLE_EQ(stored.dAverage, dSum / 7);
    EXPECT_EQ(stored.strMaxTime, TimeOf(6));
    // Loaded again, the same figures.
    const std::unique_ptr<CMyTalvaDoc> pLoaded = CMyTalvaDoc::LoadFile(strPath, nullptr);
    ASSERT_TRUE(pLoaded);
    EXPECT_EQ(std::make_tuple(pLoaded->m_dMax, pLoaded->m_dMin, pLoaded->m_strMaxTime, pLoaded->m_strMinTime),
              std::make_tuple(doc.m_dMax, doc.m_dMin, doc.m_strMaxTime, doc.m_strMinTime));
    EXPECT_DOUBLE_EQ(pLoaded->m_dAverage, doc.m_dAverage);
    EXPECT_EQ(pLoaded->m_nValidCount, 7);
}

TEST(DocumentUnits, AFrequencyDocumentInHertzKilohertzAndMegahertz)
{
    // Frequencies carry no range: the recorder gives them the overload value as their limit.
    CMyTalvaDoc doc;
    Live(doc, "KHZ", 1.0, float(CObData::kOverload));
    Live(doc, "HZ", 50.0, float(CObData::kOverload));
    Live(doc, "MHZ", 0.75, float(CObData::kOverload));
    EXPECT_EQ(doc.Unit().Display(), QStringLiteral("kHz"));
    EXPECT_DOUBLE_EQ(doc.m_dMax, 750.0);
    EXPECT_EQ(doc.m_strMaxTime, TimeOf(2));
    EXPECT_DOUBLE_EQ(doc.m_dMin, 0.05);
    EXPECT_EQ(doc.m_strMinTime, TimeOf(1));
    EXPECT_DOUBLE_EQ(doc.m_dAverage, (1.0 + 0.05 + 750.0) / 3);
    EXPECT_EQ(doc.Summary().Range(0, 3).dMax, 750.0);
}

TEST(DocumentUnits, ReadingsOfAnotherQuantityAreSkippedAndCounted)
{
    CMyTalvaDoc doc;
    Live(doc, "VDC", 1.0);
    Live(doc, "ADC", 9.0);
    Live(doc, "mVDC", 2500.0);
    Live(doc, "mVAC", 7.0); // another coupling is another quantity
    EXPECT_EQ(doc.SkippedReadings(), 2);
    EXPECT_EQ(doc.m_nValidCount, 2);
    EXPECT_DOUBLE_EQ(doc.m_dMax, 2.5);
    EXPECT_DOUBLE_EQ(doc.m_dMin, 1.0);
    EXPECT_EQ(doc.m_nCount, 4);
    EXPECT_TRUE(std::isnan(doc.Summary().Value(1)));
    EXPECT_EQ(doc.Summary().Range(0, 4).dMax, 2.5);
    // A document that starts with nothing but another quantity's overload still has its unit.
    CMyTalvaDoc overloaded;
    Live(overloaded, "MΩ", CObData::kOverload);
    Live(overloaded, "KΩ", 12.0);
    EXPECT_EQ(overloaded.Unit().Display(), QStringLiteral("MΩ"));
    EXPECT_DOUBLE_EQ(overloaded.m_dMax, 0.012);
}

TEST(DocumentUnits, AnOlderFileOfMixedUnitsGetsItsFiguresComputedAgain)
{
    // An older writer summed the bare numbers of 1.0000 kHz, 50.0000 Hz and 0.7500 MHz and
    // stored "Maximum 50, Minimum 0.75".
    CObData k(1.0, "KHZ", 0.0, 0, "t0", "HZ", 500000.0f), h(50.0, "HZ", 0.0, 1, "t1", "HZ", 500000.0f),
        m(0.75, "MHZ", 0.0, 2, "t2", "HZ", 500000.0f);
    const QByteArray file = CByteBuilder()
        .U16(3).NewClass().Fields(k.m_dValue, "KHZ", 0.0, 0, "t0", "HZ", k.m_fRange)
        .U16(0x8001).Fields(h.m_dValue, "HZ", 0.0, 1, "t1", "HZ", h.m_fRange)
        .U16(0x8001).Fields(m.m_dValue, "MHZ", 0.0, 2, "t2", "HZ", m.m_fRange)
        .U16(0).U16(0)
        .F64(17.25).F64(50.0).Str16("t1").F64(0.75).Str16("t2").F64(1.0).F64(51.75).U32(3).Str16("t0")
        .Str16("t2").Str16("HZ")
        .Bytes();
    const std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadBytes(file, nullptr);
    ASSERT_TRUE(pDoc);
    EXPECT_DOUBLE_EQ(pDoc->m_dMax, 750.0);
    EXPECT_EQ(pDoc->m_strMaxTime, "t2");
    EXPECT_DOUBLE_EQ(pDoc->m_dMin, 0.05);
    EXPECT_EQ(pDoc->m_strMinTime, "t1");
    EXPECT_DOUBLE_EQ(pDoc->m_dSum, 751.05);
    EXPECT_DOUBLE_EQ(pDoc->m_dAverage, 751.05 / 3);
    // What the figures do not come from stays as stored.
    EXPECT_EQ(pDoc->m_nCount, 3);
    EXPECT_EQ(pDoc->m_strStartTime, "t0");
    EXPECT_EQ(pDoc->m_strType, "HZ");
    // Saved again, the file holds the right figures for every reader.
    const std::unique_ptr<CMyTalvaDoc> pAgain = CMyTalvaDoc::LoadBytes(pDoc->SaveBytes(), nullptr);
    ASSERT_TRUE(pAgain);
    EXPECT_DOUBLE_EQ(pAgain->m_dMax, 750.0);

    // A file in one unit keeps its stored figures, however odd.
    const QByteArray single = CByteBuilder()
        .U16(1).NewClass().Fields(3.0, "V", 0.0, 0, "t0", "VDC", 5.0f)
        .U16(0).U16(0)
        .F64(1.0).F64(99.0).Str16("x").F64(-99.0).Str16("y").F64(1.0).F64(2.0).U32(1).Str16("t0").Str16("t0")
        .Str16("VDC")
        .Bytes();
    const std::unique_ptr<CMyTalvaDoc> pSingle = CMyTalvaDoc::LoadBytes(single, nullptr);
    ASSERT_TRUE(pSingle);
    EXPECT_EQ(std::make_tuple(pSingle->m_dMax, pSingle->m_dMin, pSingle->m_dSum), std::make_tuple(99.0, -99.0, 2.0));
}

TEST(DocumentUnits, ImportedLoggerRecordsOfALadderAreConverted)
{
    // The logger's capacitance ladder: nF below 500, then uF, then mF.
    QList<CObData*> arr{new CObData(220.0, "nF", 2.0, 0, "t0", "CAP", 1e7f),
                        new CObData(4.7, "uF", 2.0, 1, "t1", "CAP", 1e7f),
                        new CObData(CObData::kOverload, "mF", 2.0, 2, "t2", "CAP", 1e7f),
                        new CObData(1.5, "mF", 2.0, 3, "t3", "CAP", 1e7f)};
    CMyTalvaDoc doc;
    doc.ImportReadings(arr);
    EXPECT_DOUBLE_EQ(doc.m_dMax, 1500000.0);
    EXPECT_EQ(doc.m_strMaxTime, "t3");
    EXPECT_DOUBLE_EQ(doc.m_dMin, 220.0);
    EXPECT_DOUBLE_EQ(doc.m_dAverage, (220.0 + 4700.0 + 1500000.0) / 3);
    EXPECT_EQ(doc.m_nCount, 4);
}
