#pragma once

#include "protocol/MeterReading.h"

#include <QMetaType>
#include <QString>

// One decoded measurement frame as recording receives it.
struct CDecodedReading
{
    MeterReading reading;       // the panel copy taken right after decoding
    QString strTime;            // the reading's time text from the meter's clock
    int nLayout = 0;            // 1..7
    int nRecordKind = 0;        // 1..9 for statistics recording, 0 = none
    bool bSeries8Frame = false; // header a0 8x: eligible for live recording
    bool bSeries9 = false;      // the meter was in series-9 mode when decoded
};

Q_DECLARE_METATYPE(CDecodedReading)
