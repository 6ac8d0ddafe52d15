#pragma once

#include <QDateTime>

// The meter's clock as its frames carry it: six two-digit fields, each sent as
// one packed-BCD byte. Any field may hold 0 to 99, so impossible dates (month 0)
// can be sent on purpose.
struct CSimClock
{
    int m_nYear = 0;     // two digits, 2000 + m_nYear
    int m_nMonth = 1;
    int m_nDay = 1;
    int m_nHour = 0;
    int m_nMinute = 0;
    int m_nSecond = 0;

    // Every field fits one BCD byte (0 to 99).
    bool InRange() const;
    // The calendar time, or an invalid QDateTime when the fields are not a real
    // date and time of the years 2000 to 2099. Kept in UTC: no daylight-saving gaps.
    QDateTime ToDateTime() const;
    // The fields of dt (the year reduced to two digits).
    static CSimClock FromDateTime(const QDateTime& dt);

    bool operator==(const CSimClock&) const = default;
};
