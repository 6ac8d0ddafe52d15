#include "sim/CSimClock.h"

#include <QTimeZone>

bool CSimClock::InRange() const
{
    for (int n : {m_nYear, m_nMonth, m_nDay, m_nHour, m_nMinute, m_nSecond})
        if (n < 0 || n > 99)
            return false;
    return true;
}

QDateTime CSimClock::ToDateTime() const
{
    if (!InRange())
        return {};
    const QDate date(2000 + m_nYear, m_nMonth, m_nDay);
    const QTime time(m_nHour, m_nMinute, m_nSecond);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, QTimeZone::utc());
}

CSimClock CSimClock::FromDateTime(const QDateTime& dt)
{
    CSimClock clock;
    clock.m_nYear = dt.date().year() % 100;
    clock.m_nMonth = dt.date().month();
    clock.m_nDay = dt.date().day();
    clock.m_nHour = dt.time().hour();
    clock.m_nMinute = dt.time().minute();
    clock.m_nSecond = dt.time().second();
    return clock;
}
