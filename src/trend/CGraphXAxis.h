#pragma once

#include <QtGlobal>

#include <functional>

class CMyTalvaDoc;
class CReadingTimes;

// Where each primary reading of a document stands on a trend graph's x axis: at its number,
// or on the time axis at its time (seconds after the first reading's). The time axis needs
// readings whose times can be read; without them the axis counts readings. On both, the
// trace breaks where the readings' times leave a gap. A light view of the document, made
// where it is needed; GUI thread (the document's).
class CGraphXAxis
{
public:
    // pDoc may be nullptr (no readings).
    CGraphXAxis(const CMyTalvaDoc* pDoc, bool bTimeAxis);

    bool IsTime() const { return m_pTimes && m_bTime; }
    qsizetype Count() const { return m_nCount; }
    // Reading i's coordinate; NaN on the time axis when its time cannot be read.
    double X(qsizetype i) const;
    // The last reading's coordinate (-1 without readings, as the reading axis has it).
    double LastX() const;
    // The reading nearest to coordinate dX, within 0 .. Count() - 1 on the time axis; on the
    // reading axis the number rounded, which callers check against the readings.
    qint64 IndexNear(double dX) const;
    // The first reading in [nFrom, nEnd) at or right of coordinate dX.
    qsizetype FirstFrom(double dX, qsizetype nFrom, qsizetype nEnd) const;
    // The trace does not join readings i < j (a gap in their times).
    bool Breaks(qsizetype i, qsizetype j) const;
    // Walks readings [nFirst, nLast) in order, reading each second's time text once:
    // fn(i, X(i), bGapBefore), where bGapBefore says the times leave a gap between reading i and
    // the one before it (not told for the first of the walk).
    void Walk(qsizetype nFirst, qsizetype nLast, const std::function<void(qsizetype, double, bool)>& fn) const;
    const CReadingTimes* Times() const { return m_pTimes; }

private:
    const CReadingTimes* m_pTimes = nullptr;
    qsizetype m_nCount = 0;
    bool m_bTime = false;
};
