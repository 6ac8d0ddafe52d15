#pragma once

#include "sim/CSimClock.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>

// Readers for the fields of scenario files. Each checks type and range and,
// on a fault, returns false with a message naming the key.
namespace SimJson {

bool Fail(QString* pstrError, const QString& strText);
bool ReadInt(const QJsonValue& value, const QString& strName, qint64 nMin, qint64 nMax, qint64* pn,
             QString* pstrError);
bool ReadInt(const QJsonValue& value, const QString& strName, int nMin, int nMax, int* pn, QString* pstrError);
// A number that fits a 32-bit float (what the frames carry).
bool ReadDouble(const QJsonValue& value, const QString& strName, double* pd, QString* pstrError);
bool ReadBool(const QJsonValue& value, const QString& strName, bool* pb, QString* pstrError);
// [year, month, day, hour, minute, second], two digits each; impossible dates allowed.
bool ReadClock(const QJsonValue& value, const QString& strName, CSimClock* pClock, QString* pstrError);
// Fails on the first key of obj that allowed lacks; strWhere ends the message.
bool CheckKeys(const QJsonObject& obj, const QSet<QString>& allowed, const QString& strWhere, QString* pstrError);

} // namespace SimJson
