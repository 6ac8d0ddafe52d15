#include "trend/CGraphXAxis.h"

#include "document/CMyTalvaDoc.h"
#include "document/CReadingTimes.h"

#include <algorithm>
#include <cmath>

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
