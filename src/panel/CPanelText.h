#pragma once

#include "protocol/MeterReading.h"

#include <QString>

// The texts of the meter panel, free of drawing so they can be checked alone.
// Every number goes through Fixed(): decimals are clamped to 0..9 (a meter
// byte may say anything) and a negative zero is written as 0.
class CPanelText
{
public:
    static constexpr int kMaxDecimals = 9;

    static QString Fixed(double dValue, int nDecimals);
    // Main reading: "OL" above the range, "-OL" below minus the range, else the value.
    static QString Reading(float fValue, float fRange, int nDecimals);
    // Secondary values: "OL" above the range only.
    static QString OverRange(float fValue, float fRange, int nDecimals);

    // Clock at the top left: "13:05" (24-hour), "01:05PM", "12:30AM".
    static QString Clock(const MeterReading& r);
    // Date at the top right, "dd/mm/yy" or "mm/dd/yy".
    static QString Date(const MeterReading& r);
    // "Start:" line of layouts 2 and 4: the meter clock plus the elapsed time.
    static QString Start(const MeterReading& r);

    // Layout 3 main number: the relative value, or with flag C the percentage
    // (the "%" sign is drawn apart).
    static QString Relative(const MeterReading& r);
    // Layout 4 crest factor.
    static QString CrestFactor(const MeterReading& r);
    // Layout 5 main number.
    static QString DcAc(const MeterReading& r);
    // Layout 6 second line.
    static QString LineFrequency(const MeterReading& r);
    // Layout 7 main number: fewer decimals for larger values.
    static QString Frequency(float fValue);
    // Layout 7 second line and its unit ("ms" or "%"); empty when flag E hides it.
    static QString PulseOrDuty(const MeterReading& r, QString* pstrUnit);
};
