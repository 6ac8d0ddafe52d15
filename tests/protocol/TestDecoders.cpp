#include "CProtocolFixture.h"

#include "protocol/CFunctionTable.h"

namespace {

constexpr int kFrameBytes[] = {0, 27, 59, 35, 47, 36, 34, 21};

CTestFrame Frame(int nLayout, bool bSeries9 = false)
{
    return CTestFrame(nLayout, bSeries9, kFrameBytes[nLayout]);
}

// A typical frame of each layout: function VDC, value 1.5, range 4, unit "V",
// clock 2025-03-14 09:08:07 (format byte: 24-hour, month first where carried).
CTestFrame Typical(int nLayout, bool bSeries9)
{
    CTestFrame f = Frame(nLayout, bSeries9);
    switch (nLayout) {
    case 1:
        return f.Byte(2, 2).Byte(3, 0x05).Float(4, 1.5f).Float(8, 4.0f).Unit(12, "V").Byte(16, 2)
            .Clock(17, 25, 3, 14, 9, 8, 7).Byte(23, 0x03);
    case 2:
        return f.Byte(2, 2).Byte(3, 0x05).Float(4, 1.5f).Float(8, 2.5f).Float(12, 0.5f).Float(16, 1.25f)
            .Float(20, 4.0f).Byte(24, 0xe4).Unit(25, "V").Unit(29, "V").Unit(33, "mV").Unit(37, "V")
            .Byte(41, 0x01).Byte(42, 0x02).Byte(43, 0x03).Byte(44, 0x04).Byte(45, 0x05).Byte(46, 0x06)
            .Byte(47, 0x00).Byte(48, 0x10).Byte(49, 0x30).Clock(50, 25, 3, 14, 9, 8, 7);
    case 3:
        return f.Byte(2, 2).Byte(3, 0x05).Float(4, 1.5f).Float(8, 1.0f).Float(12, 0.5f).Float(16, 4.0f)
            .Unit(20, "V").Byte(24, 2).Clock(25, 25, 3, 14, 9, 8, 7).Byte(31, 0x03);
    case 4:
        return f.Byte(2, 2).Byte(3, 0x01).Float(4, 1.5f).Float(8, 2.5f).Float(12, 0.5f).Float(16, 1.25f)
            .Float(20, 4.0f).Unit(24, "V").Byte(28, 0xe4).Byte(29, 0x01).Byte(30, 0x02).Byte(31, 0x03)
            .Byte(35, 0x00).Byte(36, 0x10).Byte(37, 0x30).Clock(38, 25, 3, 14, 9, 8, 7);
    case 5:
        return f.Byte(2, 2).Byte(3, 0x05).Float(4, 0.25f).Float(8, 0.75f).Float(12, 1.5f).Unit(16, "V")
            .Float(20, 4.0f).Byte(24, 2).Byte(25, 1).Clock(26, 25, 3, 14, 9, 8, 7).Byte(32, 0x03);
    case 6:
        return f.Byte(2, 0x05).Float(3, 1.5f).Unit(7, "V").Byte(11, 2).Float(12, 4.0f).Float(16, 0.75f)
            .Unit(20, "Hz  ").Clock(24, 25, 3, 14, 9, 8, 7).Byte(30, 0x03);
    default:
        return f.Byte(2, 0x15).Float(3, 1500.0f).Float(7, 0.25f).Clock(11, 25, 3, 14, 9, 8, 7).Byte(17, 0x03);
    }
}

struct CLayoutExpect
{
    const char* pszFunction;
    const char* pszUnit;
    float fValue;
    int nDecimals;
    const char* pszTime; // layouts 2 and 4 add the elapsed 00:10:30, four-digit year, day first
    int nKind;
    void (*pCheck)(const MeterReading&);
};

const CLayoutExpect kExpect[] = {
    {},
    {"VDC", "V", 1.5f, 3, "3/14/25 9:8:7", 1,
     [](const MeterReading& r) { EXPECT_FLOAT_EQ(r.m_fRange, 4.0f); }},
    {"VDC", "V", 1.5f, 5, "14/3/2025 9:18:37", 2,
     [](const MeterReading& r) {
         EXPECT_FLOAT_EQ(r.m_fSub1, 2.5f);
         EXPECT_FLOAT_EQ(r.m_fSub2, 0.5f);
         EXPECT_FLOAT_EQ(r.m_fSub3, 1.25f);
         EXPECT_EQ(r.m_strSub2Unit, "mV");
         EXPECT_EQ(r.m_strSub1Time, "01:02:03");
         EXPECT_EQ(r.m_strSub3Time, "00:10:30");
         EXPECT_EQ(r.m_nElapsedM, 10);
         EXPECT_EQ(r.m_nElapsedS, 30);
     }},
    {"VDC", "V", 1.5f, 3, "3/14/25 9:8:7", 3,
     [](const MeterReading& r) {
         EXPECT_FLOAT_EQ(r.m_fRef, 1.0f);
         EXPECT_FLOAT_EQ(r.m_fRel, 0.5f);
         EXPECT_FLOAT_EQ(r.m_fRange, 4.0f);
     }},
    {"VDC", "V", 1.5f, 5, "14/3/2025 9:18:37", 4,
     [](const MeterReading& r) {
         EXPECT_EQ(r.m_strSub1Unit, "V");
         EXPECT_EQ(r.m_strSub3Unit, "V");
         EXPECT_EQ(r.m_nSub3Decimals, 2);
         EXPECT_EQ(r.m_strClockText, "14/03/25 09:08:07 am");
     }},
    {"VDC", "VDC", 1.5f, 3, "3/14/25 9:8:7", 0,
     [](const MeterReading& r) {
         EXPECT_FLOAT_EQ(r.m_fAux1, 0.25f);
         EXPECT_FLOAT_EQ(r.m_fAux2, 0.75f);
         EXPECT_EQ(r.m_strAux2Unit, "VAC");
         EXPECT_EQ(r.m_nAuxCode, 1);
     }},
    {"VAC", "V", 1.5f, 3, "3/14/25 9:8:7", 8,
     [](const MeterReading& r) {
         EXPECT_FLOAT_EQ(r.m_fAux3, 0.75f);
         EXPECT_EQ(r.m_strAux3Unit, "Hz  "); // the second unit keeps its blanks
     }},
    {"HZ", "KHZ", 1.5f, 0, "3/14/25 9:8:7", 9,
     [](const MeterReading& r) {
         EXPECT_FLOAT_EQ(r.m_fAux4, 25.0f);
         EXPECT_TRUE(r.m_bIndicatorE);
     }},
};

class LayoutTest : public CProtocolFixture, public ::testing::WithParamInterface<std::tuple<int, bool>>
{
};

TEST_P(LayoutTest, DecodesTypicalFrame)
{
    const auto [nLayout, bSeries9] = GetParam();
    if (bSeries9)
        Feed("f8f8f8f8");
    Feed(Typical(nLayout, bSeries9).Hex());

    ASSERT_EQ(m_decoded.size(), 1);
    const CDecodedReading d = Last();
    const CLayoutExpect& e = kExpect[nLayout];
    EXPECT_EQ(d.nLayout, nLayout);
    EXPECT_EQ(d.nRecordKind, e.nKind);
    EXPECT_EQ(d.bSeries8Frame, !bSeries9);
    EXPECT_EQ(d.bSeries9, bSeries9);
    EXPECT_EQ(d.strTime, e.pszTime);
    EXPECT_EQ(d.reading.m_strFunction, e.pszFunction);
    EXPECT_EQ(d.reading.m_strUnit, QString::fromUtf8(e.pszUnit));
    EXPECT_FLOAT_EQ(d.reading.m_fValue, e.fValue);
    EXPECT_EQ(d.reading.m_nDecimals, e.nDecimals);
    EXPECT_TRUE(d.reading.m_bIndicatorA);
    EXPECT_TRUE(d.reading.m_bIndicatorB);
    EXPECT_EQ(d.reading.m_nDay, 14);
    e.pCheck(d.reading);

    EXPECT_TRUE(m_protocol.MeterHex().isEmpty());
    EXPECT_EQ(m_protocol.Layout(), nLayout);
    ASSERT_EQ(m_panel.size(), 1);
    EXPECT_EQ(m_panel.at(0).at(0).toInt(), nLayout);
    EXPECT_EQ(m_panel.at(0).at(1).toString(), d.reading.m_strUnit);
    EXPECT_DOUBLE_EQ(m_panel.at(0).at(2).toDouble(), double(d.reading.m_fValue));
    EXPECT_EQ(m_protocol.PanelReading().m_strUnit, d.reading.m_strUnit);
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, LayoutTest,
                         ::testing::Combine(::testing::Range(1, 8), ::testing::Bool()),
                         [](const auto& info) {
                             return "Layout" + std::to_string(std::get<0>(info.param))
                                 + (std::get<1>(info.param) ? "Series9" : "Series8");
                         });

// Layout 1 units as sent, and what they become.
struct CUnitCase
{
    const char* pszSent;
    float fValue;
    int nDecimalsByte;
    const char* pszUnit;
    float fExpectValue;
    float fExpectRange; // range sent is always 40000
    int nDecimals;
};

class Layout1UnitTest : public CProtocolFixture, public ::testing::WithParamInterface<CUnitCase>
{
};

TEST_P(Layout1UnitTest, Normalises)
{
    const CUnitCase& c = GetParam();
    const MeterReading r = Decode(Frame(1).Float(4, c.fValue).Float(8, 40000.0f).Unit(12, c.pszSent)
                                      .Byte(16, c.nDecimalsByte));
    EXPECT_EQ(r.m_strUnit, QString::fromUtf8(c.pszUnit));
    EXPECT_FLOAT_EQ(r.m_fValue, c.fExpectValue);
    EXPECT_FLOAT_EQ(r.m_fRange, c.fExpectRange);
    EXPECT_EQ(r.m_nDecimals, c.nDecimals);
}

INSTANTIATE_TEST_SUITE_P(Units, Layout1UnitTest, ::testing::Values(
    CUnitCase{"ko", 12345.0f, 2, "KΩ", 12.345f, 40.0f, 3},
    CUnitCase{"Mo", 2500000.0f, 2, "MΩ", 2.5f, 0.04f, 3},
    CUnitCase{"o", 12.0f, 2, "Ω", 12.0f, 40000.0f, 3},
    CUnitCase{"o@", 12.0f, 2, "Ω", 12.0f, 40000.0f, 3},
    CUnitCase{"s", 21.5f, 1, "℃", 21.5f, 40000.0f, 4},
    CUnitCase{"h", 70.5f, 1, "℉", 70.5f, 40000.0f, 4},
    CUnitCase{"VE", 1.0f, 2, "V", 1.0f, 40000.0f, 3},
    CUnitCase{"  V ", 1.0f, 2, "V", 1.0f, 40000.0f, 3},
    CUnitCase{"uF", 4700.0f, 2, "uF", 4.7f, 40.0f, 2},
    CUnitCase{"mF", 3000000.0f, 2, "mF", 3.0f, 0.04f, 2},
    CUnitCase{"nF", 470.0f, 2, "nF", 470.0f, 40000.0f, 2},
    CUnitCase{"mV", 470.0f, 2, "mV", 470.0f, 40000.0f, 3}));

class DecoderTest : public CProtocolFixture
{
};

TEST_F(DecoderTest, Layout3ScalesAllFourValues)
{
    MeterReading r = Decode(Frame(3).Float(4, 2000.0f).Float(8, 1000.0f).Float(12, 500.0f).Float(16, 4000.0f)
                                .Unit(20, "kHZ"));
    EXPECT_EQ(r.m_strUnit, "KHZ");
    EXPECT_EQ(r.m_strFunction, "HZ");
    EXPECT_FLOAT_EQ(r.m_fValue, 2.0f);
    EXPECT_FLOAT_EQ(r.m_fRef, 1.0f);
    EXPECT_FLOAT_EQ(r.m_fRel, 0.5f);
    EXPECT_FLOAT_EQ(r.m_fRange, 4.0f);

    r = Decode(Frame(3).Float(4, 2000000.0f).Unit(20, "MHZ"));
    EXPECT_EQ(r.m_strUnit, "MHZ");
    EXPECT_EQ(r.m_strFunction, "HZ");
    EXPECT_FLOAT_EQ(r.m_fValue, 2.0f);
    EXPECT_EQ(Decode(Frame(3).Unit(20, "s")).m_strUnit, "℃");
}

TEST_F(DecoderTest, Layout2PackedDecimalsAndUnitChains)
{
    MeterReading r = Decode(Frame(2).Byte(3, 0x02).Byte(24, 0xe4).Unit(25, "s").Unit(29, "ko").Clock(50, 25, 3, 14, 9, 0, 0));
    EXPECT_EQ(r.m_nDecimals, 5);
    EXPECT_EQ(r.m_nSub1Decimals, 4);
    EXPECT_EQ(r.m_nSub2Decimals, 3);
    EXPECT_EQ(r.m_nSub3Decimals, 2);
    EXPECT_FALSE(r.m_bIndicatorB);
    // A temperature main unit overrides the sub units before their ohm chains run.
    EXPECT_EQ(r.m_strUnit, "℃");
    EXPECT_EQ(r.m_strSub1Unit, "℃");
    EXPECT_EQ(r.m_strSub3Unit, "℃");

    r = Decode(Frame(2).Float(4, 5000.0f).Float(8, 2000.0f).Float(12, 3000000.0f).Float(16, 7.0f).Float(20, 9000.0f)
                   .Unit(25, "kHZ").Unit(29, "ko").Unit(33, "MHZ").Unit(37, "o").Clock(50, 25, 3, 14, 9, 0, 0));
    EXPECT_EQ(r.m_strUnit, "kHZ"); // layout 2 keeps the frequency unit text
    EXPECT_EQ(r.m_strFunction, "HZ");
    EXPECT_FLOAT_EQ(r.m_fValue, 5.0f);
    EXPECT_FLOAT_EQ(r.m_fRange, 9.0f);
    EXPECT_EQ(r.m_strSub1Unit, "KΩ");
    EXPECT_FLOAT_EQ(r.m_fSub1, 2.0f);
    EXPECT_EQ(r.m_strSub2Unit, "MHZ");
    EXPECT_FLOAT_EQ(r.m_fSub2, 3.0f);
    EXPECT_EQ(r.m_strSub3Unit, "Ω");
    EXPECT_FLOAT_EQ(r.m_fSub3, 7.0f);
}

TEST_F(DecoderTest, WrongDateIsReportedOncePerFrameAndReplaced)
{
    const CTestFrame frame = Frame(2).Clock(50, 25, 0, 14, 20, 15, 0);
    Feed(frame.Hex());
    ASSERT_EQ(m_prompt.Texts(), QStringList{"DateTime is wrong, please correct datetime!"});
    EXPECT_EQ(Last().strTime, "1/1/2025 20:15:0");
    EXPECT_EQ(Last().reading.m_nMonth, 1);
    EXPECT_EQ(m_protocol.PanelReading().m_nDay, 1);

    Feed(Frame(4).Clock(38, 25, 3, 0, 20, 15, 0).Hex());
    EXPECT_EQ(m_prompt.Texts().size(), 2);
    EXPECT_EQ(Last().strTime, "1/1/2025 20:15:0");
}

TEST_F(DecoderTest, ElapsedTimeRollsOverAndUsesLastDateOrder)
{
    Decode(Frame(1).Byte(23, 0x02)); // month first from now on
    Feed(Frame(4).Byte(35, 0x05).Clock(38, 24, 12, 31, 22, 0, 0).Hex());
    EXPECT_EQ(Last().strTime, "1/1/2025 3:0:0");
}

TEST_F(DecoderTest, Layout4ClockTextAndCrestKind)
{
    Feed(Frame(4).Byte(3, 0x04).Clock(38, 25, 3, 14, 20, 15, 0).Hex());
    EXPECT_EQ(Last().reading.m_strClockText, "14/03/25 08:15:00 pm");
    EXPECT_EQ(Last().nRecordKind, 5);
    Feed(Frame(4).Clock(38, 25, 3, 14, 12, 5, 9).Hex());
    EXPECT_EQ(Last().reading.m_strClockText, "14/03/25 12:05:09 am");
    EXPECT_EQ(Last().nRecordKind, 4);
}

TEST_F(DecoderTest, Layout5Suffixes)
{
    Feed(Frame(5).Unit(16, "V").Byte(24, 2).Byte(25, 2).Hex());
    EXPECT_EQ(Last().reading.m_strUnit, "Vdc+ac");
    EXPECT_EQ(Last().reading.m_nDecimals, 2);
    EXPECT_EQ(Last().nRecordKind, 7);
    Feed(Frame(5).Unit(16, "V").Byte(25, 3).Hex());
    EXPECT_EQ(Last().reading.m_strUnit, "VDC");
    EXPECT_EQ(Last().reading.m_strAux2Unit, "VAC");
    EXPECT_EQ(Last().nRecordKind, 6);
}

TEST_F(DecoderTest, Layout7UnitByMagnitude)
{
    MeterReading r = Decode(Frame(7).Float(3, 750000.0f));
    EXPECT_EQ(r.m_strUnit, "MHZ");
    EXPECT_FLOAT_EQ(r.m_fValue, 0.75f);
    r = Decode(Frame(7).Float(3, 500.0f));
    EXPECT_EQ(r.m_strUnit, "HZ");
    EXPECT_FLOAT_EQ(r.m_fValue, 500.0f);
    r = Decode(Frame(7).Float(3, 500000.0f));
    EXPECT_EQ(r.m_strUnit, "KHZ");
    EXPECT_FLOAT_EQ(r.m_fValue, 500.0f);
}

TEST_F(DecoderTest, LayoutFieldsOutsideTheFrameAreKept)
{
    Decode(Frame(3).Float(8, 7.0f).Unit(20, "V"));
    const MeterReading r = Decode(Frame(7).Float(3, 10.0f));
    EXPECT_FLOAT_EQ(r.m_fRef, 7.0f); // layout 7 carries no reference value
}

TEST_F(DecoderTest, FunctionTable)
{
    EXPECT_EQ(CFunctionTable::Name(0), "TEMP");
    EXPECT_EQ(CFunctionTable::Name(15), "Diode");
    EXPECT_EQ(CFunctionTable::Name(25), "DC+AC(uA)");
    EXPECT_EQ(CFunctionTable::Name(31), "HZ");
    EXPECT_EQ(CFunctionTable::Name(19), "");
    EXPECT_EQ(CFunctionTable::Name(33), "");
    EXPECT_EQ(CFunctionTable::Name(34), "");
    EXPECT_EQ(CFunctionTable::Name(-1), "");
    EXPECT_EQ(Decode(Frame(1).Byte(2, 40)).m_strFunction, "");
    EXPECT_EQ(Decode(Frame(1).Byte(2, 255)).m_strFunction, "");
}

TEST_F(DecoderTest, RejectsTextThatIsNotOneFrame)
{
    const QByteArray strFrame = Frame(1).Hex();
    EXPECT_FALSE(m_protocol.DecodeLayout1(strFrame.left(52)));
    EXPECT_FALSE(m_protocol.DecodeLayout1(strFrame + "00"));
    EXPECT_FALSE(m_protocol.DecodeLayout2(strFrame));
    EXPECT_FALSE(m_protocol.DecodeLayout1(QByteArray(strFrame).replace(52, 2, "00")));
    EXPECT_FALSE(m_protocol.DecodeLayout7(QByteArray()));
    EXPECT_TRUE(m_decoded.isEmpty());
    EXPECT_TRUE(m_protocol.DecodeLayout1(strFrame));
}

// Display modes
struct CModeCase
{
    const char* pszUnit;
    bool bIndicatorD;
    int nMode; // -1: unchanged
};

class DisplayModeTest : public CProtocolFixture, public ::testing::WithParamInterface<CModeCase>
{
};

TEST_P(DisplayModeTest, FromUnit)
{
    const CModeCase& c = GetParam();
    QSignalSpy changed(&m_protocol, &CMeterProtocol::DisplayModeChanged);
    QSignalSpy closeOsc(&m_protocol, &CMeterProtocol::CloseOscWindow);
    const CTestFrame frame = Frame(1).Byte(3, c.bIndicatorD ? 0x08 : 0).Unit(12, c.pszUnit);
    Decode(frame);
    Decode(frame); // the same mode again changes nothing
    EXPECT_EQ(m_protocol.DisplayMode(), c.nMode < 0 ? 0 : c.nMode);
    EXPECT_EQ(changed.size(), c.nMode < 0 ? 0 : 1);
    EXPECT_EQ(closeOsc.size(), c.nMode < 0 || c.nMode == 11 ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Units, DisplayModeTest, ::testing::Values(
    CModeCase{"uADC", false, 1}, CModeCase{"mADC", false, 2}, CModeCase{"ADC", false, 3},
    CModeCase{"s", false, 4}, CModeCase{"h", false, 4}, CModeCase{"VAC", false, 5},
    CModeCase{"VDC", false, 6}, CModeCase{"mVDC", false, 7}, CModeCase{"mVAC", false, 7},
    CModeCase{"ko", false, 8}, CModeCase{"o", false, 8}, CModeCase{"nF", false, 8},
    CModeCase{"uF", false, 8}, CModeCase{"OSC", false, 11}, CModeCase{"OSC", true, 11},
    CModeCase{"VAC", true, 5}, CModeCase{"V", true, 10}, CModeCase{"V", false, -1},
    CModeCase{"HZ", false, -1}));

} // namespace
