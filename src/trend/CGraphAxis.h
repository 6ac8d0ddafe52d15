#pragma once

#include "document/CReadingTimes.h"

#include <QList>
#include <QString>

// The labels and titles of a trend graph's axes, computed without drawing.
namespace GraphAxis {

constexpr int kMaxDecimals = 9;

// The fewest decimals (up to kMaxDecimals) at which the labels dFirst + k * dStep,
// k = 0 .. nCount - 1, all differ: enough that no two labels are equal, never more.
int Decimals(double dFirst, double dStep, int nCount);
// dValue with nDecimals decimals; a value that rounds to zero reads without a minus sign.
QString Number(double dValue, int nDecimals);

// The labels of the reading-number axis at the fifths of the span from dOrigin: whole numbers
// as the graph always wrote them (rounded steps added to the truncated origin), with decimals
// once a step is less than one reading.
QList<QString> ReadingLabels(double dOrigin, double dSpan);

// A label of the time axis: where it stands (seconds after the recording's origin) and its
// text.
struct CTick
{
    double dX = 0.0;
    QString strLabel;
};
// The ticks of the time axis between dFrom and dTo (seconds after dOrigin, which counts from
// 1 January 1970): at whole multiples of the clock's steps (0.1 s ... 30 s, 1 min ... 30 min,
// 1 h ... 12 h, days), the smallest step that keeps them to nMaxTicks. Labels read "9:05:10",
// "9:05:10.5" below a second, and the date for steps of a day or more.
QList<CTick> TimeTicks(double dOrigin, double dFrom, double dTo, int nMaxTicks, CReadingTimes::DateOrder order);

// The titles: "Value (nF)" (just "Value" without a unit), "Reading", "Meter time, 14/3/2025"
// (the date where the shown span starts).
QString ValueTitle(const QString& strUnit);
QString ReadingTitle();
QString TimeTitle(double dSeconds, CReadingTimes::DateOrder order);

} // namespace GraphAxis
