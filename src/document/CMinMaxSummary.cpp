#include "document/CMinMaxSummary.h"

#include <algorithm>
#include <cmath>

CMinMaxSummary::Kind CMinMaxSummary::Classify(double dValue, double* pdValue)
{
    if (std::isnan(dValue))
        return Skipped;
    if (std::isinf(dValue))
        return dValue > 0 ? TopLimit : BottomLimit;
    *pdValue = dValue;
    return Plain;
}

void CMinMaxSummary::CExtremes::Add(double dValue)
{
    double dPlain = 0.0;
    switch (Classify(dValue, &dPlain)) {
    case Plain:
        dMin = std::min(dMin, dPlain);
        dMax = std::max(dMax, dPlain);
        break;
    case TopLimit:
        bTop = true;
        break;
    case BottomLimit:
        bBottom = true;
        break;
    case Skipped:
        break;
    }
}

void CMinMaxSummary::CExtremes::Add(const CExtremes& other)
{
    dMin = std::min(dMin, other.dMin);
    dMax = std::max(dMax, other.dMax);
    bTop = bTop || other.bTop;
    bBottom = bBottom || other.bBottom;
}

void CMinMaxSummary::Clear()
{
    m_values.clear();
    m_levels.clear();
    m_nSkipped = 0;
}

void CMinMaxSummary::Append(double dValue)
{
    try {
        if (m_levels.empty())
            m_levels.emplace_back();
        m_values.push_back(dValue);
        m_nSkipped += std::isnan(dValue);
        CLevel& level = m_levels.front();
        level.pending.Add(dValue);
        if (++level.nPending == kFan)
            Push(0, level.pending);
    } catch (...) {
        // Never answer from a half-updated summary; the next Sync rebuilds it.
        Clear();
        throw;
    }
}

void CMinMaxSummary::Push(size_t nLevel, const CExtremes& block)
{
    // Each completed block feeds the block filling one level up, so a level is touched only
    // once per kFan blocks of the level below: amortised O(1) per reading.
    for (CExtremes done = block;; ++nLevel) {
        if (m_levels.size() == nLevel + 1)
            m_levels.emplace_back();
        CLevel& level = m_levels[nLevel];
        level.arrMin.push_back(done.dMin);
        level.arrMax.push_back(done.dMax);
        level.arrFlags.push_back(quint8((done.bTop ? kTopFlag : 0) | (done.bBottom ? kBottomFlag : 0)));
        level.pending = CExtremes();
        level.nPending = 0;

        CLevel& up = m_levels[nLevel + 1];
        up.pending.Add(done);
        if (++up.nPending < kFan)
            return;
        done = up.pending;
    }
}

void CMinMaxSummary::Sync(const CRecordArray& arr, const CDocumentUnit& unit)
{
    if (arr.size() < Count())
        Clear();
    if (Count() == 0 && arr.size() > kFan) {
        // Building from scratch: size everything once.
        m_values.reserve(size_t(arr.size()));
        qsizetype nBlocks = arr.size() / kFan;
        for (size_t k = 0; nBlocks > 0; ++k, nBlocks /= kFan) {
            if (m_levels.size() <= k)
                m_levels.emplace_back();
            m_levels[k].arrMin.reserve(size_t(nBlocks));
            m_levels[k].arrMax.reserve(size_t(nBlocks));
            m_levels[k].arrFlags.reserve(size_t(nBlocks));
        }
    }
    for (qsizetype i = Count(); i < arr.size(); ++i)
        Append(unit.SeriesValue(arr, i));
}

CMinMaxSummary::CExtremes CMinMaxSummary::Entry(const CLevel& level, qsizetype i) const
{
    CExtremes e;
    e.dMin = level.arrMin[size_t(i)];
    e.dMax = level.arrMax[size_t(i)];
    e.bTop = level.arrFlags[size_t(i)] & kTopFlag;
    e.bBottom = level.arrFlags[size_t(i)] & kBottomFlag;
    return e;
}

CMinMaxSummary::CExtremes CMinMaxSummary::Range(qsizetype nFirst, qsizetype nEnd) const
{
    CExtremes result;
    qsizetype lo = std::max<qsizetype>(nFirst, 0);
    qsizetype hi = std::min(nEnd, Count());
    // The ragged ends come from the values, the aligned middle from the blocks; the blocks
    // the middle needs are complete, as hi never passes the readings covered.
    while (lo < hi && lo % kFan != 0)
        result.Add(m_values[size_t(lo++)]);
    while (hi > lo && hi % kFan != 0)
        result.Add(m_values[size_t(--hi)]);
    lo /= kFan;
    hi /= kFan;
    for (size_t k = 0; lo < hi; ++k) {
        const CLevel& level = m_levels[k];
        while (lo < hi && lo % kFan != 0)
            result.Add(Entry(level, lo++));
        while (hi > lo && hi % kFan != 0)
            result.Add(Entry(level, --hi));
        lo /= kFan;
        hi /= kFan;
    }
    return result;
}

qint64 CMinMaxSummary::Bytes() const
{
    qint64 nBytes = qint64(sizeof(*this)) + qint64(m_values.capacity() * sizeof(double))
        + qint64(m_levels.capacity() * sizeof(CLevel));
    for (const CLevel& level : m_levels) {
        nBytes += qint64(level.arrMin.capacity() * sizeof(double));
        nBytes += qint64(level.arrMax.capacity() * sizeof(double));
        nBytes += qint64(level.arrFlags.capacity() * sizeof(quint8));
    }
    return nBytes;
}
