#include "COscTestFrame.h"
#include "scope/COscDecoder.h"
#include "scope/COscText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

OscRecord Decode(const COscTestFrame& frame)
{
    OscRecord record;
    QString strError;
    EXPECT_TRUE(COscDecoder::Decode(frame.Hex(), &record, &strError)) << strError.toStdString();
    return record;
}

TEST(OscDecoder, SamplesBecomeVolts)
{
    COscTestFrame frame;
    frame.Sample(0, 135).Sample(1, 160).Sample(2, 110).Sample(3, 235).Sample(4, 35);
    const OscRecord r = Decode(frame);
    EXPECT_EQ(r.m_valid, 1);
    EXPECT_EQ(r.m_voltsText, "1.00 V/div");
    EXPECT_EQ(r.m_unit, "V");
    EXPECT_DOUBLE_EQ(r.m_voltsPerDiv, 1.0);
    EXPECT_FLOAT_EQ(r.m_samples[0], 0.0f);
    EXPECT_FLOAT_EQ(r.m_samples[1], 1.0f);
    EXPECT_FLOAT_EQ(r.m_samples[2], -1.0f);
    EXPECT_FLOAT_EQ(r.m_samples[3], 4.0f);
    EXPECT_FLOAT_EQ(r.m_samples[4], -4.0f);
    EXPECT_FLOAT_EQ(r.m_samples[299], 0.0f);
}

TEST(OscDecoder, MillivoltScalesAndPeakToPeak)
{
    // 50 mV/div: 2 mV a level; high 185, low 85 -> 200 mV.
    COscTestFrame frame;
    frame.Set(2, 11).Set(7, 185).Set(8, 85).Sample(0, 185);
    const OscRecord r = Decode(frame);
    EXPECT_EQ(r.m_voltsText, "50.00 mV/div");
    EXPECT_EQ(r.m_unit, "mV");
    EXPECT_DOUBLE_EQ(r.m_vpp, 200.0);
    EXPECT_EQ(r.m_vppText, "200 mV");
    EXPECT_DOUBLE_EQ(r.m_maxValue, 100.0);
    EXPECT_DOUBLE_EQ(r.m_minValue, -100.0);
    EXPECT_FLOAT_EQ(r.m_samples[0], 100.0f);
}

TEST(OscDecoder, PeakToPeakTextFollowsTheScale)
{
    struct Case { int nCode; const char* pszText; };
    // 50 levels apart: two divisions.
    for (const Case c : {Case{1, "400.0 V"}, Case{4, "20.0 V"}, Case{5, "10.00 V"}, Case{8, "1.00 V"},
                         Case{9, "400 mV"}}) {
        COscTestFrame frame;
        frame.Set(2, c.nCode).Set(7, 160).Set(8, 110);
        EXPECT_EQ(Decode(frame).m_vppText, c.pszText) << "code " << c.nCode;
    }
}

TEST(OscDecoder, FftStatusTakesTheMetersPeakToPeak)
{
    COscTestFrame frame;
    frame.Set(0, 3).Set(2, 5).Word(12, 1234).Set(7, 200).Set(8, 100);
    const OscRecord r = Decode(frame);
    EXPECT_NEAR(r.m_vpp, 12.34, 1e-9);
    EXPECT_EQ(r.m_vppText, "12.34 V");
}

struct SPeriodCase
{
    int nCode;
    int nDistance;
    const char* pszPeriod;
    const char* pszFreq;
};

class OscDecoderPeriod : public ::testing::TestWithParam<SPeriodCase> {};

