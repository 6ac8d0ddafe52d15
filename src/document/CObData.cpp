#include "document/CObData.h"

#include "document/CArchive.h"

CObData::CObData(double dValue, const QString& strUnit, double dSampleRate, qint32 nIndex,
                 const QString& strTime, const QString& strType, float fRange)
    : m_dValue(dValue)
    , m_strUnit(strUnit)
    , m_dSampleRate(dSampleRate)
    , m_nIndex(nIndex)
    , m_strTime(strTime)
    , m_strType(strType)
    , m_fRange(fRange)
{
}

void CObData::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        Store(ar);
    else
        Load(ar);
}

void CObData::Store(CArchive& ar) const
{
    ar << m_dValue << m_strUnit << m_dSampleRate << m_nIndex << m_strTime << m_strType << m_fRange;
}

void CObData::Load(CArchive& ar)
{
    ar >> m_dValue >> m_strUnit >> m_dSampleRate >> m_nIndex >> m_strTime >> m_strType >> m_fRange;
}
