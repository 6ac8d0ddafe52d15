#include "scope/COscTables.h"
#include "scope/COscText.h"

#include <gtest/gtest.h>

namespace {

TEST(OscTables, TimePerDivisionMatchesTheLabels)
{
    const qint64 arrNs[] = {0,      50000000, 20000000, 10000000, 5000000, 2000000, 1000000, 500000, 200000, 100000,
                            50000, 20000,    10000,    5000,     2000,    1000,    500,     250,    125};
    for (int nCode = 0; nCode <= COscTables::kMaxTimeBase; ++nCode)
        EXPECT_EQ(COscTables::TimePerDivNs(nCode), arrNs[nCode]) << "code " << nCode;
    EXPECT_EQ(COscTables::TimePerDivNs(19), 0);
    EXPECT_EQ(COscTables::TimePerDivNs(-1), 0);
    EXPECT_EQ(COscTables::RateLabel(-5, true), "");
    EXPECT_EQ(COscTables::VoltScale(12).dPerDiv, 0.0);
    EXPECT_EQ(COscTables::PeriodForm(0), nullptr);
    EXPECT_EQ(COscTables::PeriodForm(19), nullptr);
}

TEST(OscText, StatusAndTriggerWords)
{
    EXPECT_EQ(COscText::ScreenStatusWord(4), "Single");
    EXPECT_EQ(COscText::StatusWord(4), "SINGLE");
    EXPECT_EQ(COscText::StatusWord(2), "REC");
    EXPECT_EQ(COscText::ScreenStatusWord(3), "FFT");
    EXPECT_EQ(COscText::StatusWord(9), "");
    OscRecord r;
    r.m_trigger = 3;
    r.m_triggerLevel = 1500;
    EXPECT_EQ(COscText::TriggerText(r), "Single:1.50");
    EXPECT_EQ(COscText::PrintTriggerText(r.m_trigger), "NO");
    r.m_triggerLevel = -250;
    EXPECT_EQ(COscText::TriggerText(r), "Single:-0.25");
    r.m_trigger = 2;
    EXPECT_EQ(COscText::TriggerText(r), "DOWN");
    EXPECT_EQ(COscText::PrintTriggerText(1), "UP");
    EXPECT_EQ(COscText::CouplingText(0), "AC ");
    EXPECT_EQ(COscText::CouplingText(1), "DC");
}

TEST(OscText, BarFrequencies)
{
    struct Case { int nCode; int nIndex; const char* pszPrint; double dHertz; };
    const Case cases[] = {
        {5, 10, "5.00KHz", 5000.0},   // step 50, hundredths of a kilohertz
        {1, 3, "6Hz", 6.0},
        {0, 7, "0Hz", 0.0},
        {8, 4, "2.0KHz", 2000.0},
        {13, 2, "0.040MHz", 40000.0},
        {18, 1, "0.800MHz", 800000.0},
        {99, 5, "0Hz", 0.0},          // unknown code: no step
    };
    for (const Case& c : cases) {
        const COscText::SBarFrequency freq = COscText::BarFrequency(c.nCode, c.nIndex);
        EXPECT_EQ(COscText::BarPrintText(c.nCode, c.nIndex), c.pszPrint) << "code " << c.nCode;
        EXPECT_DOUBLE_EQ(freq.Hertz(), c.dHertz) << "code " << c.nCode;
    }
    const COscText::SBarFrequency freq = COscText::BarFrequency(5, 10);
    EXPECT_EQ(freq.Number(), "5.00");
    EXPECT_EQ(freq.strUnit, "KHz");
    EXPECT_EQ(COscText::BarReadout(5, 10), "Freq:5.00KHz");
}

TEST(OscText, PointReadouts)
{
    EXPECT_EQ(COscText::InspectText(false, 5, 1.0, 7), "NO.:5  Amplitude:1.00  ");
    EXPECT_EQ(COscText::InspectText(true, 10, 4.5, 5), "NO.:10  Factor:45.00 Freq:5.00KHz");
}

TEST(OscText, CursorReadouts)
{
    EXPECT_EQ(COscText::LevelDifference(1.5, -0.25, "V"), "1.75 V");
    EXPECT_EQ(COscText::LevelDifference(-20.0, 30.0, "mV"), "-50.00 mV");

    struct Case { int nCode; double dSamples; const char* pszDt; const char* pszFreq; };
    const Case cases[] = {
        {7, 50, "1000.000 uS", "1.000 KHz"},  // exactly 1 ms stays in microseconds
        {7, 51, "1.020 mS", "980.392 Hz"},
        {1, 10, "20.000 mS", "50.000 Hz"},
        {14, 10, "800.000 nS", "1.250 MHz"},
        {14, 13, "1.040 uS", "961.538 KHz"},
        {18, 1, "5.000 nS", "200.000 MHz"},
    };
    for (const Case& c : cases) {
        const COscText::STimeDifference diff = COscText::TimeDifference(c.nCode, c.dSamples);
        EXPECT_EQ(diff.strDt, c.pszDt) << "code " << c.nCode;
        EXPECT_EQ(diff.strFreq, c.pszFreq) << "code " << c.nCode;
    }
    EXPECT_TRUE(COscText::TimeDifference(0, 50).strDt.isEmpty());
    EXPECT_TRUE(COscText::TimeDifference(40, 50).strFreq.isEmpty());
}

} // namespace
