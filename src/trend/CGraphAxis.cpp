#include "trend/CGraphAxis.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double kDay = 86400.0;

// The clock's steps, in seconds.
constexpr double kTimeSteps[] = {0.1,    0.2,    0.5,    1,       2,       5,       10,      15,       30,
                                 60,     120,    300,    600,     900,     1800,    3600,    7200,     10800,
                                 21600,  43200,  kDay,   2 * kDay, 7 * kDay, 14 * kDay, 28 * kDay, 91 * kDay, 364 * kDay};

qint64 Truncated(double d)
{
    constexpr double kLimit = 1e15;
    return std::isnan(d) ? 0 : qint64(std::clamp(d, -kLimit, kLimit));
}

} // namespace

namespace GraphAxis {

QString Number(double dValue, int nDecimals)
{
    QString strText = QString::number(dValue, 'f', nDecimals);
    // "-0.00" says nothing a reader needs.
    if (strText.startsWith(QLatin1Char('-')) && strText.count(QLatin1Char('0')) == strText.size() - 1 - (nDecimals > 0))
        strText.remove(0, 1);
    return strText;
}

int Decimals(double dFirst, double dStep, int nCount)
{
    // The labels rise (or fall) with k, so equal ones stand next to each other.
    for (int nDecimals = 0; nDecimals < kMaxDecimals; ++nDecimals) {
        QString strPrev = Number(dFirst, nDecimals);
        bool bDistinct = true;
        for (int k = 1; k < nCount && bDistinct; ++k) {
            QString strLabel = Number(dFirst + k * dStep, nDecimals);
            bDistinct = strLabel != strPrev;
            strPrev = std::move(strLabel);
        }
        if (bDistinct)
            return nDecimals;
    }
    return kMaxDecimals;
}

QList<QString> ReadingLabels(double dOrigin, double dSpan)
{
    constexpr int kFifths = 5;
    QList<QString> labels;
    if (dSpan / kFifths >= 1.0) {
        for (int i = 0; i <= kFifths; ++i)
            labels << QString::number(Truncated(double(Truncated(i * dSpan / kFifths + 0.5)) + dOrigin));
        return labels;
    }
    const int nDecimals = Decimals(dOrigin, dSpan / kFifths, kFifths + 1);
    for (int i = 0; i <= kFifths; ++i)
        labels << Number(dOrigin + i * dSpan / kFifths, nDecimals);
    return labels;
}

QList<CTick> TimeTicks(double dOrigin, double dFrom, double dTo, int nMaxTicks, CReadingTimes::DateOrder order)
{
    QList<CTick> ticks;
    if (!(dTo > dFrom) || !std::isfinite(dFrom) || !std::isfinite(dTo) || nMaxTicks < 1)
        return ticks;
    double dStep = kTimeSteps[std::size(kTimeSteps) - 1];
    for (double d : kTimeSteps) {
        if ((dTo - dFrom) / d <= nMaxTicks) {
            dStep = d;
            break;
        }
    }
    // Whole multiples of the step on the clock (whole days for dates).
    const double dFirst = std::ceil((dOrigin + dFrom) / dStep - 1e-9) * dStep;
    for (double dAt = dFirst; dAt <= dOrigin + dTo + 1e-9 && ticks.size() <= nMaxTicks; dAt += dStep) {
        CTick tick;
        tick.dX = dAt - dOrigin;
        tick.strLabel = dStep >= kDay ? CReadingTimes::DateText(dAt, order) : CReadingTimes::ClockText(dAt, dStep < 1.0);
        ticks << tick;
    }
    return ticks;
}

QString ValueTitle(const QString& strUnit)
{
    return strUnit.isEmpty() ? QStringLiteral("Value") : QStringLiteral("Value (%1)").arg(strUnit);
}

QString ReadingTitle()
{
    return QStringLiteral("Reading");
}

QString TimeTitle(double dSeconds, CReadingTimes::DateOrder order)
{
    return QStringLiteral("Meter time, %1").arg(CReadingTimes::DateText(dSeconds, order));
}

} // namespace GraphAxis
