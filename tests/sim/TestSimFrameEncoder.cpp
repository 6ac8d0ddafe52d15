#include "sim/CSimFrameEncoder.h"
#include "sim/CSimScenario.h"

#include <gtest/gtest.h>

namespace {

// Each reading is written as a scenario step, so these cases also pin down how
// the scenario keys reach the frame. Expected frames follow the layout tables
// field by field: floats little-endian IEEE single, units space-padded, clock
// and times packed BCD. Spaces only separate the fields.
struct EncoderCase
{
    const char* pszName;
    const char* pszStep;
    const char* pszExpected;  // series 8
};

const EncoderCase kCases[] = {
    {"Layout1", R"("layout": 1, "function": 4, "hold": true, "manualRange": true, "value": 12345, "range": 40000,
        "unit": "ko", "decimals": 3, "clock": [25, 3, 14, 20, 15, 0], "monthFirst": true)",
     "a080 04 03 00e44046 00401c47 6b6f2020 02 250314201500 03 0000 a1"},
    {"Layout2", R"("layout": 2, "function": 0, "flagC": true, "value": 23.5, "range": 400, "unit": "s", "decimals": 5,
        "sub": [{"value": 1, "unit": "o", "decimals": 4, "time": "01:02:03"},
                {"value": -2.5, "unit": "kHZ", "decimals": 3, "time": "12:34:56"},
                {"value": 100, "unit": "Mo", "decimals": 2, "time": "99:59:00"}], "clock": [25, 0, 0, 23, 59, 59])",
     "a081 00 04 0000bc41 0000803f 000020c0 0000c842 0000c843 e4 73202020 6f202020 6b485a20 4d6f2020 "
     "010203 123456 995900 250000235959 0000 a1"},
    {"Layout3", R"("layout": 3, "function": 16, "flagD": true, "value": 1500, "ref": 1000, "rel": 50, "range": 4000,
        "unit": "kHZ", "decimals": 1, "clock": [1, 12, 31, 0, 0, 9], "clock24h": false)",
     "a082 10 08 0080bb44 00007a44 00004842 00007a45 6b485a20 04 011231000009 00 0000 a1"},
    {"Layout4", R"("layout": 4, "function": 2, "status": 5, "value": 230.1, "range": 600, "unit": "V", "decimals": 4,
        "sub": [{"value": 231, "decimals": 4, "time": "00:00:01"}, {"value": 229.5, "decimals": 2, "time": "00:10:00"},
                {"decimals": 3, "time": "02:03:04"}], "clock": [25, 3, 14, 20, 15, 0])",
     "a083 02 05 9a196643 00006743 00806543 00000000 00001644 56202020 b5 000001 001000 020304 250314201500 0000 a1"},
    {"Layout5", R"("layout": 5, "function": 21, "manualRange": true, "aux1": 1.25, "aux2": -0.5, "value": 12,
        "unit": "V", "range": 60, "decimals": 2, "auxCode": 2, "clock": [24, 2, 29, 8, 30, 45])",
     "a084 15 02 0000a03f 000000bf 00004041 56202020 00007042 03 02 240229083045 01 0000 a1"},
    {"Layout6", R"("layout": 6, "hold": true, "value": 0.5, "unit": "V", "decimals": 4, "range": 6, "aux3": 50,
        "aux3Unit": "Hz", "clock": [25, 12, 31, 23, 59, 58], "clock24h": false, "monthFirst": true)",
     "a085 01 0000003f 56202020 01 0000c040 00004842 487a2020 251231235958 02 0000 a1"},
    {"Layout7", R"("layout": 7, "status": 31, "value": 750000, "aux4": 0.5, "clock": [25, 3, 14, 20, 15, 0])",
     "a086 1f 001b3749 0000003f 250314201500 01 0000 a1"},
};

class SimFrameEncoderTest : public ::testing::TestWithParam<std::tuple<int, int>>
{
};

TEST_P(SimFrameEncoderTest, EncodesEveryFieldAtItsPosition)
{
    const auto [nCase, nSeries] = GetParam();
    const QByteArray json = QByteArray(R"({"steps": [{"type": "reading", "series": )") + QByteArray::number(nSeries)
                            + ", " + kCases[nCase].pszStep + "}]}";
    CSimScenario scenario;
    QString strError;
    ASSERT_TRUE(scenario.LoadJson(json, &strError)) << strError.toStdString();
    QByteArray expected = QByteArray::fromHex(QByteArray(kCases[nCase].pszExpected).replace(' ', ""));
    if (nSeries == 9)
        expected[1] = char(expected.at(1) + 0x10);

    const QByteArray frame = CSimFrameEncoder::Encode(scenario.Steps().at(0).m_reading);
    EXPECT_EQ(frame.toHex(' ').toStdString(), expected.toHex(' ').toStdString());
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, SimFrameEncoderTest,
                         ::testing::Combine(::testing::Range(0, int(std::size(kCases))), ::testing::Values(8, 9)),
                         [](const auto& info) {
                             return std::string(kCases[std::get<0>(info.param)].pszName) + "Series"
                                    + std::to_string(std::get<1>(info.param));
                         });

TEST(SimFrameEncoder, LengthsHeadersAndBcd)
{
    const int arrLengths[] = {27, 59, 35, 47, 36, 34, 21};
    for (int nLayout = 1; nLayout <= 7; ++nLayout) {
        EXPECT_EQ(CSimFrameEncoder::FrameLength(nLayout), arrLengths[nLayout - 1]);
        EXPECT_EQ(CSimFrameEncoder::HeaderCode(nLayout, 9), 0x8f + nLayout);
    }
    EXPECT_EQ(CSimFrameEncoder::FrameLength(8), 0);
    EXPECT_EQ(CSimFrameEncoder::Bcd(9), 0x09);
    EXPECT_EQ(CSimFrameEncoder::Bcd(59), 0x59);
    EXPECT_EQ(CSimFrameEncoder::Bcd(99), 0x99);
}

TEST(SimFrameEncoder, RefusesReadingsItCannotSend)
{
    const std::pair<void (*)(CSimReading&), const char*> cases[] = {
        {[](CSimReading& r) { r.m_nLayout = 0; }, "unknown layout 0"},
        {[](CSimReading& r) { r.m_nSeries = 7; }, "unknown series 7"},
        {[](CSimReading& r) { r.m_strUnit = "ABCDE"; }, "longer than 4"},
        {[](CSimReading& r) { r.m_strAux3Unit = QString::fromUtf8("\xc2\xb0"); }, "printable ASCII"},
        {[](CSimReading& r) { r.m_nFunction = 256; }, "function code 256"},
        {[](CSimReading& r) { r.m_nLayout = 2; r.m_nDecimals = 1; }, "decimals 1"},
        {[](CSimReading& r) { r.m_nLayout = 4; r.m_arrSub[2].m_arrTime[1] = 100; }, "time field 100"},
        {[](CSimReading& r) { r.m_clock.m_nHour = 100; }, "clock field"},
    };
    for (const auto& [spoil, pszError] : cases) {
        CSimReading reading;
        spoil(reading);
        EXPECT_TRUE(CSimFrameEncoder::Check(reading).contains(QLatin1String(pszError))) << pszError;
        EXPECT_TRUE(CSimFrameEncoder::Encode(reading).isEmpty()) << pszError;
    }
}

} // namespace
