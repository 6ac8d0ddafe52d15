#include "protocol/CRecordingRules.h"

#include "document/CMyTalvaDoc.h"
#include "protocol/CMeterLayouts.h"

#include <QDateTime>

#include <array>

namespace {

constexpr double kStatisticsStep = 1.0;
constexpr double kCrestFallback = 1.3;

// Function groups of the automatic y limits.
constexpr std::array kAcGroup = {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"};
constexpr std::array kDcGroup = {"VDC", "mVDC", "ADC", "mADC", "uADC"};

template <size_t N>
bool InGroup(const std::array<const char*, N>& group, const QString& strFunction)
{
    for (const char* pszName : group) {
        if (strFunction == QLatin1StringView(pszName))
            return true;
    }
    return false;
}

struct CSecondary
{
    double dValue;
    QString strUnit;
    QString strTime;
    QString strType;
};

} // namespace

CRecordingRules::LiveCheck CRecordingRules::CheckLive(const CMyTalvaDoc& doc, const QString& strFunction, int nMaxRecords)
{
    const CRecordArray& arr = doc.m_arrData[0];
    if (arr.isEmpty())
        return LiveCheck::Record;
    const qsizetype nLast = arr.size() - 1;
    if (!arr.IsNull(nLast) && arr.Type(nLast) != strFunction)
        return LiveCheck::FunctionChanged;
    if (arr.size() >= nMaxRecords)
        return LiveCheck::Full;
    return LiveCheck::Record;
}

float CRecordingRules::RangeOf(const CDecodedReading& decoded)
{
    return CMeterLayouts::HasRange(decoded.nLayout) ? decoded.reading.m_fRange : float(CObData::kOverload);
}

MeterReading CRecordingRules::LiveReading(const CDecodedReading& decoded)
{
    MeterReading r = decoded.reading;
    r.m_fRange = RangeOf(decoded);
    if (r.m_fValue > r.m_fRange)
        r.m_fValue = float(CObData::kOverload);
    else if (r.m_fValue < -r.m_fRange)
        r.m_fValue = float(-CObData::kOverload);
    return r;
}

void CRecordingRules::AddLive(CMyTalvaDoc& doc, const MeterReading& r, const QString& strTime)
{
    doc.AddReading(0, r.m_strUnit, int(doc.m_arrData[0].size()), strTime, r.m_strFunction, double(r.m_fValue),
                   0.0, r.m_fRange, r.m_fValue);
}

double CRecordingRules::CrestFactor(double dMax, double dMin, double dValue)
{
    if (dValue == 0.0)
        return kCrestFallback;
    const double dFactor = (dMax - dMin) / (2.0 * dValue);
    // NaN fails both tests too.
    return dFactor > 1.0 && dFactor < 5.0 ? dFactor : kCrestFallback;
}

QString CRecordingRules::StatisticsTime(const MeterReading& r)
{
    // Fields out of their range roll over into the next larger one, as a calendar
    // conversion of the meter's numbers would.
    const QDate date = QDate(2000 + r.m_nYear, 1, 1).addMonths(qMax(int(r.m_nMonth), 1) - 1).addDays(qMax(int(r.m_nDay), 1) - 1);
    const qint64 nClockSeconds = r.m_nHour * 3600 + r.m_nMinute * 60 + r.m_nSecond;
    const qint64 nElapsed = r.m_nElapsedH * 3600 + r.m_nElapsedM * 60 + r.m_nElapsedS;
    QDateTime when(date, QTime(0, 0), Qt::LocalTime);
    if (!when.isValid()) // midnight skipped by a clock change
        when = QDateTime(date, QTime(0, 0), Qt::UTC);
    when = when.addSecs(nClockSeconds + nElapsed);
    return when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

int CRecordingRules::AddStatistics(CMyTalvaDoc& doc, const CDecodedReading& decoded)
{
    const int nKind = decoded.nRecordKind;
    if (nKind < 1 || nKind > 9)
        return 0;
    MeterReading r = decoded.reading;
    r.m_fRange = RangeOf(decoded);
    if (CMeterLayouts::HasRange(decoded.nLayout)) {
        for (float* pValue : {&r.m_fValue, &r.m_fAux3, &r.m_fAux1, &r.m_fSub1, &r.m_fSub2, &r.m_fRef, &r.m_fRel,
                              &r.m_fSub3}) {
            if (*pValue > r.m_fRange)
                *pValue = float(CObData::kOverload);
        }
    }
    const QString strTime = (nKind == 2 || nKind == 4 || nKind == 5) ? StatisticsTime(r) : decoded.strTime;

    double dPrimary = r.m_fValue;
    QString strPrimaryUnit = r.m_strUnit;
    QList<CSecondary> secondaries;
    switch (nKind) {
    case 2:
    case 4: {
        const bool bPeak = nKind == 4;
        secondaries = {
            {r.m_fSub1, r.m_strSub1Unit, r.m_strSub1Time, bPeak ? QStringLiteral("PeakMax") : QStringLiteral("Max")},
            {r.m_fSub2, r.m_strSub2Unit, r.m_strSub2Time, bPeak ? QStringLiteral("PeakMin") : QStringLiteral("Min")},
            {r.m_fSub3, r.m_strUnit, r.m_strSub3Time,
             bPeak ? QStringLiteral("PeakAverage") : QStringLiteral("Average")},
        };
        break;
    }
    case 3:
        secondaries = {{r.m_fRef, r.m_strUnit, strTime, QStringLiteral("Ref")},
                       {r.m_fRel, r.m_strUnit, strTime, QStringLiteral("Rel")}};
        break;
    case 5: {
        const QString strCrest = QStringLiteral("Crest Factor");
        secondaries = {{CrestFactor(r.m_fSub1, r.m_fSub2, r.m_fValue), strCrest, strTime, strCrest}};
        break;
    }
    case 6:
        dPrimary = r.m_fAux1;
        strPrimaryUnit = r.m_strAux1Unit;
        secondaries = {{r.m_fAux2, r.m_strAux2Unit, strTime, r.m_strFunction}};
        break;
    case 8:
        secondaries = {{r.m_fAux3, r.m_strAux3Unit, strTime, r.m_strFunction}};
        break;
    default: // 1, 7, 9: the reading alone
        break;
    }

    const int nIndex = int(doc.m_arrData[0].size());
    doc.AddReading(0, strPrimaryUnit, nIndex, strTime, r.m_strFunction, dPrimary, kStatisticsStep, r.m_fRange,
                   r.m_fValue);
    for (const CSecondary& s : secondaries)
        doc.AddReading(1, s.strUnit, nIndex, s.strTime, s.strType, s.dValue, kStatisticsStep, r.m_fRange,
                       r.m_fValue);
    return 1 + int(secondaries.size());
}

bool CRecordingRules::AutoLimits(int nDecimals, const QString& strFunction, double* pdMax, double* pdMin)
{
    const bool bAc = InGroup(kAcGroup, strFunction);
    if (!bAc && !InGroup(kDcGroup, strFunction))
        return false;
    double dMax = 0.0;
    switch (nDecimals) {
    case 4:
        dMax = 5.0;
        break;
    case 3:
        dMax = 50.0;
        break;
    case 2:
        dMax = 500.0;
        break;
    case 1:
        dMax = strFunction == QLatin1StringView("uAAC") || strFunction == QLatin1StringView("uADC") ? 5000.0 : 1000.0;
        break;
    default:
        return false;
    }
    *pdMax = dMax;
    *pdMin = bAc ? 0.0 : -dMax;
    return true;
}