TEST_P(OscDecoderPeriod, CrossingsGivePeriodAndFrequencyTexts)
{
    const SPeriodCase& c = GetParam();
    COscTestFrame frame;
    frame.Set(1, c.nCode).Word(30, 20).Word(32, 20 + c.nDistance);
    const OscRecord r = Decode(frame);
    EXPECT_EQ(r.m_periodText, c.pszPeriod);
    EXPECT_EQ(r.m_freqText, c.pszFreq);
    EXPECT_DOUBLE_EQ(r.m_pos1, 12.0); // counted from the first sample sent
    EXPECT_DOUBLE_EQ(r.m_pos2, 12.0 + c.nDistance);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, OscDecoderPeriod,
    ::testing::Values(SPeriodCase{1, 10, "20.00 mS", "50.00 Hz"},      // 2 ms a sample
                      SPeriodCase{12, 5, "2.000 uS", "500.000 KHz"},   // 0.4 us a sample
                      SPeriodCase{4, 25, "5.000 mS", "200.00 Hz"},
                      SPeriodCase{7, 50, "1000.0 uS", "1.000 KHz"},
                      SPeriodCase{10, 10, "20.00 uS", "50.000 KHz"},
                      SPeriodCase{13, 10, "2.000 uS", "500.00 KHz"},
                      SPeriodCase{15, 25, "1000.0 nS", "1.0000 MHz"},    // 40 ns a sample
                      SPeriodCase{18, 20, "100.0 nS", "10.000 MHz"},
                      SPeriodCase{1, 0, "0.00 mS", "inf Hz"}));            // no distance: what printf gives

TEST(OscDecoder, TextsRoundExactTiesAsCsPrintfDoes)
{
    // 0.5 us/div with the second crossing 160 samples before the first: exactly -0.3125 MHz,
    // which "%.3f" rounds to the even digit.
    COscTestFrame frame;
    frame.Set(1, 16).Word(30, 168).Word(32, 8);
    const OscRecord r = Decode(frame);
    EXPECT_DOUBLE_EQ(r.m_freq, -0.3125);
    EXPECT_EQ(r.m_freqText, "-0.312 MHz");
    EXPECT_EQ(r.m_periodText, "-3200.0 nS");
    // 50 ms/div, crossings 4000 samples apart: 0.125 Hz, shown with two decimals.
    frame.Set(1, 1).Word(30, 8).Word(32, 8 + 4000);
    EXPECT_EQ(Decode(frame).m_freqText, "0.12 Hz");
}

TEST(OscDecoder, FftStatusUsesTheMetersReadings)
{
    struct Case { int nCode; int nSelect; const char* pszFreq; const char* pszPeriod; double dFreq; };
    const Case cases[] = {
        {5, 1, "12.34 Hz", "8.100 mS", 12.34},     // codes 1..6: f x 0.01 Hz, the code's period form
        {8, 1, "1.234 KHz", "810.0 uS", 1.234},
        {14, 1, "12.34 KHz", "8.100 uS", 12.34},
        {15, 1, "0.1234 MHz", "810.0 nS", 0.1234},
        {17, 9, "1.234 MHz", "810.0 nS", 1.234},   // codes 16..18 whatever the selector
        {5, 2, "123.4 KHz", "810.0 nS", 123.4},
        {5, 3, "1.234 MHz", "810.0 nS", 1.234},
        {5, 0, "-1.0 MHz", "810.0 nS", -1.0},       // no frequency: -1
    };
    for (const Case& c : cases) {
        COscTestFrame frame;
        frame.Set(0, 3).Set(1, c.nCode).Word(14, 1234).Word(16, 8100).Set(35, c.nSelect);
        const OscRecord r = Decode(frame);
        EXPECT_EQ(r.m_freqText, c.pszFreq) << "code " << c.nCode << " selector " << c.nSelect;
        EXPECT_EQ(r.m_periodText, c.pszPeriod) << "code " << c.nCode << " selector " << c.nSelect;
        EXPECT_NEAR(r.m_freq, c.dFreq, 1e-9);
        EXPECT_DOUBLE_EQ(r.m_period, 8100.0);
    }
    // Another selector below code 16 keeps what the crossings gave.
    COscTestFrame frame;
    frame.Set(0, 3).Set(1, 1).Word(30, 8).Word(32, 18).Word(14, 1234).Set(35, 7);
    EXPECT_EQ(Decode(frame).m_freqText, "50.00 Hz");
}

TEST(OscDecoder, TimeBaseLabelChoice)
{
    COscTestFrame frame;
    frame.Set(1, 7);
    EXPECT_EQ(Decode(frame).m_rateText, "0.5mS/div");
    frame.Set(50, 1);
    EXPECT_EQ(Decode(frame).m_rateText, "50KSa/s");
    frame.Set(1, 1).Set(50, 0);
    EXPECT_EQ(Decode(frame).m_rateText, "50mS/div");
    frame.Set(1, 18).Set(50, 200);
    EXPECT_EQ(Decode(frame).m_rateText, "200MSa/s");
}

