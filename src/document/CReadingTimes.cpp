#include "document/CReadingTimes.h"

#include "base/CPrintf.h"
#include "document/CRecordArray.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr qint64 kSecondsPerDay = 86400;

// Days from 1 January 1970 of a date of the proleptic Gregorian calendar.
qint64 DaysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(qint64 z, qint64* py, int* pm, int* pd)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    *pd = int(doy - (153 * mp + 2) / 5 + 1);
    *pm = int(mp < 10 ? mp + 3 : mp - 9);
    *py = yoe + era * 400 + (*pm <= 2);
}

// The six numbers of "a/b/c h:m:s" (spaces around the parts allowed).
bool ReadFields(QStringView str, int fields[6])
{
    static constexpr char16_t kSeparators[] = {u'/', u'/', u' ', u':', u':'};
    qsizetype i = 0;
    auto skipSpaces = [&] {
        while (i < str.size() && str[i] == u' ')
            ++i;
    };
    for (int k = 0; k < 6; ++k) {
        skipSpaces();
        const qsizetype nStart = i;
        int nValue = 0;
        while (i < str.size() && str[i] >= u'0' && str[i] <= u'9' && i - nStart < 6)
            nValue = nValue * 10 + (str[i++].unicode() - u'0');
        if (i == nStart)
            return false;
        fields[k] = nValue;
        if (k == 5)
            break;
        if (kSeparators[k] == u' ') {
            if (i >= str.size() || str[i] != u' ')
                return false;
            continue;
        }
        skipSpaces();
        if (i >= str.size() || str[i] != kSeparators[k])
            return false;
        ++i;
    }
    skipSpaces();
    return i == str.size();
}

bool YearFirst(const int fields[6])
{
    return fields[0] >= 100;
}

} // namespace

CReadingTimes::CReadingTimes(const CRecordArray& arr)
    : m_arr(arr)
{
}

void CReadingTimes::Reset()
{
    m_nLearnedCount = -1;
    m_nRunStart = -1;
    m_nRunEnd = -1;
}

bool CReadingTimes::ParseSeconds(QStringView strTime, DateOrder order, qint64* pnSeconds)
{
    int f[6];
    if (!ReadFields(strTime, f))
        return false;
    int nYear = 0, nMonth = 0, nDay = 0;
    if (YearFirst(f)) {
        nYear = f[0];
        nMonth = f[1];
        nDay = f[2];
    } else {
        nYear = f[2] < 100 ? 2000 + f[2] : f[2];
        nDay = order == kDayFirst ? f[0] : f[1];
        nMonth = order == kDayFirst ? f[1] : f[0];
    }
    if (nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31 || f[3] > 23 || f[4] > 59 || f[5] > 59)
        return false;
    *pnSeconds = DaysFromCivil(nYear, nMonth, nDay) * kSecondsPerDay + f[3] * 3600 + f[4] * 60 + f[5];
    return true;
}

