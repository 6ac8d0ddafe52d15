#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// One crossing of an alarm limit by a reading, and the forms it is told in: the line on
// stderr, the Remark of the data list, the JSON on PREFIX/alarm and the environment of
// --alarm-exec. A plain value.
struct CAlarmEvent
{
    QDateTime time;         //!< the computer's time of receipt
    bool bAbove = true;     //!< above the upper limit, else below the lower one
    float fValue = 0.0f;    //!< the reading's value, in strUnit
    bool bOverload = false; //!< the reading is beyond its range ("OL"; fValue is then meaningless)
    int nDecimals = 0;      //!< the meter's decimals for fValue
    QString strUnit;        //!< the reading's unit as the meter sends it, trimmed ("mVDC")
    QString strFunction;    //!< the meter's function ("VDC")
    double dLimit = 0.0;    //!< the limit crossed, in its own unit
    QString strLimitUnit;   //!< the limit's unit for people ("V", "nF"); the reading's when typed bare
    QString strMeter;       //!< the meter's address, when known

    QString Direction() const { return bAbove ? QStringLiteral("above") : QStringLiteral("below"); }
    //! "4.612" with the meter's decimals, or "OL" / "-OL".
    QString ValueText() const;
    //! "4.5 V"
    QString LimitText() const;
    //! "2025-03-14T09:30:00.125+01:00 alarm above 4.612 VDC": one line of stderr.
    QString Line() const;
    //! "alarm above 4.5 V": the Remark of the reading in the data list, and the notification.
    QString Remark() const;
    //! The object published on PREFIX/alarm.
    QByteArray Json() const;
    //! MULTIMETER_ALARM=above, MULTIMETER_VALUE=4.612, ... for the alarm command.
    QStringList Environment() const;
};
