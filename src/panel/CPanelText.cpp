#include "panel/CPanelText.h"

#include "base/CPrintf.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace {

// The meter's 12-hour rule: hours up to 12 keep their number and read AM,
// later hours lose 12 and read PM (so 12:30 is "12:30AM").
struct CTwelveHour
{
    int nHour;
    const char* pszSuffix;
};

CTwelveHour TwelveHour(int nHour)
{
    return nHour < 13 ? CTwelveHour{nHour, "AM"} : CTwelveHour{nHour - 12, "PM"};
}

QString DateOf(int nYear, int nMonth, int nDay, bool bMonthFirst)
{
    return bMonthFirst ? CPrintf::Format("%.2d/%.2d/%.2d", nMonth, nDay, nYear % 100)
                       : CPrintf::Format("%.2d/%.2d/%.2d", nDay, nMonth, nYear % 100);
}

} // namespace

QString CPanelText::Fixed(double dValue, int nDecimals)
{
    if (!std::isfinite(dValue))
        return QStringLiteral("OL");
    const int nPlaces = qBound(0, nDecimals, kMaxDecimals);
    QString str = CPrintf::Format("%.*f", nPlaces, dValue);
    // "-0.000": the sign of a value that rounds to zero means nothing on a display.
    if (str.startsWith(QLatin1Char('-'))
        && std::all_of(str.cbegin() + 1, str.cend(), [](QChar c) { return c == u'0' || c == u'.'; }))
        str.remove(0, 1);
    return str;
}

QString CPanelText::Reading(float fValue, float fRange, int nDecimals)
{
    if (fValue > fRange)
        return QStringLiteral("OL");
    if (fValue < -fRange)
        return QStringLiteral("-OL");
    return Fixed(fValue, nDecimals);
}

QString CPanelText::OverRange(float fValue, float fRange, int nDecimals)
{
    return fValue > fRange ? QStringLiteral("OL") : Fixed(fValue, nDecimals);
}

QString CPanelText::Clock(const MeterReading& r)
{
    if (r.m_bClockFlag)
        return CPrintf::Format("%.2d:%.2d", r.m_nHour, r.m_nMinute);
    const CTwelveHour h = TwelveHour(r.m_nHour);
    return CPrintf::Format("%.2d:%.2d%s", h.nHour, r.m_nMinute, h.pszSuffix);
}

QString CPanelText::Date(const MeterReading& r)
{
    return DateOf(r.m_nYear, r.m_nMonth, r.m_nDay, r.m_bMonthFirst);
}

QString CPanelText::Start(const MeterReading& r)
{
    // Out-of-range fields roll over as a calendar conversion would; UTC keeps
    // the sum clear of daylight-saving gaps.
    const QDate day = QDate(2000 + r.m_nYear, 1, 1).addMonths(qMax(1, int(r.m_nMonth)) - 1)
                          .addDays(qMax(1, int(r.m_nDay)) - 1);
    const qint64 nSeconds = qint64(r.m_nHour) * 3600 + r.m_nMinute * 60 + r.m_nSecond
        + qint64(r.m_nElapsedH) * 3600 + r.m_nElapsedM * 60 + r.m_nElapsedS;
    const QDateTime when = QDateTime(day, QTime(0, 0), Qt::UTC).addSecs(nSeconds);
    const QDate d = when.date();
    const QTime t = when.time();
    const QString strDate = DateOf(d.year(), d.month(), d.day(), r.m_bMonthFirst);
    if (r.m_bClockFlag)
        return CPrintf::Format("%s %.2d:%.2d:%.2d", qUtf8Printable(strDate), t.hour(), t.minute(), t.second());
    const CTwelveHour h = TwelveHour(t.hour());
    return CPrintf::Format("%s %.2d:%.2d:%.2d %s", qUtf8Printable(strDate), h.nHour, t.minute(), t.second(),
                           h.pszSuffix);
}

QString CPanelText::Relative(const MeterReading& r)
{
    if (r.m_bIndicatorC) {
        const double dPercent = r.m_fRef == 0.0f ? 0.0 : double(r.m_fRel) * 100.0 / std::fabs(double(r.m_fRef));
        return Fixed(dPercent, 1);
    }
    if (r.m_fValue > r.m_fRange || r.m_fRef > r.m_fRange)
        return QStringLiteral("OL");
    return Fixed(r.m_fRel, r.m_nDecimals);
}

QString CPanelText::CrestFactor(const MeterReading& r)
{
    if (r.m_fValue == 0.0f)
        return QStringLiteral("1.3");
    const double dCrest = (double(r.m_fSub1) - double(r.m_fSub2)) / (2.0 * double(r.m_fValue));
    return dCrest > 1.0 && dCrest < 5.0 ? Fixed(dCrest - 0.05, 1) : QStringLiteral("1.3");
}

QString CPanelText::DcAc(const MeterReading& r)
{
    if (r.m_nAuxCode == 3)
        return Reading(r.m_fAux1, r.m_fRange, r.m_nDecimals);
    return OverRange(r.m_fValue, r.m_fRange, r.m_nDecimals + 1);
}

QString CPanelText::LineFrequency(const MeterReading& r)
{
    return r.m_fAux3 >= 100.0f ? QStringLiteral("OL") : Fixed(r.m_fAux3, 2);
}

QString CPanelText::Frequency(float fValue)
{
    return Fixed(fValue, fValue > 100.0f ? 2 : fValue > 10.0f ? 3 : 4);
}

QString CPanelText::PulseOrDuty(const MeterReading& r, QString* pstrUnit)
{
    if (r.m_bIndicatorC) {
        *pstrUnit = QStringLiteral("ms");
        if (r.m_fValue == 0.0f)
            return QStringLiteral("OL");
        // The period in ms times the duty (stored x100) / 100, by the unit of the value.
        const double dValue = r.m_fValue;
        const double dAux = r.m_fAux4;
        if (r.m_strUnit == QLatin1String("KHZ"))
            return Fixed(dAux / (dValue * 100.0), 2);
        if (r.m_strUnit == QLatin1String("MHZ"))
            return Fixed(dAux / (dValue * 100000.0), 2);
        return Fixed(dAux * 10.0 / dValue, 2);
    }
    if (r.m_bIndicatorE) {
        pstrUnit->clear();
        return {};
    }
    *pstrUnit = QStringLiteral("%");
    return Fixed(r.m_fAux4, 2);
}
