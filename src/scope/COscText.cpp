#include "scope/COscText.h"

#include "base/CPrintf.h"
#include "scope/COscTables.h"

namespace {

QString DateTime(int nFirst, int nSecond, const OscRecord& r, const char* pszGap)
{
    return CPrintf::Format("%.2d/%.2d/%d%s%.2d:%.2d:%.2d", nFirst, nSecond, r.m_year, pszGap, r.m_hour,
                           r.m_minute, r.m_second);
}

QString OrderedDateTime(const OscRecord& r)
{
    return r.m_dateOrder ? DateTime(r.m_date2, r.m_date1, r, " ") : DateTime(r.m_date1, r.m_date2, r, " ");
}

} // namespace

QString COscText::ScreenStatusWord(int nStatus)
{
    return nStatus == 4 ? QStringLiteral("Single") : StatusWord(nStatus);
}

QString COscText::StatusWord(int nStatus)
{
    switch (nStatus) {
    case 1: return QStringLiteral("HOLD");
    case 2: return QStringLiteral("REC");
    case 3: return QStringLiteral("FFT");
    case 4: return QStringLiteral("SINGLE");
    default: return {};
    }
}

QString COscText::TriggerText(const OscRecord& record)
{
    if (record.m_trigger == 3)
        return CPrintf::Format("Single:%.2f", record.m_triggerLevel / 1000.0);
    return PrintTriggerText(record.m_trigger);
}

QString COscText::PrintTriggerText(int nTrigger)
{
    switch (nTrigger) {
    case 1: return QStringLiteral("UP");
    case 2: return QStringLiteral("DOWN");
    case 3: return QStringLiteral("NO");
    default: return {};
    }
}

QString COscText::CouplingText(int nCoupling)
{
    return nCoupling == 0 ? QStringLiteral("AC ") : QStringLiteral("DC");
}

QString COscText::FactsDateTime(const OscRecord& record)
{
    return DateTime(record.m_date1, record.m_date2, record, "  ");
}

QString COscText::ScreenDate(const OscRecord& record)
{
    return CPrintf::Format("%.2d/%.2d/%d", record.m_date1, record.m_date2, record.m_year);
}

QString COscText::ScreenTime(const OscRecord& record)
{
    return CPrintf::Format("%.2d:%.2d:%.2d", record.m_hour, record.m_minute, record.m_second);
}

QString COscText::LiveInfo(const OscRecord& record)
{
    return QStringLiteral("0 ") + OrderedDateTime(record);
}

QString COscText::StoredInfo(int nSlot, const OscRecord& record)
{
    return CPrintf::Format("%d | ", nSlot) + OrderedDateTime(record);
}

QString COscText::SBarFrequency::Number() const
{
    return CPrintf::Format("%.*f", nDecimals, dValue);
}

double COscText::SBarFrequency::Hertz() const
{
    if (strUnit == QLatin1String("MHz"))
        return dValue * 1e6;
    if (strUnit == QLatin1String("KHz"))
        return dValue * 1e3;
    return dValue;
}

COscText::SBarFrequency COscText::BarFrequency(int nRateCode, int nIndex)
{
    const double dSteps = double(nIndex) * COscTables::BarStep(nRateCode);
    if (nRateCode >= 3 && nRateCode <= 7)
        return {dSteps / 100.0, 2, QStringLiteral("KHz")};
    if (nRateCode >= 8 && nRateCode <= 12)
        return {dSteps / 10.0, 1, QStringLiteral("KHz")};
    if (nRateCode >= 13 && nRateCode <= COscTables::kMaxTimeBase)
        return {dSteps / 1000.0, 3, QStringLiteral("MHz")};
    return {dSteps, 0, QStringLiteral("Hz")};
}

QString COscText::BarReadout(int nRateCode, int nIndex)
{
    return QStringLiteral("Freq:") + BarPrintText(nRateCode, nIndex);
}

QString COscText::BarPrintText(int nRateCode, int nIndex)
{
    const SBarFrequency freq = BarFrequency(nRateCode, nIndex);
    return freq.Number() + freq.strUnit;
}

QString COscText::InspectText(bool bSpectrum, int nIndex, double dValue, int nRateCode)
{
    if (bSpectrum)
        return CPrintf::Format("NO.:%d  Factor:%.2f ", nIndex, dValue * 10.0) + BarReadout(nRateCode, nIndex);
    return CPrintf::Format("NO.:%d  Amplitude:%.2f  ", nIndex, dValue);
}

QString COscText::LevelDifference(double dLevel1, double dLevel2, const QString& strUnit)
{
    return CPrintf::Format("%.2f ", dLevel1 - dLevel2) + strUnit;
}

COscText::STimeDifference COscText::TimeDifference(int nRateCode, double dSamples)
{
    const qint64 nPerDivNs = COscTables::TimePerDivNs(nRateCode);
    if (nPerDivNs == 0)
        return {};
    STimeDifference diff;
    diff.dNs = double(nPerDivNs) * dSamples / COscTables::kSamplesPerDiv;
    const double dMHz = 1000.0 / diff.dNs;
    // Exactly 1 ms stays in microseconds: the thresholds are "above".
    if (diff.dNs > 1000000.0) {
        diff.strDt = CPrintf::Format("%.3f mS", diff.dNs / 1000000.0);
        diff.strFreq = CPrintf::Format("%.3f Hz", dMHz * 1000000.0);
    } else if (diff.dNs > 1000.0) {
        diff.strDt = CPrintf::Format("%.3f uS", diff.dNs / 1000.0);
        diff.strFreq = CPrintf::Format("%.3f KHz", dMHz * 1000.0);
    } else {
        diff.strDt = CPrintf::Format("%.3f nS", diff.dNs);
        diff.strFreq = CPrintf::Format("%.3f MHz", dMHz);
    }
    return diff;
}
