#include "trend/CGraphMapping.h"

#include "document/CMinMaxSummary.h"

#include <algorithm>
#include <cmath>

namespace {

// Truncation toward zero, saturated; NaN gives 0.
qint64 Truncate(double d, qint64 nLimit)
{
    if (std::isnan(d))
        return 0;
    return qint64(std::clamp(d, -double(nLimit), double(nLimit)));
}

constexpr qint64 kHuge = qint64(1) << 53;

} // namespace

qint64 CGraphMapping::Px(qint64 nNumber) const
{
    return PxOf(double(nNumber));
}

qint64 CGraphMapping::PxOf(double dX) const
{
    const qint64 x = Truncate(dX / dXScale, kHuge) + nLeft - Truncate((dXOrigin - dXMin) / dXScale, kHuge);
    return std::clamp(x, -kFar, kFar);
}

double CGraphMapping::XAt(int x) const
{
    return ((x - nLeft) + (dXOrigin - dXMin) / dXScale) * dXScale;
}

int CGraphMapping::Py(double dValue) const
{
    const double d = nPlotHeight + (dYOrigin - dYMin) / dYScale - (dValue - dYMin) / dYScale;
    return int(Truncate(d, kFar) + nTop);
}

int CGraphMapping::PyOfValue(double dRaw) const
{
    double dValue = 0.0;
    switch (CMinMaxSummary::Classify(dRaw, &dValue)) {
    case CMinMaxSummary::TopLimit:
        return Py(dYMax);
    case CMinMaxSummary::BottomLimit:
    case CMinMaxSummary::Skipped:
        return Py(dYMin);
    case CMinMaxSummary::Plain:
        break;
    }
    return Py(dValue);
}

qint64 CGraphMapping::IndexAt(int x) const
{
    return Truncate(XAt(x) + 0.5, kHuge);
}

qint64 CGraphMapping::FirstRightOf(qint64 x, qint64 nFrom, qint64 nEnd) const
{
    // Px(i) > x once i / dXScale reaches the next whole column; the estimate can be a point
    // off either way through rounding, which the walk settles.
    const qint64 nColumn = x - nLeft + Truncate((dXOrigin - dXMin) / dXScale, kHuge) + 1;
    qint64 i = std::clamp(Truncate(std::ceil(double(nColumn) * dXScale), kHuge), nFrom + 1, nEnd);
    while (i > nFrom + 1 && Px(i - 1) > x)
        --i;
    while (i < nEnd && Px(i) <= x)
        ++i;
    return i;
}