QString CReadingTimes::ClockText(double dSeconds, bool bTenths)
{
    // Tenths rounded first, so 9:59.96 reads 10:00.0.
    const qint64 nTenths = qint64(std::floor(dSeconds * 10.0 + 0.5));
    const qint64 nWhole = bTenths ? nTenths / 10 - (nTenths % 10 < 0) : qint64(std::floor(dSeconds + 0.5));
    const qint64 nOfDay = ((nWhole % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    QString strText = CPrintf::Format("%d:%02d:%02d", int(nOfDay / 3600), int(nOfDay / 60 % 60), int(nOfDay % 60));
    if (bTenths)
        strText += CPrintf::Format(".%d", int(((nTenths % 10) + 10) % 10));
    return strText;
}

QString CReadingTimes::DateText(double dSeconds, DateOrder order)
{
    qint64 nYear = 0;
    int nMonth = 0, nDay = 0;
    CivilFromDays(qint64(std::floor(dSeconds / double(kSecondsPerDay))), &nYear, &nMonth, &nDay);
    const int nFirst = order == kDayFirst ? nDay : nMonth;
    const int nSecond = order == kDayFirst ? nMonth : nDay;
    return QStringLiteral("%1/%2/%3").arg(nFirst).arg(nSecond).arg(nYear);
}

QStringView CReadingTimes::TextOf(qsizetype i) const
{
    m_arr.TimeInto(i, &m_strText);
    return m_strText;
}

qsizetype CReadingTimes::RunEdge(qsizetype i, int nDirection) const
{
    // Gallop while the text stays the same, then halve the last step.
    const qsizetype nBeyond = nDirection < 0 ? -1 : m_arr.size();
    qsizetype nSame = i, nStep = 1, nOther = nBeyond;
    for (;;) {
        const qsizetype nProbe = nSame + nDirection * nStep;
        if (nDirection < 0 ? nProbe < 0 : nProbe >= nBeyond)
            break;
        if (!m_arr.SameTime(nProbe, i)) {
            nOther = nProbe;
            break;
        }
        nSame = nProbe;
        nStep *= 2;
    }
    while (std::abs(nOther - nSame) > 1) {
        const qsizetype nMid = nSame + (nOther - nSame) / 2;
        (m_arr.SameTime(nMid, i) ? nSame : nOther) = nMid;
    }
    return nSame;
}

qsizetype CReadingTimes::RunStart(qsizetype i) const
{
    return RunEdge(i, -1);
}

qsizetype CReadingTimes::RunEnd(qsizetype i) const
{
    return RunEdge(i, +1) + 1;
}

void CReadingTimes::RunOf(qsizetype i, qsizetype* pnStart, qsizetype* pnEnd) const
{
    // The second found last is asked about again and again (a live recording's newest readings,
    // the neighbours of a drawing): its bounds are checked at their edges instead of searched.
    const qsizetype nCount = m_arr.size();
    const bool bKnown = m_nRunStart >= 0 && m_nRunStart <= i && m_nRunEnd <= nCount && m_arr.SameTime(m_nRunStart, i)
        && (m_nRunStart == 0 || !m_arr.SameTime(m_nRunStart - 1, i));
    if (!bKnown) {
        m_nRunStart = RunStart(i);
        m_nRunEnd = RunEnd(i);
    } else if (i >= m_nRunEnd || (m_nRunEnd < nCount && m_arr.SameTime(m_nRunEnd, i))) {
        m_nRunEnd = RunEnd(std::max(i, m_nRunEnd - 1)); // readings of the same second came since
    }
    *pnStart = m_nRunStart;
    *pnEnd = m_nRunEnd;
}

bool CReadingTimes::SecondsOf(qsizetype i, qint64* pnSeconds) const
{
    return ParseSeconds(TextOf(i), m_order, pnSeconds);
}

void CReadingTimes::Learn() const
{
    const qsizetype nCount = m_arr.size();
    if (nCount == m_nLearnedCount)
        return;
    // A growing recording is learned again as it doubles.
    if (m_nLearnedCount >= 0 && nCount > m_nLearnedCount && nCount < 2 * m_nLearnedCount)
        return;
    m_nLearnedCount = nCount;
    m_bHasTimes = false;
    m_dUsual = std::numeric_limits<double>::quiet_NaN();
    if (nCount == 0)
        return;

    // The readings sampled: the pairs (i, i + 1) spread over the recording.
    std::vector<qsizetype> arrSample;
    const qsizetype nPairs = nCount - 1;
    if (nPairs <= kSample) {
        for (qsizetype i = 0; i < nPairs; ++i)
            arrSample.push_back(i);
    } else {
        for (qsizetype k = 0; k < kSample; ++k)
            arrSample.push_back(k * (nPairs - 1) / (kSample - 1));
    }

    // The order of day and month: a field above 12 tells; else the order that gives the
    // shorter recording (the day first when both agree).
    bool bDayFirst = false, bMonthFirst = false;
    auto look = [&](qsizetype i) {
        int f[6];
        if (ReadFields(TextOf(i), f) && !YearFirst(f)) {
            bDayFirst = bDayFirst || f[0] > 12;
            bMonthFirst = bMonthFirst || f[1] > 12;
        }
    };
    look(0);
    look(nCount - 1);
    for (qsizetype i : arrSample) {
        look(i);
        look(i + 1);
    }
    auto firstSeconds = [&](DateOrder order, bool bFromEnd, qint64* pnSeconds) {
        for (qsizetype k = 0; k < nCount; ++k) {
            if (ParseSeconds(TextOf(bFromEnd ? nCount - 1 - k : k), order, pnSeconds))
                return true;
        }
        return false;
    };
    if (bDayFirst != bMonthFirst) {
        m_order = bDayFirst ? kDayFirst : kMonthFirst;
    } else {
        qint64 nFirst = 0, nLast = 0;
        auto span = [&](DateOrder order) {
            return firstSeconds(order, false, &nFirst) && firstSeconds(order, true, &nLast) && nLast >= nFirst
                ? nLast - nFirst
                : std::numeric_limits<qint64>::max();
        };
        m_order = span(kMonthFirst) < span(kDayFirst) ? kMonthFirst : kDayFirst;
    }
    if (!firstSeconds(m_order, false, &m_nOrigin))
        return;
    m_bHasTimes = true;

    std::vector<double> arrIntervals;
    arrIntervals.reserve(arrSample.size());
    for (qsizetype i : arrSample) {
        const double d = Interval(i);
        if (!std::isnan(d))
            arrIntervals.push_back(d);
    }
    if (arrIntervals.empty())
        return;
    auto middle = arrIntervals.begin() + qsizetype(arrIntervals.size() / 2);
    std::nth_element(arrIntervals.begin(), middle, arrIntervals.end());
    m_dUsual = *middle;
}

double CReadingTimes::Interval(qsizetype i) const
{
    return At(i + 1) - At(i);
}

bool CReadingTimes::HasTimes() const
{
    Learn();
    return m_bHasTimes;
}

double CReadingTimes::Origin() const
{
    Learn();
    return double(m_nOrigin);
}

CReadingTimes::DateOrder CReadingTimes::Order() const
{
    Learn();
    return m_order;
}

double CReadingTimes::At(qsizetype i) const
{
    Learn();
    qint64 nSeconds = 0;
    if (!m_bHasTimes || i < 0 || i >= m_arr.size() || !SecondsOf(i, &nSeconds))
        return std::numeric_limits<double>::quiet_NaN();
    qsizetype nStart = 0, nEnd = 0;
    RunOf(i, &nStart, &nEnd);
    return double(nSeconds - m_nOrigin) + double(i - nStart) / double(nEnd - nStart);
}

double CReadingTimes::UsualInterval() const
{
    Learn();
    return m_dUsual;
}

bool CReadingTimes::GapBetween(qsizetype i, qsizetype j) const
{
    const double dUsual = UsualInterval();
    if (!(dUsual > 0.0))
        return false;
    const double dLimit = kGapFactor * dUsual;
    double dPrev = std::numeric_limits<double>::quiet_NaN();
    for (qsizetype k = i + 1; k <= j; ++k) {
        double dInterval = 0.0;
        if (m_arr.SameTime(k, k - 1)) {
            // Within one second: its readings lie evenly apart, and the text need not be read.
            qsizetype nStart = 0, nEnd = 0;
            RunOf(k, &nStart, &nEnd);
            dInterval = 1.0 / double(nEnd - nStart);
            dPrev = std::numeric_limits<double>::quiet_NaN();
            qint64 nSeconds = 0;
            if (dInterval > dLimit && !SecondsOf(k, &nSeconds))
                continue; // a text that is no time says nothing of gaps
        } else {
            if (std::isnan(dPrev))
                dPrev = At(k - 1);
            const double d = At(k);
            dInterval = d - dPrev;
            dPrev = d;
        }
        if (dInterval > dLimit || dInterval < 0.0)
            return true;
    }
    return false;
}

qsizetype CReadingTimes::FirstWhere(qsizetype nFrom, qsizetype nEnd, const std::function<bool(double)>& pred) const
{
    auto holds = [&](qsizetype i) {
        const double d = At(i);
        return !std::isnan(d) && pred(d);
    };
    nFrom = std::max<qsizetype>(nFrom, 0);
    nEnd = std::min(nEnd, m_arr.size());
    if (nFrom >= nEnd)
        return nEnd;
    if (holds(nFrom))
        return nFrom;
    // Gallop from nFrom (which does not hold), then halve the last step.
    qsizetype nNot = nFrom, nStep = 1, nYes = nEnd;
    for (;;) {
        const qsizetype nProbe = nNot + nStep;
        if (nProbe >= nEnd)
            break;
        if (holds(nProbe)) {
            nYes = nProbe;
            break;
        }
        nNot = nProbe;
        nStep *= 2;
    }
    while (nYes - nNot > 1) {
        const qsizetype nMid = nNot + (nYes - nNot) / 2;
        (holds(nMid) ? nYes : nNot) = nMid;
    }
    return nYes;
}

qsizetype CReadingTimes::Nearest(double dX) const
{
    const qsizetype nCount = m_arr.size();
    if (nCount == 0)
        return -1;
    const qsizetype i = FirstWhere(0, nCount, [dX](double d) { return d >= dX; });
    if (i == 0)
        return 0;
    if (i == nCount)
        return nCount - 1;
    const double dAfter = At(i) - dX, dBefore = dX - At(i - 1);
    return std::isnan(dBefore) || dAfter < dBefore ? i : i - 1;
}

void CReadingTimes::ForEach(qsizetype nFirst, qsizetype nLast, const std::function<void(qsizetype, double)>& fn) const
{
    Learn();
    nFirst = std::max<qsizetype>(nFirst, 0);
    nLast = std::min(nLast, m_arr.size() - 1);
    for (qsizetype i = nFirst; i <= nLast;) {
        // One second's readings at a time: its text is read once.
        const qsizetype nStart = i == nFirst ? RunStart(i) : i;
        const qsizetype nEnd = RunEnd(i);
        qint64 nSeconds = 0;
        const bool bKnown = m_bHasTimes && SecondsOf(i, &nSeconds);
        for (; i < nEnd && i <= nLast; ++i) {
            fn(i, bKnown ? double(nSeconds - m_nOrigin) + double(i - nStart) / double(nEnd - nStart)
                         : std::numeric_limits<double>::quiet_NaN());
        }
    }
}
