#pragma once

#include "document/CDocumentUnit.h"
#include "document/CRecordArray.h"

#include <QList>

#include <limits>
#include <vector>

// Extremes of the primary readings over any index range, found in time that grows with the
// logarithm of the range instead of its length: what the trend graph needs to draw a pixel
// column that holds thousands of readings. Kept beside the document's readings, built once on
// load and extended on append (amortised O(1) per reading). It holds a packed copy of the
// values (8 bytes a reading) and blocks of extremes (about 1 byte a reading), so a repaint
// reads contiguous memory instead of chasing one record pointer per reading.
//
// The values are the readings in the document's unit, as CDocumentUnit::SeriesValue gives
// them, so they fall into the kinds the graph draws: +infinity (an overload) on the top limit,
// -infinity (the other overload, NaN, a missing record) on the bottom limit, NaN (a reading of
// another quantity) not at all; every other value is plain and drawn where it is. The limits
// belong to the view, so the summary keeps the extremes of the plain values and whether either
// limit kind occurs.
//
// Not thread-safe: used on the thread that owns the document.
class CMinMaxSummary
{
public:
    static constexpr int kFan = 16; //!< readings per block, and blocks per block one level up

    enum Kind { Plain, TopLimit, BottomLimit, Skipped };
    // The kind of a series value; *pdValue gets it when it is plain.
    static Kind Classify(double dValue, double* pdValue);

    struct CExtremes
    {
        double dMin = std::numeric_limits<double>::infinity();  //!< of the plain values
        double dMax = -std::numeric_limits<double>::infinity(); //!< of the plain values
        bool bTop = false;    //!< a reading drawn on the top limit occurs
        bool bBottom = false; //!< a reading drawn on the bottom limit occurs

        void Add(double dValue);
        void Add(const CExtremes& other);
        bool IsEmpty() const { return !bTop && !bBottom && dMin > dMax; }
    };

    void Clear();
    // Adds the next reading's series value.
    void Append(double dValue);
    // Catches up with arr read in unit: appends the readings added since, or rebuilds when
    // arr got shorter.
    void Sync(const CRecordArray& arr, const CDocumentUnit& unit);
    qsizetype Count() const { return qsizetype(m_values.size()); }
    // The series value of reading i, i < Count().
    double Value(qsizetype i) const { return m_values[size_t(i)]; }
    // Readings of another quantity among those covered.
    qsizetype SkippedCount() const { return m_nSkipped; }

    // Extremes of readings [nFirst, nEnd), cut to the readings covered.
    CExtremes Range(qsizetype nFirst, qsizetype nEnd) const;

    // Memory the summary holds, capacity included.
    qint64 Bytes() const;

private:
    enum Flag : quint8 { kTopFlag = 1, kBottomFlag = 2 };

    // Complete blocks of one level, and the block still filling.
    struct CLevel
    {
        std::vector<double> arrMin;
        std::vector<double> arrMax;
        std::vector<quint8> arrFlags;
        CExtremes pending;
        int nPending = 0; //!< entries of the level below folded into pending
    };

    void Push(size_t nLevel, const CExtremes& block);
    CExtremes Entry(const CLevel& level, qsizetype i) const;

    std::vector<double> m_values; //!< one per reading covered
    qsizetype m_nSkipped = 0;
    std::vector<CLevel> m_levels; //!< level k: complete blocks of kFan^(k+1) readings
};
