#pragma once

#include <QtGlobal>

// The trend graph's mapping between point numbers and values and device pixels, for one
// target (the window, a page). Each division is truncated toward zero on its own, as the
// graph always has; the arithmetic is 64-bit so ten million readings zoomed in do not overflow,
// and coordinates are kept within +-kFar so a wild value cannot upset the painter.
struct CGraphMapping
{
    static constexpr qint64 kFar = qint64(1) << 22;

    int nLeft = 70;
    int nTop = 25;
    int nPlotWidth = 1;
    int nPlotHeight = 1;
    double dXScale = 1.0;
    double dYScale = 1.0;
    double dXOrigin = 0.0;
    double dXMin = 0.0;
    double dYOrigin = 0.0;
    double dYMin = 0.0;
    double dYMax = 0.0;

    // Column of point number nNumber.
    qint64 Px(qint64 nNumber) const;
    // Column of x coordinate dX (a point number, or seconds on the time axis).
    qint64 PxOf(double dX) const;
    // The x coordinate at column x.
    double XAt(int x) const;
    // Row of a value drawn where it is.
    int Py(double dValue) const;
    // Row of a series value (CMinMaxSummary): +infinity on the top limit, -infinity on the
    // bottom limit; NaN (not drawn) on the bottom limit too.
    int PyOfValue(double dValue) const;
    // The point number nearest to column x.
    qint64 IndexAt(int x) const;
    // The first point number after nFrom whose column lies right of column x, or nEnd when
    // none before it does (Px(nFrom) <= x < ... , nFrom < nEnd).
    qint64 FirstRightOf(qint64 x, qint64 nFrom, qint64 nEnd) const;
};
