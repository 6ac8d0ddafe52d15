#include "base/CMeterUnit.h"

#include <gtest/gtest.h>

namespace {

struct CUnitCase
{
    const char* pszText; // UTF-8, as the meter (or the logger table) sends it
    const char* pszSymbol;
    const char* pszCoupling;
    int nExponent;
};

// Every unit text that the decoders, the statistics records and the logger table produce.
constexpr CUnitCase kMeterUnits[] = {
    {"VDC", "V", "DC", 0},         {"mVDC", "V", "DC", -3},      {"VAC", "V", "AC", 0},
    {"mVAC", "V", "AC", -3},       {"Vdc+ac", "V", "DC+AC", 0},  {"mVdc+ac", "V", "DC+AC", -3},
    {"uVdc+ac", "V", "DC+AC", -6}, {"V", "V", "", 0},            {"mV", "V", "", -3},
    {"VD", "V", "", 0},            {"VE", "V", "", 0},           {"ADC", "A", "DC", 0},
    {"mADC", "A", "DC", -3},       {"uADC", "A", "DC", -6},      {"AAC", "A", "AC", 0},
    {"mAAC", "A", "AC", -3},       {"uAAC", "A", "AC", -6},      {"Adc+ac", "A", "DC+AC", 0},
    {"mAdc+ac", "A", "DC+AC", -3}, {"uAdc+ac", "A", "DC+AC", -6}, {"A", "A", "", 0},
    {"mA", "A", "", -3},           {"uA", "A", "", -6},          {"Ω", "Ω", "", 0},
    {"KΩ", "Ω", "", 3},            {"MΩ", "Ω", "", 6},           {"nF", "F", "", -9},
    {"uF", "F", "", -6},           {"mF", "F", "", -3},          {"HZ", "Hz", "", 0},
    {"KHZ", "Hz", "", 3},          {"kHZ", "Hz", "", 3},         {"MHZ", "Hz", "", 6},
    {"Hz  ", "Hz", "", 0},         {"℃", "°C", "", 0},           {"℉", "°F", "", 0},
    {"%", "%", "", 0},             {"ms", "s", "", -3},
};

TEST(MeterUnit, EveryUnitTheMeterSendsHasItsQuantityAndPrefix)
{
    for (const CUnitCase& c : kMeterUnits) {
        SCOPED_TRACE(c.pszText);
        const CMeterUnit unit = CMeterUnit::Parse(QString::fromUtf8(c.pszText));
        EXPECT_TRUE(unit.IsKnown());
        EXPECT_EQ(unit.Symbol(), QString::fromUtf8(c.pszSymbol));
        EXPECT_EQ(unit.Coupling(), QString::fromUtf8(c.pszCoupling));
        EXPECT_EQ(unit.Exponent(), c.nExponent);
        EXPECT_EQ(unit.Text(), QString::fromUtf8(c.pszText).trimmed());
    }
    EXPECT_EQ(CMeterUnit::Parse(u"uF").Display(), QStringLiteral("µF"));
    EXPECT_EQ(CMeterUnit::Parse(u"KΩ").Display(), QStringLiteral("kΩ"));
    EXPECT_EQ(CMeterUnit::Parse(u"mVDC").Display(), QStringLiteral("mV DC"));
    EXPECT_EQ(CMeterUnit::Parse(u"MHZ").Display(), QStringLiteral("MHz"));
    EXPECT_EQ(CMeterUnit::Parse(u"℃").Display(), QStringLiteral("°C"));
}

TEST(MeterUnit, UnknownTextsAreQuantitiesOfTheirOwn)
{
    for (const char16_t* pszText : {u"", u"OSC", u"dBm", u"DC", u"xV", u"m", u"k℃", u"m%"}) {
        const CMeterUnit unit = CMeterUnit::Parse(pszText);
        EXPECT_FALSE(unit.IsKnown()) << QString::fromUtf16(pszText).toStdString();
        EXPECT_EQ(unit.Display(), QString::fromUtf16(pszText));
    }
    const CMeterUnit dbm = CMeterUnit::Parse(u"dBm");
    EXPECT_TRUE(dbm.SameQuantity(CMeterUnit::Parse(u" dBm ")));
    EXPECT_FALSE(dbm.SameQuantity(CMeterUnit::Parse(u"OSC")));
    EXPECT_FALSE(dbm.SameQuantity(CMeterUnit::Parse(u"V")));
    EXPECT_FALSE(CMeterUnit::Parse(u"V").SameQuantity(dbm));
}

TEST(MeterUnit, ValuesConvertWithinAQuantityOnly)
{
    const CMeterUnit nF = CMeterUnit::Parse(u"nF");
    const CMeterUnit uF = CMeterUnit::Parse(u"uF");
    const CMeterUnit mF = CMeterUnit::Parse(u"mF");
    EXPECT_TRUE(nF.SameQuantity(mF));
    EXPECT_DOUBLE_EQ(mF.Convert(0.5011, nF), 501100.0);
    EXPECT_DOUBLE_EQ(uF.Convert(499.6, nF), 499600.0);
    EXPECT_DOUBLE_EQ(nF.Convert(100.0, mF), 0.0001);
    EXPECT_EQ(nF.Convert(100.0, nF), 100.0);

    const CMeterUnit hz = CMeterUnit::Parse(u"HZ");
    EXPECT_DOUBLE_EQ(CMeterUnit::Parse(u"KHZ").Convert(1.0, hz), 1000.0);
    EXPECT_DOUBLE_EQ(CMeterUnit::Parse(u"MHZ").Convert(0.75, hz), 750000.0);
    EXPECT_DOUBLE_EQ(CMeterUnit::Parse(u"MΩ").Convert(1.2, CMeterUnit::Parse(u"KΩ")), 1200.0);
    // Exact powers of ten: a value that went to the smallest prefix and back is unchanged but for rounding.
    EXPECT_DOUBLE_EQ(nF.Convert(mF.Convert(0.1234, nF), mF), 0.1234);

    // The coupling is part of the quantity; the symbol alone is what a typed limit names.
    const CMeterUnit vdc = CMeterUnit::Parse(u"VDC");
    const CMeterUnit vac = CMeterUnit::Parse(u"mVAC");
    EXPECT_FALSE(vdc.SameQuantity(vac));
    EXPECT_TRUE(vdc.SameSymbol(vac));
    EXPECT_FALSE(vdc.SameSymbol(CMeterUnit::Parse(u"ADC")));
    EXPECT_FALSE(CMeterUnit::Parse(u"℃").SameQuantity(CMeterUnit::Parse(u"℉")));

    EXPECT_EQ(nF.WithExponent(-6).Display(), QStringLiteral("µF"));
    EXPECT_EQ(nF.WithExponent(-6).Exponent(), -6);
    EXPECT_EQ(nF.WithExponent(2), nF);
}

TEST(MeterUnit, TypedLimitsReadAsNumberAndUnit)
{
    struct CLimit
    {
        const char16_t* pszText;
        double dValue;
        const char* pszSymbol;
        int nExponent;
    };
    const CLimit limits[] = {
        {u"4.5V", 4.5, "V", 0},     {u"100nF", 100.0, "F", -9}, {u" -2 kHz", -2.0, "Hz", 3},
        {u"1e3", 1000.0, "", 0},    {u"20 %", 20.0, "%", 0},    {u".5mA", 0.5, "A", -3},
        {u"3.3kohm", 3.3, "Ω", 3}, {u"+12", 12.0, "", 0},
    };
    for (const CLimit& c : limits) {
        double dValue = 0;
        CMeterUnit unit;
        ASSERT_TRUE(CMeterUnit::ParseValue(c.pszText, &dValue, &unit)) << QString::fromUtf16(c.pszText).toStdString();
        EXPECT_EQ(dValue, c.dValue);
        EXPECT_EQ(unit.Symbol(), QString::fromUtf8(c.pszSymbol));
        EXPECT_EQ(unit.Exponent(), c.nExponent);
    }
    double dValue = 7;
    CMeterUnit unit = CMeterUnit::Parse(u"V");
    for (const char16_t* pszBad : {u"", u"V", u"4.5 volts", u"abc", u"1.2.3", u"--1", u"5 m"}) {
        EXPECT_FALSE(CMeterUnit::ParseValue(pszBad, &dValue, &unit)) << QString::fromUtf16(pszBad).toStdString();
        EXPECT_EQ(dValue, 7);
    }
}

} // namespace
