#include "panel/CBarGraph.h"

#include "base/CPrintf.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

struct CScaleRow
{
    int nDecimals;
    std::initializer_list<const char*> functions;
    double dLow;
    double dFull;
};

// Layout 1. First matching row wins.
const CScaleRow kLayout1Rows[] = {
    {4, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 0, 5},
    {4, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, -5, 5},
    {3, {"VAC", "RES", "Diode", "mVAC", "mAAC", "uAAC"}, 0, 50},
    {3, {"VDC", "mVDC", "mADC", "uADC"}, -50, 50},
    {3, {"ADC"}, -10, 10},
    {3, {"AAC"}, 0, 10},
    {2, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 0, 500},
    {2, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, -500, 500},
    {1, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC"}, 0, 1000},
    {1, {"VDC", "mVDC", "ADC", "mADC"}, -1000, 1000},
    {1, {"uAAC"}, 0, 5000},
    {1, {"uADC"}, -5000, 5000},
};

// Layouts 3 and 4.
const CScaleRow kLayout34Rows[] = {
    {4, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 0, 5},
    {4, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, -5, 5},
    {3, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 0, 50},
    {3, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, -50, 50},
    {2, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 0, 500},
    {2, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, -500, 500},
    {1, {"VAC", "RES", "mVAC", "AAC", "mAAC", "uAAC"}, 0, 1000},
    {1, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, -1000, 1000},
};

template <size_t N>
std::optional<CBarGraph::Scale> FindRow(const CScaleRow (&rows)[N], int nDecimals, const QString& strFunction)
{
    for (const CScaleRow& row : rows) {
        if (row.nDecimals != nDecimals)
            continue;
        for (const char* pszFunction : row.functions) {
            if (strFunction == QLatin1String(pszFunction))
                return CBarGraph::Scale{row.dLow, row.dFull};
        }
    }
    return std::nullopt;
}

QString LabelText(double dValue)
{
    return CPrintf::Format("%.0f", dValue);
}

} // namespace

std::optional<CBarGraph::Scale> CBarGraph::Find(int nLayout, int nDecimals, const QString& strFunction)
{
    if (nLayout == 1)
        return FindRow(kLayout1Rows, nDecimals, strFunction);
    if (nLayout == 3 || nLayout == 4)
        return FindRow(kLayout34Rows, nDecimals, strFunction);
    return std::nullopt;
}

QList<CBarGraph::Label> CBarGraph::Labels(const Scale& scale, double s)
{
    const double dL = scale.dLow;
    const double dF = scale.dFull;
    QList<Label> labels;
    if (dL >= 0) {
        for (int k = 0; k <= 5; ++k)
            labels.append({double(int(AxisLeft(s) + k * 11.0 * s / 75.0)), LabelText(dL + k * (dF - dL) / 5.0)});
    } else if (dL > -500) {
        for (int i = 0; i < kMajorTicks; ++i)
            labels.append({MajorTick(i, s), LabelText(dL + i * (dF - dL) / 10.0)});
    } else {
        // Wide scales: every second tick, and the zero in the middle.
        for (int k = 0; k <= 5; ++k) {
            labels.append({MajorTick(2 * k, s), LabelText(dL + k * (dF - dL) / 5.0)});
            if (k == 2)
                labels.append({MajorTick(5, s), QStringLiteral("0")});
        }
    }
    return labels;
}

std::pair<double, double> CBarGraph::Bar(const Scale& scale, float fValue, float fRange, double s)
{
    const double dLength = 11.0 * s / 15.0;
    if (std::isnan(fValue)) // a frame may carry any bit pattern; no bar is better than a wild one
        return {int(AxisLeft(s)), int(AxisLeft(s))};
    double v = std::min(double(fValue), scale.dFull);
    if (scale.dLow >= 0) {
        const double dLeft = int(AxisLeft(s));
        if (fValue > fRange)
            return {dLeft, int(AxisLeft(s) + dLength)};
        v = std::max(v, 0.0);
        return {dLeft, int(AxisLeft(s) + dLength * v / scale.dFull)};
    }
    v = std::max(v, scale.dLow);
    const double dCentre = int(s / 2.0);
    const double dEnd = int(s / 2.0 + dLength * v / (scale.dFull - scale.dLow));
    return v >= 0 ? std::pair{dCentre, dEnd} : std::pair{dEnd, dCentre};
}