TEST(OscDecoder, FieldsDateAndTrigger)
{
    COscTestFrame frame;
    frame.Set(10, 0).Set(11, 1).Set(18, 4).Set(19, 3).Set(36, 160).Set(52, 7).Date(2025, 12, 5, 9, 8, 7, 0);
    OscRecord r = Decode(frame);
    EXPECT_EQ(r.m_coupling, 0);
    EXPECT_EQ(r.m_speed, 1);
    EXPECT_EQ(r.m_page, 4);
    EXPECT_EQ(r.m_trigger, 3);
    EXPECT_EQ(r.m_triggerLevel, 1000);
    EXPECT_EQ(r.m_slot, 7);
    EXPECT_EQ(r.m_year, 2025);
    EXPECT_EQ(r.m_date1, 12);
    EXPECT_EQ(r.m_date2, 5);
    EXPECT_EQ(r.m_spareInt, 0);
    EXPECT_TRUE(r.m_spareText.isEmpty());
    EXPECT_EQ(COscText::LiveInfo(r), "0 12/05/2025 09:08:07");
    EXPECT_EQ(COscText::StoredInfo(7, r), "7 | 12/05/2025 09:08:07");

    frame.Set(36, 110).Date(2025, 12, 5, 9, 8, 7, 1);
    r = Decode(frame);
    EXPECT_EQ(r.m_triggerLevel, -1000);
    EXPECT_EQ(COscText::LiveInfo(r), "0 05/12/2025 09:08:07");
    // The screen and the export keep the frame's order.
    EXPECT_EQ(COscText::ScreenDate(r), "12/05/2025");
    EXPECT_EQ(COscText::FactsDateTime(r), "12/05/2025  09:08:07");
}

TEST(OscDecoder, SpectrumBarsFirstLimited)
{
    COscTestFrame frame;
    frame.Bar(0, 200).Bar(1, 200).Bar(119, 255);
    OscRecord r = Decode(frame);
    EXPECT_FLOAT_EQ(r.m_bars[0], 15.0f);
    EXPECT_FLOAT_EQ(r.m_bars[1], 200.0f);
    EXPECT_FLOAT_EQ(r.m_bars[119], 255.0f);
    frame.Bar(0, 9);
    EXPECT_FLOAT_EQ(Decode(frame).m_bars[0], 9.0f);
}

TEST(OscDecoder, UnknownCodesGiveEmptyLabels)
{
    for (int nCode : {0, 19, 255}) {
        COscTestFrame frame;
        frame.Set(1, nCode).Set(2, nCode == 19 ? 12 : nCode).Sample(0, 200);
        const OscRecord r = Decode(frame);
        EXPECT_TRUE(r.m_rateText.isEmpty());
        EXPECT_TRUE(r.m_voltsText.isEmpty());
        EXPECT_TRUE(r.m_freqText.isEmpty());
        EXPECT_TRUE(r.m_periodText.isEmpty());
        EXPECT_FLOAT_EQ(r.m_samples[0], 0.0f);
        EXPECT_EQ(r.m_unit, "V");
    }
}

TEST(OscDecoder, RejectsTextThatIsNoFrame)
{
    OscRecord r;
    r.m_page = 77;
    QString strError;
    const QByteArray hex = COscTestFrame().Hex();
    EXPECT_FALSE(COscDecoder::Decode(hex.left(1023), &r, &strError));
    EXPECT_TRUE(strError.contains("too short")) << strError.toStdString();
    QByteArray damaged = hex;
    damaged[500] = 'g';
    EXPECT_FALSE(COscDecoder::Decode(damaged, &r, &strError));
    EXPECT_TRUE(strError.contains("not hexadecimal"));
    EXPECT_EQ(r.m_page, 77);
    // The last two bytes are not read, and either case of hex digits is.
    EXPECT_TRUE(COscDecoder::Decode(hex.left(1024).toUpper(), &r));
    EXPECT_EQ(r.m_rateText, "0.5mS/div");
}

} // namespace
