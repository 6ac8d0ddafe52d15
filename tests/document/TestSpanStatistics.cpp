// The figures of a span of readings (the graph's Measure and multimeter-cli stats), against a
// direct computation written out here.
#include "document/CMyTalvaDoc.h"
#include "document/CSpanStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// A recording of millivolts and volts, with overloads, readings of another quantity and
// seconds holding one to three readings (some seconds skipped).
struct CRecording
{
    CMyTalvaDoc doc;
    std::vector<double> arrVolts;   //!< NaN: overload or another quantity
    std::vector<bool> arrOther;     //!< of another quantity
    std::vector<int> arrSecond;
    std::vector<double> arrTime;    //!< the spread time, seconds after the first reading

    explicit CRecording(int nCount, unsigned nSeed)
    {
        std::mt19937 rng(nSeed);
        int nSecond = 0;
        for (int i = 0; i < nCount; ++i) {
            if (i > 0 && rng() % 3 != 0)
                nSecond += 1 + (rng() % 7 == 0 ? 2 : 0);
            const double dVolts = 2.0 + std::sin(i * 0.05) + std::uniform_real_distribution<double>(-0.1, 0.1)(rng);
            const unsigned nKind = rng() % 20;
            QString strUnit = nKind < 8 ? QStringLiteral("mVDC") : QStringLiteral("VDC");
            double dValue = nKind < 8 ? dVolts * 1000.0 : dVolts;
            double dExpected = nKind < 8 ? dValue / 1000.0 : dVolts; // as the millivolts convert
            bool bOther = false;
            if (nKind == 18) {
                dValue = CObData::kOverload;
                dExpected = std::nan("");
            } else if (nKind == 19) {
                strUnit = QStringLiteral("ADC");
                dExpected = std::nan("");
                bOther = true;
            }
            const QString strTime = QStringLiteral("14/3/25 %1:%2:%3").arg(9 + nSecond / 3600).arg(nSecond / 60 % 60).arg(nSecond % 60);
            // The first reading sets the document's unit: volts.
            doc.AddReading(0, i == 0 ? QStringLiteral("VDC") : strUnit, i, strTime, QStringLiteral("VDC"),
                           i == 0 ? dVolts : dValue, 0.0, 1e7f, 0.0f);
            arrVolts.push_back(i == 0 ? dVolts : dExpected);
            arrOther.push_back(i != 0 && bOther);
            arrSecond.push_back(nSecond);
        }
        // Spread each second's readings evenly across it.
        for (size_t i = 0; i < arrSecond.size();) {
            size_t j = i;
            while (j < arrSecond.size() && arrSecond[j] == arrSecond[i])
                ++j;
            for (size_t k = i; k < j; ++k)
                arrTime.push_back(arrSecond[i] - arrSecond[0] + double(k - i) / double(j - i));
            i = j;
        }
    }
};

} // namespace

