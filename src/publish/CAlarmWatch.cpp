#include "publish/CAlarmWatch.h"

#include "document/CObData.h"
#include "protocol/CRecordingRules.h"

#include <cmath>

bool CAlarmWatch::Parse(const QString& strLimit, CLimit* pLimit, QString* pstrError)
{
    CLimit limit;
    if (!CMeterUnit::ParseValue(strLimit, &limit.dValue, &limit.unit) || !std::isfinite(limit.dValue)) {
        *pstrError = QStringLiteral("'%1' is not a number with an optional unit such as 4.5V, 100nF or 2kHz").arg(strLimit);
        return false;
    }
    *pLimit = limit;
    return true;
}

bool CAlarmWatch::SetAbove(const QString& strLimit, QString* pstrError)
{
    CLimit limit;
    if (!Parse(strLimit, &limit, pstrError))
        return false;
    m_above = limit;
    return true;
}

bool CAlarmWatch::SetBelow(const QString& strLimit, QString* pstrError)
{
    CLimit limit;
    if (!Parse(strLimit, &limit, pstrError))
        return false;
    m_below = limit;
    return true;
}

void CAlarmWatch::Clear()
{
    m_above.reset();
    m_below.reset();
}

void CAlarmWatch::Rearm()
{
    for (std::optional<CLimit>* pLimit : { &m_above, &m_below }) {
        if (*pLimit)
            (*pLimit)->bArmed = true;
    }
}

bool CAlarmWatch::Crosses(CLimit& limit, bool bAbove, double dValue, bool bOverload, const CMeterUnit& unit)
{
    double dInLimitUnit = dValue;
    if (limit.unit.IsKnown()) {
        if (!unit.IsKnown() || !unit.SameSymbol(limit.unit))
            return false; // another quantity: this limit says nothing about it
        if (!bOverload) // an overload stays infinite
            dInLimitUnit = unit.Convert(dValue, limit.unit);
    }
    const double dMargin = std::abs(limit.dValue) * kRearmFraction;
    const bool bOutside = bAbove ? dInLimitUnit > limit.dValue : dInLimitUnit < limit.dValue;
    const bool bBackInside = bAbove ? dInLimitUnit < limit.dValue - dMargin : dInLimitUnit > limit.dValue + dMargin;
    if (limit.bArmed && bOutside) {
        limit.bArmed = false;
        return true;
    }
    if (!limit.bArmed && bBackInside)
        limit.bArmed = true;
    return false;
}

QList<CAlarmEvent> CAlarmWatch::Check(const CDecodedReading& d, const QDateTime& received, const QString& strMeter)
{
    QList<CAlarmEvent> events;
    if (IsEmpty() || !std::isfinite(d.reading.m_fValue))
        return events;
    // The recording's rule says what is beyond the range.
    const double dRecorded = double(CRecordingRules::LiveReading(d).m_fValue);
    const bool bOverload = CObData::IsOverload(dRecorded);
    const QString strUnit = d.reading.m_strUnit.trimmed();
    const CMeterUnit unit = CMeterUnit::Parse(strUnit);
    for (bool bAbove : { true, false }) {
        std::optional<CLimit>& limit = bAbove ? m_above : m_below;
        const double dValue = bOverload ? std::copysign(HUGE_VAL, dRecorded) : double(d.reading.m_fValue);
        if (!limit || !Crosses(*limit, bAbove, dValue, bOverload, unit))
            continue;
        CAlarmEvent event;
        event.time = received;
        event.bAbove = bAbove;
        event.fValue = d.reading.m_fValue;
        event.bOverload = bOverload;
        event.nDecimals = d.reading.m_nDecimals;
        event.strUnit = strUnit;
        event.strFunction = d.reading.m_strFunction;
        event.dLimit = limit->dValue;
        const CMeterUnit& shown = limit->unit.IsKnown() ? limit->unit : unit;
        event.strLimitUnit = shown.IsKnown() ? shown.Display() : shown.Text();
        // "4.5 V", not "4.5 V DC": the limit holds for every coupling.
        if (!shown.Coupling().isEmpty() && event.strLimitUnit.endsWith(shown.Coupling()))
            event.strLimitUnit.chop(shown.Coupling().size() + 1);
        event.strMeter = strMeter;
        events << event;
    }
    return events;
}
