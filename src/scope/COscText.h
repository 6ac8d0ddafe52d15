#pragma once

#include "scope/OscRecord.h"

#include <QString>

// The texts shown for a waveform: on the scope screen, in its readouts, in the
// information line, in the workbook export and in printouts. The window, the
// exporters and the CLI share these so each text has one definition.
class COscText
{
public:
    // "HOLD", "REC", "FFT", "Single" as the screen shows them; empty for others.
    static QString ScreenStatusWord(int nStatus);
    // "HOLD", "REC", "FFT", "SINGLE" as exports and printouts write them.
    static QString StatusWord(int nStatus);
    // Export: "UP", "DOWN", or "Single:%.2f" of the trigger level in the vertical unit.
    static QString TriggerText(const OscRecord& record);
    // Printouts: "UP", "DOWN", "NO" for the single trigger.
    static QString PrintTriggerText(int nTrigger);
    // "AC " (coupling 0) or "DC".
    static QString CouplingText(int nCoupling);

    // "%.2d/%.2d/%d  %.2d:%.2d:%.2d" of date1, date2, year, hour, minute, second:
    // the date line of the export and the printouts.
    static QString FactsDateTime(const OscRecord& record);
    // "%.2d/%.2d/%d" (date1, date2, year) and "%.2d:%.2d:%.2d" on the screen.
    static QString ScreenDate(const OscRecord& record);
    static QString ScreenTime(const OscRecord& record);
    // The information line: "0 " + date and time for the live screen,
    // "%d | " + date and time for stored slot n; the date parts in the meter's order.
    static QString LiveInfo(const OscRecord& record);
    static QString StoredInfo(int nSlot, const OscRecord& record);

    // Frequency of spectrum bar nIndex at time-base nRateCode, as the meter scales it.
    struct SBarFrequency
    {
        double dValue = 0.0;
        int nDecimals = 0;
        QString strUnit;         // "Hz", "KHz" or "MHz"

        QString Number() const;  // dValue with nDecimals decimals ("5.00")
        double Hertz() const;
    };
    static SBarFrequency BarFrequency(int nRateCode, int nIndex);
    // The point readout form "Freq:5.00KHz".
    static QString BarReadout(int nRateCode, int nIndex);
    // The printed table form "5.00KHz".
    static QString BarPrintText(int nRateCode, int nIndex);

    // Point readout of the graph: "NO.:%d  Factor:%.2f %s" for a bar of the
    // meter's spectrum (value × 10 and the bar frequency), else "NO.:%d  Amplitude:%.2f  ".
    static QString InspectText(bool bSpectrum, int nIndex, double dValue, int nRateCode);

    // Level cursors: "%.2f %s" of level1 - level2 and the unit.
    static QString LevelDifference(double dLevel1, double dLevel2, const QString& strUnit);

    // Time cursors nSamples apart at time-base nRateCode: "%.3f" with mS/uS/nS and
    // the matching Hz/KHz/MHz frequency. Both empty for an unknown time base.
    struct STimeDifference
    {
        double dNs = 0.0;
        QString strDt;
        QString strFreq;
    };
    static STimeDifference TimeDifference(int nRateCode, double dSamples);
};
