#pragma once

#include "protocol/CDecodedReading.h"

// A live reading of layout 1 as the decoder hands it over, for tests and benchmarks.
inline CDecodedReading TestReading(float fValue, const char* pszUnit = "V", float fRange = 6.0f, int nDecimals = 3)
{
    CDecodedReading d;
    d.reading.m_strFunction = QStringLiteral("VDC");
    d.reading.m_strUnit = QString::fromUtf8(pszUnit);
    d.reading.m_fValue = fValue;
    d.reading.m_fRange = fRange;
    d.reading.m_nDecimals = nDecimals;
    d.strTime = QStringLiteral("14/3/25 9:30:0");
    d.nLayout = 1;
    d.nRecordKind = 1;
    d.bSeries8Frame = true;
    return d;
}
