#pragma once

#include "base/CMeterUnit.h"
#include "protocol/CDecodedReading.h"
#include "publish/CAlarmEvent.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The alarm limits of a run and whether each is armed. A limit is typed with its unit ("4.5V",
// "100nF", "2kHz") and then holds for the readings of that quantity whatever their prefix or
// coupling (the value is converted: 4600 mV is above 4.5V); a bare number holds for every
// reading in the reading's own unit. A crossing is told once: the limit re-arms only when a
// reading is back inside by 1 % of the limit. Readings beyond their range ("OL") are above
// every upper limit (or below every lower one) of their quantity.
//
// A plain object: one thread at a time.
class CAlarmWatch
{
public:
    static constexpr double kRearmFraction = 0.01;

    // False, with the reason, when the text is not a number with an optional known unit.
    bool SetAbove(const QString& strLimit, QString* pstrError);
    bool SetBelow(const QString& strLimit, QString* pstrError);
    void Clear();
    bool IsEmpty() const { return !m_above && !m_below; }

    // The crossings this reading makes (none, one, or in a strange setup both).
    QList<CAlarmEvent> Check(const CDecodedReading& d, const QDateTime& received, const QString& strMeter = QString());

    // Both limits armed again (a new run).
    void Rearm();

private:
    struct CLimit
    {
        double dValue = 0.0;
        CMeterUnit unit;     //!< unknown (empty): the reading's unit
        bool bArmed = true;
    };
    static bool Parse(const QString& strLimit, CLimit* pLimit, QString* pstrError);
    // The crossing of one limit, updating whether it is armed. dValue is in unit, or infinite
    // for an overload.
    bool Crosses(CLimit& limit, bool bAbove, double dValue, bool bOverload, const CMeterUnit& unit);

    std::optional<CLimit> m_above;
    std::optional<CLimit> m_below;
};
