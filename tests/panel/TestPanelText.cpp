#include "panel/CPanelText.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

MeterReading Clock(int nHour, int nMinute, bool b24Hour)
{
    MeterReading r;
    r.m_nHour = quint8(nHour);
    r.m_nMinute = quint8(nMinute);
    r.m_bClockFlag = b24Hour;
    return r;
}

} // namespace

TEST(PanelText, NumbersUseTheMeterDecimalsAndNeverShowMinusZero)
{
    EXPECT_EQ(CPanelText::Fixed(1.23456, 3), QStringLiteral("1.235"));
    EXPECT_EQ(CPanelText::Fixed(-0.0001, 3), QStringLiteral("0.000"));
    EXPECT_EQ(CPanelText::Fixed(-0.4, 0), QStringLiteral("0"));
    EXPECT_EQ(CPanelText::Fixed(-0.001, 3), QStringLiteral("-0.001"));
    EXPECT_EQ(CPanelText::Fixed(-10.0, 1), QStringLiteral("-10.0"));
    // Decimals come from a meter byte: whatever it says, the text stays sane.
    EXPECT_EQ(CPanelText::Fixed(2.4, -250), QStringLiteral("2"));
    EXPECT_EQ(CPanelText::Fixed(2.4, 200), QStringLiteral("2.400000000"));
}

TEST(PanelText, SecondaryValuesKnowOnlyTheUpperOverload)
{
    EXPECT_EQ(CPanelText::OverRange(-7.0f, 6.0f, 1), QStringLiteral("-7.0"));
    EXPECT_EQ(CPanelText::OverRange(6.0f, 6.0f, 1), QStringLiteral("6.0"));
    EXPECT_EQ(CPanelText::OverRange(7.0f, 6.0f, 1), QStringLiteral("OL"));
}

TEST(PanelText, TwelveHourClockKeepsNoonAsTheMeterDoes)
{
    EXPECT_EQ(CPanelText::Clock(Clock(12, 30, false)), QStringLiteral("12:30AM"));
    EXPECT_EQ(CPanelText::Clock(Clock(13, 5, false)), QStringLiteral("01:05PM"));
    EXPECT_EQ(CPanelText::Clock(Clock(0, 7, false)), QStringLiteral("00:07AM"));
    EXPECT_EQ(CPanelText::Clock(Clock(13, 5, true)), QStringLiteral("13:05"));
}

TEST(PanelText, DateOrderFollowsTheMeter)
{
    MeterReading r;
    r.m_nYear = 25;
    r.m_nMonth = 3;
    r.m_nDay = 14;
    EXPECT_EQ(CPanelText::Date(r), QStringLiteral("14/03/25"));
    r.m_bMonthFirst = true;
    EXPECT_EQ(CPanelText::Date(r), QStringLiteral("03/14/25"));
}

TEST(PanelText, StartIsTheMeterClockPlusTheElapsedTime)
{
    MeterReading r = Clock(23, 50, true);
    r.m_nYear = 25;
    r.m_nMonth = 12;
    r.m_nDay = 31;
    r.m_nSecond = 30;
    r.m_nElapsedH = 1;
    r.m_nElapsedM = 15;
    r.m_nElapsedS = 45;
    EXPECT_EQ(CPanelText::Start(r), QStringLiteral("01/01/26 01:06:15"));
    r.m_bClockFlag = false;
    r.m_nElapsedH = 0;
    r.m_nElapsedM = 5;
    r.m_nElapsedS = 0;
    r.m_nHour = 12;
    EXPECT_EQ(CPanelText::Start(r), QStringLiteral("31/12/25 12:55:30 AM"));
    r.m_nHour = 14;
    EXPECT_EQ(CPanelText::Start(r), QStringLiteral("31/12/25 02:55:30 PM"));
}

