#include "document/CSpanStatistics.h"

#include "document/CMyTalvaDoc.h"
#include "document/CReadingTimes.h"

#include <cmath>
#include <limits>

CSpanStatistics CSpanStatistics::Of(const CMyTalvaDoc& doc, qsizetype nFirst, qsizetype nLast)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    CSpanStatistics st;
    st.dDuration = kNaN;
    st.dSlope = kNaN;
    const CRecordArray& arr = doc.m_arrData[0];
    st.unit = doc.Unit();
    st.nFirst = std::max<qsizetype>(nFirst, 0);
    st.nLast = std::min(nLast, arr.size() - 1);
    if (st.nFirst > st.nLast)
        return st;
    const CMinMaxSummary& series = doc.Summary();
    st.strStartTime = arr.Time(st.nFirst);
    st.strEndTime = arr.Time(st.nLast);

    // Running means and sums of squares (Welford), of the values and, for the slope, of the
    // readings that have a time.
    double dMean = 0.0, dSquares = 0.0;
    qint64 nTimed = 0;
    double dMeanT = 0.0, dMeanV = 0.0, dSquaresT = 0.0, dProducts = 0.0;
    double dFirstTime = kNaN, dLastTime = kNaN;
    doc.Times().ForEach(st.nFirst, st.nLast, [&](qsizetype i, double dTime) {
        if (i == st.nFirst)
            dFirstTime = dTime;
        if (i == st.nLast)
            dLastTime = dTime;
        const double dValue = series.Value(i);
        if (std::isnan(dValue)) {
            ++st.nSkipped;
            return;
        }
        if (std::isinf(dValue)) {
            st.nOverloads += !arr.IsNull(i);
            return;
        }
        if (st.nCount == 0 || dValue > st.dMax) {
            st.dMax = dValue;
            st.nMaxIndex = i;
        }
        if (st.nCount == 0 || dValue < st.dMin) {
            st.dMin = dValue;
            st.nMinIndex = i;
        }
        ++st.nCount;
        const double dDelta = dValue - dMean;
        dMean += dDelta / double(st.nCount);
        dSquares += dDelta * (dValue - dMean);
        if (std::isnan(dTime))
            return;
        ++nTimed;
        const double dDeltaT = dTime - dMeanT;
        dMeanT += dDeltaT / double(nTimed);
        dMeanV += (dValue - dMeanV) / double(nTimed);
        dSquaresT += dDeltaT * (dTime - dMeanT);
        dProducts += dDeltaT * (dValue - dMeanV);
    });
    st.dDuration = dLastTime - dFirstTime;
    if (dSquaresT > 0.0)
        st.dSlope = dProducts / dSquaresT;
    if (st.nCount == 0)
        return st;
    st.strMinTime = arr.Time(st.nMinIndex);
    st.strMaxTime = arr.Time(st.nMaxIndex);
    st.dAverage = dMean;
    st.dStdDev = st.nCount > 1 ? std::sqrt(dSquares / double(st.nCount - 1)) : 0.0;
    st.dPeakToPeak = st.dMax - st.dMin;
    return st;
}
