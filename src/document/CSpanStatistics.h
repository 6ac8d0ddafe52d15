#pragma once

#include "base/CMeterUnit.h"

#include <QString>

class CMyTalvaDoc;

// The figures of a span of a document's primary readings, in the document's unit: what the
// graph's Measure panel and `multimeter-cli stats` show. Readings of the document's quantity
// enter the figures; overloads are counted and left out; readings of another quantity are
// counted as skipped; missing records count nowhere.
//
// Minimum and maximum keep the first reading that reached them. The standard deviation is the
// sample's (n - 1); the slope is the least-squares line through the readings against their
// times, per second. Computed in one pass, without keeping the values.
struct CSpanStatistics
{
    qsizetype nFirst = 0;  //!< the span, by index of the primary readings
    qsizetype nLast = -1;
    CMeterUnit unit;       //!< the document's unit
    qint64 nCount = 0;     //!< readings in the figures
    qint64 nSkipped = 0;   //!< readings of another quantity
    qint64 nOverloads = 0; //!< overloads (and readings without a number)
    double dMin = 0.0;     //!< the figures below are meaningful when nCount > 0
    double dMax = 0.0;
    qsizetype nMinIndex = -1;
    qsizetype nMaxIndex = -1;
    QString strMinTime;
    QString strMaxTime;
    double dAverage = 0.0;
    double dStdDev = 0.0;    //!< 0 for a single reading
    double dPeakToPeak = 0.0;
    QString strStartTime;    //!< of the first and last reading of the span
    QString strEndTime;
    double dDuration;        //!< seconds from the first to the last reading; NaN without times
    double dSlope;           //!< per second; NaN without two readings at different times

    // Readings nFirst .. nLast (clamped to the document's); an empty span gives no figures.
    static CSpanStatistics Of(const CMyTalvaDoc& doc, qsizetype nFirst, qsizetype nLast);
};
