#pragma once

#include <QMetaType>
#include <QString>

// One entry of the meter's logger directory: a recording stored in the meter.
class LoggerListData
{
public:
    LoggerListData() = default;
    LoggerListData(const QString& strFunction, const QString& strStart, qint32 nDataPoints, qint32 nInterval,
                   qint32 nAddress);

    bool operator==(const LoggerListData&) const = default;

    QString m_strFunction;   //!< function name of the recording, e.g. "CAP"
    QString m_strStart;      //!< start, written "dd-mm-20yy, hh mm ss"
    qint32 m_nDataPoints = 0;
    qint32 m_nInterval = 0;  //!< seconds between samples
    qint32 m_nAddress = 0;   //!< record address: the request parameter and the records' m_nIndex
};

Q_DECLARE_METATYPE(LoggerListData)
