#include "scope/COscTables.h"

namespace {

using STimeBase = COscTables::STimeBase;
using SVoltScale = COscTables::SVoltScale;
using SPeriodForm = COscTables::SPeriodForm;

constexpr STimeBase kTimeBases[COscTables::kMaxTimeBase + 1] = {
    {"", "", 0, 0, 0},
    {"50mS/div", "500Sps", 200, 200, 2000000},     // step 0.01 ms
    {"20mS/div", "1KSa/s", 80, 80, 800000},
    {"10mS/div", "2KSa/s", 40, 40, 400000},
    {"5mS/div", "5KSa/s", 200, 20, 200000},        // step 0.001 ms
    {"2mS/div", "10KSa/s", 80, 8, 80000},
    {"1mS/div", "20KSa/s", 40, 4, 40000},
    {"0.5mS/div", "50KSa/s", 200, 200, 20000},     // step 0.1 us
    {"200uS/div", "100KSa/s", 80, 80, 8000},
    {"100uS/div", "200KSa/s", 40, 40, 4000},
    {"50uS/div", "500KSa/s", 200, 20, 2000},       // step 0.01 us
    {"20uS/div", "1MSa/s", 80, 8, 800},
    {"10uS/div", "2MSa/s", 400, 4, 400},           // step 0.001 us
    {"5uS/div", "5MSa/s", 200, 20, 200},
    {"2uS/div", "10MSa/s", 80, 8, 80},
    {"1uS/div", "20MSa/s", 400, 40, 40},           // step 0.1 ns
    {"0.5uS/div", "50MSa/s", 200, 200, 20},
    {"250nS/div", "100MSa/s", 100, 100, 10},
    {"125nS/div", "200MSa/s", 50, 50, 5},
};

constexpr SVoltScale kVoltScales[COscTables::kMaxVoltScale + 1] = {
    {"", 0.0, 0.0, false},
    {"200 V/div", 200.0, 1.0, false},
    {"100 V/div", 100.0, 0.1, false},
    {"20.00 V/div", 20.0, 0.1, false},
    {"10.00 V/div", 10.0, 0.1, false},
    {"5.00 V/div", 5.0, 0.01, false},
    {"2.00 V/div", 2.0, 0.01, false},
    {"1.00 V/div", 1.0, 0.01, false},
    {"0.50 V/div", 0.5, 0.01, false},
    {"200.0 mV/div", 200.0, 1.0, true},
    {"100.0 mV/div", 100.0, 1.0, true},
    {"50.00 mV/div", 50.0, 1.0, true},
};

constexpr SPeriodForm kMilliSecondsCoarse{100000.0, "%.2f Hz", "%.2f mS", 100.0, 0.01};
constexpr SPeriodForm kMilliSecondsFine{100000.0, "%.2f Hz", "%.3f mS", 1000.0, 0.01};
constexpr SPeriodForm kTenthMicro{10000.0, "%.3f KHz", "%.1f uS", 10.0, 0.001};
constexpr SPeriodForm kHundredthMicro{10000.0, "%.3f KHz", "%.2f uS", 100.0, 0.001};
constexpr SPeriodForm kThousandthMicro{10000.0, "%.3f KHz", "%.3f uS", 1000.0, 0.001};
constexpr SPeriodForm kFastKilo{100000.0, "%.2f KHz", "%.3f uS", 1000.0, 0.01};
// The period counts tenths of a nanosecond here, as for codes 16..18, so it reads in nS.
constexpr SPeriodForm kMega{1000.0, "%.4f MHz", "%.1f nS", 10.0, 0.0001};
constexpr SPeriodForm kNano{10000.0, "%.3f MHz", "%.1f nS", 10.0, 0.001};

// Spectrum bar step by time-base code; the scaled unit changes with the code (COscText).
constexpr int kBarSteps[COscTables::kMaxTimeBase + 1] = {0,  2,   5,  10, 20, 50,  100, 200, 5,   10,
                                                         20, 50, 100, 20, 50, 100, 200, 400, 800};

bool InRange(int nCode, int nMax)
{
    return nCode >= 0 && nCode <= nMax;
}

} // namespace

const COscTables::STimeBase& COscTables::TimeBase(int nCode)
{
    return kTimeBases[InRange(nCode, kMaxTimeBase) ? nCode : 0];
}

const COscTables::SVoltScale& COscTables::VoltScale(int nCode)
{
    return kVoltScales[InRange(nCode, kMaxVoltScale) ? nCode : 0];
}

const COscTables::SPeriodForm* COscTables::PeriodForm(int nCode)
{
    if (nCode >= 1 && nCode <= 3)
        return &kMilliSecondsCoarse;
    if (nCode >= 4 && nCode <= 6)
        return &kMilliSecondsFine;
    if (nCode >= 7 && nCode <= 9)
        return &kTenthMicro;
    if (nCode == 10 || nCode == 11)
        return &kHundredthMicro;
    if (nCode == 12)
        return &kThousandthMicro;
    if (nCode == 13 || nCode == 14)
        return &kFastKilo;
    if (nCode == 15)
        return &kMega;
    if (nCode >= 16 && nCode <= kMaxTimeBase)
        return &kNano;
    return nullptr;
}

QString COscTables::RateLabel(int nCode, bool bSampleRate)
{
    const STimeBase& row = TimeBase(nCode);
    return QString::fromLatin1(bSampleRate ? row.pszRate : row.pszPerDiv);
}

qint64 COscTables::TimePerDivNs(int nCode)
{
    return TimeBase(nCode).nSampleNs * kSamplesPerDiv;
}

int COscTables::BarStep(int nCode)
{
    return kBarSteps[InRange(nCode, kMaxTimeBase) ? nCode : 0];
}
