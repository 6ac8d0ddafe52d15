#include "logger/LoggerListData.h"

LoggerListData::LoggerListData(const QString& strFunction, const QString& strStart, qint32 nDataPoints,
                               qint32 nInterval, qint32 nAddress)
    : m_strFunction(strFunction)
    , m_strStart(strStart)
    , m_nDataPoints(nDataPoints)
    , m_nInterval(nInterval)
    , m_nAddress(nAddress)
{
}
