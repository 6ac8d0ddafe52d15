#pragma once

#include "document/CObData.h"

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
// Readings fall into three kinds, the way the graph draws them: a value of +kOverload or more
// (and +infinity) goes on the top limit, exactly -kOverload on the bottom limit, and so do a
// missing (null) record and NaN, which have no place of their own. Every other value is plain
// and drawn where it is. The limits belong to the view, so the summary keeps the extremes of
// the plain values and whether either limit kind occurs.
//
// Not thread-safe: used on the thread that owns the document.
class CMinMaxSummary
{
public:
    static constexpr int kFan = 16; //!< readings per block, and blocks per block one level up

    enum Kind { Plain, TopLimit, BottomLimit };
    // The kind of a value; *pdValue gets it when it is plain.
    static Kind Classify(double dValue, double* pdValue);
    // A missing record counts as NaN.
    static double ValueOf(const CObData* pOb);

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
    // Adds the next reading of the covered list.
    void Append(const CObData* pOb);
    // Catches up with arr: appends the readings added since, or rebuilds when arr got shorter.
    void Sync(const QList<CObData*>& arr);
    qsizetype Count() const { return qsizetype(m_values.size()); }
    // The value of reading i (NaN for a missing record), i < Count().
    double Value(qsizetype i) const { return m_values[size_t(i)]; }

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
    std::vector<CLevel> m_levels; //!< level k: complete blocks of kFan^(k+1) readings
};
