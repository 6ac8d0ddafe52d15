#pragma once

#include "protocol/CDecodedReading.h"

#include <QString>

class CMyTalvaDoc;

// How decoded readings become records: the one place for the rules that the window's
// real-time recording and the headless recorder (multimeter-cli record) share.
// Stateless; call from the thread that owns the document.
class CRecordingRules
{
public:
    //! Primary records a live document takes; the next live reading ends the recording.
    static constexpr int kMaxLiveRecords = 20000;

    enum class LiveCheck {
        Record,          //!< the reading belongs to the document
        FunctionChanged, //!< the document holds another function: a new document starts with this reading
        Full,            //!< the document holds its most records (kMaxLiveRecords)
    };

    // What a live reading of strFunction does to doc, which takes nMaxRecords.
    static LiveCheck CheckLive(const CMyTalvaDoc& doc, const QString& strFunction, int nMaxRecords = kMaxLiveRecords);

    // The range a reading is judged by. A layout that carries no range (frequency) leaves
    // whatever range an earlier frame had in the reading, which says nothing about this one:
    // such a reading is judged by the overload value alone.
    static float RangeOf(const CDecodedReading& decoded);

    // The reading as live recording stores it: its range is RangeOf(), and a value beyond
    // +-range becomes the overload value of its sign (a value equal to the range is a reading).
    static MeterReading LiveReading(const CDecodedReading& decoded);

    // Adds a live reading (already through LiveReading) as the next primary record of doc.
    static void AddLive(CMyTalvaDoc& doc, const MeterReading& reading, const QString& strTime);

    // Statistics recording (series 9): the primary record of the reading and the secondary
    // records of its kind (1..9), all with sample step 1.0. Values above the range become the
    // overload value (only that side is tested here). Returns the records added; 0 for a
    // reading that is no statistics reading (kind 0).
    static int AddStatistics(CMyTalvaDoc& doc, const CDecodedReading& decoded);

    // (max - min) / (2 value), or 1.3 when value is 0 or the result is not between 1 and 5.
    static double CrestFactor(double dMax, double dMin, double dValue);

    // The time of kinds 2, 4 and 5: the meter's clock plus the elapsed time of secondary
    // display 3, as "yyyy/mm/dd hh:mm:ss".
    static QString StatisticsTime(const MeterReading& reading);

    // Automatic y limits of a live reading from its decimal count and function; false (limits
    // left alone) for other decimal counts and for functions outside the AC and DC groups.
    static bool AutoLimits(int nDecimals, const QString& strFunction, double* pdMax, double* pdMin);
};