TEST(PanelText, RelativeReadingsInValueOrPercent)
{
    MeterReading r;
    r.m_fValue = 5.012f;
    r.m_fRef = 5.0f;
    r.m_fRel = 0.012f;
    r.m_fRange = 6.0f;
    r.m_nDecimals = 3;
    EXPECT_EQ(CPanelText::Relative(r), QStringLiteral("0.012"));
    r.m_fRef = 7.0f;
    EXPECT_EQ(CPanelText::Relative(r), QStringLiteral("OL"));
    r.m_bIndicatorC = true;
    r.m_fRef = -4.0f;
    r.m_fRel = 1.0f;
    EXPECT_EQ(CPanelText::Relative(r), QStringLiteral("25.0"));
    r.m_fRef = 0.0f;
    EXPECT_EQ(CPanelText::Relative(r), QStringLiteral("0.0"));
}

TEST(PanelText, CrestFactorFallsBackToOnePointThree)
{
    MeterReading r;
    r.m_fValue = 230.0f;
    r.m_fSub1 = 325.0f;
    r.m_fSub2 = -325.0f;
    EXPECT_EQ(CPanelText::CrestFactor(r), QStringLiteral("1.4")); // 1.413 - 0.05
    r.m_fSub1 = 2000.0f;
    EXPECT_EQ(CPanelText::CrestFactor(r), QStringLiteral("1.3")); // 5 or more
    r.m_fValue = 0.0f;
    EXPECT_EQ(CPanelText::CrestFactor(r), QStringLiteral("1.3"));
}

TEST(PanelText, DcAcShowsOneDecimalMoreOrTheFirstAuxiliaryValue)
{
    MeterReading r;
    r.m_fValue = 12.37f;
    r.m_fRange = 60.0f;
    r.m_nDecimals = 2;
    r.m_nAuxCode = 2;
    EXPECT_EQ(CPanelText::DcAc(r), QStringLiteral("12.370"));
    r.m_nAuxCode = 3;
    r.m_fAux1 = -61.0f;
    EXPECT_EQ(CPanelText::DcAc(r), QStringLiteral("-OL"));
}

TEST(PanelText, FrequencyPulseWidthAndDutyCycle)
{
    EXPECT_EQ(CPanelText::Frequency(100.5f), QStringLiteral("100.50"));
    EXPECT_EQ(CPanelText::Frequency(100.0f), QStringLiteral("100.000"));
    EXPECT_EQ(CPanelText::Frequency(10.0f), QStringLiteral("10.0000"));

    MeterReading r;
    r.m_strUnit = QStringLiteral("HZ");
    r.m_fValue = 50.0f;
    r.m_fAux4 = 50.0f;
    r.m_bIndicatorC = true;
    QString strUnit;
    EXPECT_EQ(CPanelText::PulseOrDuty(r, &strUnit), QStringLiteral("10.00"));
    EXPECT_EQ(strUnit, QStringLiteral("ms"));
    r.m_strUnit = QStringLiteral("KHZ");
    r.m_fValue = 1.0f;
    EXPECT_EQ(CPanelText::PulseOrDuty(r, &strUnit), QStringLiteral("0.50"));
    r.m_strUnit = QStringLiteral("MHZ");
    r.m_fAux4 = 5000.0f;
    EXPECT_EQ(CPanelText::PulseOrDuty(r, &strUnit), QStringLiteral("0.05"));
    r.m_fValue = 0.0f;
    EXPECT_EQ(CPanelText::PulseOrDuty(r, &strUnit), QStringLiteral("OL"));
    EXPECT_EQ(strUnit, QStringLiteral("ms"));

    r.m_bIndicatorC = false;
    r.m_fAux4 = 37.5f;
    EXPECT_EQ(CPanelText::PulseOrDuty(r, &strUnit), QStringLiteral("37.50"));
    EXPECT_EQ(strUnit, QStringLiteral("%"));
    r.m_bIndicatorE = true;
    EXPECT_TRUE(CPanelText::PulseOrDuty(r, &strUnit).isEmpty());
    EXPECT_TRUE(strUnit.isEmpty());
}

TEST(PanelText, LineFrequencyOverloadsAtOneHundred)
{
    MeterReading r;
    r.m_fAux3 = 99.994f;
    EXPECT_EQ(CPanelText::LineFrequency(r), QStringLiteral("99.99"));
    r.m_fAux3 = 100.0f;
    EXPECT_EQ(CPanelText::LineFrequency(r), QStringLiteral("OL"));
}
