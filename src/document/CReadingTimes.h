#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

class CRecordArray;

// When the primary readings of a document were taken, in seconds, read from their time texts
// ("14/3/25 9:05:07" with the day or the month first, "2025/03/14 09:05:07", two- or
// four-digit years). The meter's clock counts whole seconds, so the readings that share one
// second are spread evenly across it. Times are read from the records when asked: nothing is
// kept per reading. What is kept is the field order of the dates, the first reading's time and
// the usual interval between readings (the median of a sample of at most kSample intervals),
// renewed each time the recording doubles.
//
// The times of a recording are expected to rise; one that steps back (the meter's clock was
// set) is a gap, and searches over falling times return some reading of the range, never one
// outside it. Not thread-safe: used on the thread that owns the document.
class CReadingTimes
{
public:
    static constexpr double kGapFactor = 5.0; //!< an interval this many times the usual one is a gap
    static constexpr int kSample = 1024;

    enum DateOrder { kDayFirst, kMonthFirst };

    // arr is the document's primary array; it outlives this object.
    explicit CReadingTimes(const CRecordArray& arr);

    // Forgets what was learned (the readings were replaced).
    void Reset();

    // Seconds from 1 January 1970 of a time text, whole seconds; false for a text that is
    // not a date and time.
    static bool ParseSeconds(QStringView strTime, DateOrder order, qint64* pnSeconds);
    // The date and time of dSeconds (from 1 January 1970) as labels show them: "9:05:07"
    // (with tenths when bTenths), and the date "14/3/2025" in the given order.
    static QString ClockText(double dSeconds, bool bTenths);
    static QString DateText(double dSeconds, DateOrder order);

    // Some reading has a time that can be read.
    bool HasTimes() const;
    // Seconds from 1 January 1970 of the first reading whose time can be read; At counts from it.
    double Origin() const;
    DateOrder Order() const;
    // Reading i's time in seconds after Origin(), spread within its second; NaN when its time
    // cannot be read (or there is no such reading).
    double At(qsizetype i) const;
    // The usual interval between neighbouring readings in seconds; NaN when unknown.
    double UsualInterval() const;
    // Between readings i < j the trace breaks: a neighbouring pair among them lies more than
    // kGapFactor usual intervals apart, or the time steps back.
    bool GapBetween(qsizetype i, qsizetype j) const;
    // The first reading in [nFrom, nEnd) whose time satisfies pred (which holds from some time
    // on); nEnd when none. Readings whose time cannot be read do not satisfy it.
    qsizetype FirstWhere(qsizetype nFrom, qsizetype nEnd, const std::function<bool(double)>& pred) const;
    // The reading nearest to time dX (seconds after Origin()); -1 without readings.
    qsizetype Nearest(double dX) const;
    // Calls fn(i, At(i)) for each reading of [nFirst, nLast], in order, reading each time text
    // once.
    void ForEach(qsizetype nFirst, qsizetype nLast, const std::function<void(qsizetype, double)>& fn) const;

private:
    // Reading i's time text, valid until the next call.
    QStringView TextOf(qsizetype i) const;
    // The last reading from i on in nDirection (-1, +1) whose time text is reading i's.
    qsizetype RunEdge(qsizetype i, int nDirection) const;
    qsizetype RunStart(qsizetype i) const;
    qsizetype RunEnd(qsizetype i) const;
    // The readings [*pnStart, *pnEnd) that share reading i's time text.
    void RunOf(qsizetype i, qsizetype* pnStart, qsizetype* pnEnd) const;
    bool SecondsOf(qsizetype i, qint64* pnSeconds) const;
    void Learn() const;
    double Interval(qsizetype i) const;

    const CRecordArray& m_arr;
    mutable QString m_strText; //!< the text TextOf gave last, its memory kept for the next
    mutable qsizetype m_nLearnedCount = -1; //!< readings when Learn() last ran
    mutable DateOrder m_order = kDayFirst;
    mutable bool m_bHasTimes = false;
    mutable qint64 m_nOrigin = 0;
    mutable double m_dUsual = 0.0;
    mutable qsizetype m_nRunStart = -1; //!< the readings of the second found last
    mutable qsizetype m_nRunEnd = -1;
};
