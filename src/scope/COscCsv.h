#pragma once

#include "scope/OscRecord.h"

#include <QByteArray>
#include <QString>

// A waveform as comma-separated text, one row per point after a heading row:
//   index,time_s,value,unit          (the 300 samples; unit "V" or "mV")
//   index,frequency_hz,value,unit    (the 120 spectrum bars; raw values, no unit)
// Index counts from 0; the time is empty when the time base is unknown.
class COscCsv
{
public:
    static QByteArray Text(const OscRecord& record, bool bSpectrum);
    // Written whole or not at all; false with a message for the user.
    static bool SaveFile(const QString& strPath, const OscRecord& record, bool bSpectrum, QString* pstrError);
};