TEST(SpanStatistics, FiguresAgreeWithADirectComputation)
{
    const CRecording r(3000, 5);
    const qsizetype spans[][2] = {{0, 2999}, {17, 17}, {100, 1100}, {2500, 2999}, {1, 2}, {42, 2000}};
    for (const auto& span : spans) {
        const qsizetype a = span[0], b = span[1];
        SCOPED_TRACE(std::to_string(a) + ".." + std::to_string(b));
        long double dSum = 0, dSumT = 0;
        qint64 n = 0, nOther = 0, nOverloads = 0;
        double dMin = 0, dMax = 0;
        qsizetype nMin = -1, nMax = -1;
        for (qsizetype i = a; i <= b; ++i) {
            const double v = r.arrVolts[size_t(i)];
            if (std::isnan(v)) {
                (r.arrOther[size_t(i)] ? nOther : nOverloads)++;
                continue;
            }
            if (n == 0 || v > dMax) {
                dMax = v;
                nMax = i;
            }
            if (n == 0 || v < dMin) {
                dMin = v;
                nMin = i;
            }
            dSum += v;
            dSumT += r.arrTime[size_t(i)];
            ++n;
        }
        const long double dMean = dSum / n, dMeanT = dSumT / n;
        long double dSquares = 0, dSquaresT = 0, dProducts = 0;
        for (qsizetype i = a; i <= b; ++i) {
            const double v = r.arrVolts[size_t(i)];
            if (std::isnan(v))
                continue;
            const long double t = r.arrTime[size_t(i)];
            dSquares += (v - dMean) * (v - dMean);
            dSquaresT += (t - dMeanT) * (t - dMeanT);
            dProducts += (t - dMeanT) * (v - dMean);
        }

        const CSpanStatistics st = CSpanStatistics::Of(r.doc, a, b);
        EXPECT_EQ(st.unit.Display(), QStringLiteral("V DC"));
        EXPECT_EQ(st.nCount, n);
        EXPECT_EQ(st.nSkipped, nOther);
        EXPECT_EQ(st.nOverloads, nOverloads);
        EXPECT_EQ(st.dMin, dMin);
        EXPECT_EQ(st.dMax, dMax);
        EXPECT_EQ(st.nMinIndex, nMin);
        EXPECT_EQ(st.nMaxIndex, nMax);
        EXPECT_EQ(st.strMaxTime, r.doc.m_arrData[0].Record(nMax)->m_strTime);
        EXPECT_NEAR(st.dAverage, double(dMean), 1e-12);
        EXPECT_NEAR(st.dStdDev, n > 1 ? double(std::sqrt(dSquares / (n - 1))) : 0.0, 1e-12);
        EXPECT_DOUBLE_EQ(st.dPeakToPeak, dMax - dMin);
        EXPECT_NEAR(st.dDuration, r.arrTime[size_t(b)] - r.arrTime[size_t(a)], 1e-9);
        if (dSquaresT > 0)
            EXPECT_NEAR(st.dSlope, double(dProducts / dSquaresT), 1e-9 * std::max(1.0, std::abs(double(dProducts / dSquaresT))));
        else
            EXPECT_TRUE(std::isnan(st.dSlope));
        EXPECT_EQ(st.strStartTime, r.doc.m_arrData[0].Record(a)->m_strTime);
        EXPECT_EQ(st.strEndTime, r.doc.m_arrData[0].Record(b)->m_strTime);
    }
}

TEST(SpanStatistics, ASteadyRiseHasItsSlopeAndEmptySpansHaveNoFigures)
{
    CMyTalvaDoc doc;
    for (int i = 0; i < 11; ++i)
        doc.AddReading(0, QStringLiteral("mV"), i, QStringLiteral("1/2/25 10:00:%1").arg(2 * i), QStringLiteral("V"),
                       100.0 + 30.0 * i, 0.0, 1e6f, 0.0f);
    CSpanStatistics st = CSpanStatistics::Of(doc, 0, 10);
    EXPECT_DOUBLE_EQ(st.dSlope, 15.0); // 30 mV every 2 s
    EXPECT_DOUBLE_EQ(st.dDuration, 20.0);
    EXPECT_DOUBLE_EQ(st.dAverage, 250.0);
    // Beyond the readings the span is cut to them; a span of none has no figures.
    st = CSpanStatistics::Of(doc, 8, 99);
    EXPECT_EQ(st.nLast, 10);
    EXPECT_EQ(st.nCount, 3);
    st = CSpanStatistics::Of(doc, 20, 30);
    EXPECT_EQ(st.nCount, 0);
    EXPECT_TRUE(st.strStartTime.isEmpty());
    // One reading: no spread and no slope.
    st = CSpanStatistics::Of(doc, 4, 4);
    EXPECT_EQ(st.nCount, 1);
    EXPECT_EQ(st.dStdDev, 0.0);
    EXPECT_TRUE(std::isnan(st.dSlope));
    EXPECT_EQ(st.dDuration, 0.0);
    // Without times there is no duration nor slope, the rest stands.
    CMyTalvaDoc timeless;
    for (int i = 0; i < 3; ++i)
        timeless.AddReading(0, QStringLiteral("V"), i, QStringLiteral("t"), QStringLiteral("V"), i, 0.0, 10.0f, 0.0f);
    st = CSpanStatistics::Of(timeless, 0, 2);
    EXPECT_EQ(st.nCount, 3);
    EXPECT_TRUE(std::isnan(st.dDuration));
    EXPECT_TRUE(std::isnan(st.dSlope));
    EXPECT_DOUBLE_EQ(st.dStdDev, 1.0);
}
