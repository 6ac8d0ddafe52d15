#include "trend/CGraphXAxis.h"

#include "document/CMyTalvaDoc.h"
#include "document/CReadingTimes.h"

#include <algorithm>
#include <cmath>
#include <limits>

CGraphXAxis::CGraphXAxis(const CMyTalvaDoc* pDoc, bool bTimeAxis)
{
    if (!pDoc)
        return;
    m_nCount = pDoc->m_arrData[0].size();
    m_pTimes = &pDoc->Times();
    m_bTime = bTimeAxis && m_pTimes->HasTimes();
}

double CGraphXAxis::X(qsizetype i) const
{
    return IsTime() ? m_pTimes->At(i) : double(i);
}

double CGraphXAxis::LastX() const
{
    if (!IsTime())
        return double(m_nCount - 1);
    // The last reading whose time can be read.
    for (qsizetype i = m_nCount - 1; i >= 0; --i) {
        const double d = m_pTimes->At(i);
        if (!std::isnan(d))
            return d;
    }
    return 0.0;
}

qint64 CGraphXAxis::IndexNear(double dX) const
{
    if (IsTime())
        return m_pTimes->Nearest(dX);
    constexpr double kLimit = 1e15;
    return std::isnan(dX) ? 0 : qint64(std::clamp(dX + 0.5, -kLimit, kLimit));
}

qsizetype CGraphXAxis::FirstFrom(double dX, qsizetype nFrom, qsizetype nEnd) const
{
    if (IsTime())
        return m_pTimes->FirstWhere(nFrom, nEnd, [dX](double d) { return d >= dX; });
    const double dFirst = std::ceil(dX);
    return std::clamp<qsizetype>(dFirst <= double(nFrom) ? nFrom : qsizetype(std::min(dFirst, double(nEnd))), nFrom, nEnd);
}

bool CGraphXAxis::Breaks(qsizetype i, qsizetype j) const
{
    return m_pTimes && m_pTimes->GapBetween(i, j);
}

void CGraphXAxis::Walk(qsizetype nFirst, qsizetype nLast, const std::function<void(qsizetype, double, bool)>& fn) const
{
    nFirst = std::max<qsizetype>(nFirst, 0);
    nLast = std::min(nLast, m_nCount);
    const double dUsual = m_pTimes ? m_pTimes->UsualInterval() : 0.0;
    if (!m_pTimes || !m_pTimes->HasTimes() || !(dUsual > 0.0)) {
        // Without times there are no gaps, and the axis counts readings.
        for (qsizetype i = nFirst; i < nLast; ++i)
            fn(i, IsTime() ? m_pTimes->At(i) : double(i), false);
        return;
    }
    const double dLimit = CReadingTimes::kGapFactor * dUsual;
    double dPrev = std::numeric_limits<double>::quiet_NaN();
    m_pTimes->ForEach(nFirst, nLast - 1, [&](qsizetype i, double dTime) {
        const double dInterval = dTime - dPrev;
        fn(i, IsTime() ? dTime : double(i), dInterval > dLimit || dInterval < 0.0);
        dPrev = dTime;
    });
}
