#pragma once

#include <QString>

// The meter's oscilloscope tables: time bases, vertical scales, the forms of
// the period and frequency readings and the spectrum's frequency steps.
// Codes outside the tables (a damaged frame or file) read as code 0: empty
// labels and zero values, never an out-of-range access.
class COscTables
{
public:
    static constexpr int kMaxTimeBase = 18;
    static constexpr int kMaxVoltScale = 11;
    static constexpr int kZeroLevel = 135;     // raw level of 0 V
    static constexpr int kLevelsPerDiv = 25;
    static constexpr int kSamplesPerDiv = 25;
    static constexpr int kDivisionsX = 12;
    static constexpr int kDivisionsY = 8;
    // The meter counts crossing positions from 8 samples before the first one it sends.
    static constexpr int kCrossingOffset = 8;

    struct STimeBase
    {
        const char* pszPerDiv;   // "50mS/div"
        const char* pszRate;     // "500Sps"
        int nTCount;             // time per sample as a count of the row's step
        int nB;                  // divisor of the frequency reading
        qint64 nSampleNs;        // time per sample in nanoseconds (count × step)
    };

    struct SVoltScale
    {
        const char* pszLabel;    // "1.00 V/div"
        double dPerDiv;          // D, volts (millivolts for codes 9..11) per division
        double dResolution;      // r, the step of the meter's own peak-to-peak reading
        bool bMilli;             // the unit is mV
    };

    // How a crossing distance or the meter's own FFT readings become texts.
    struct SPeriodForm
    {
        double dF;               // frequency = F / (B × crossing distance)
        const char* pszFreq;     // "%.2f Hz"
        const char* pszPeriod;   // "%.2f mS"
        double dPeriodDivisor;   // the period text shows period / divisor
        double dFftFreqStep;     // unit of the meter's frequency reading with status 3
    };

    static const STimeBase& TimeBase(int nCode);
    static const SVoltScale& VoltScale(int nCode);
    // nullptr for codes outside 1..18: no period or frequency can be computed.
    static const SPeriodForm* PeriodForm(int nCode);

    // The time-base label: the sample rate ("50KSa/s") or the time per division ("0.5mS/div").
    static QString RateLabel(int nCode, bool bSampleRate);
    // Time per division in nanoseconds (0 for unknown codes).
    static qint64 TimePerDivNs(int nCode);
    // Frequency step of one spectrum bar, in the bar frequency's scaled unit (see COscText).
    static int BarStep(int nCode);
};
