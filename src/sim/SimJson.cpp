#include "sim/SimJson.h"

#include <QJsonArray>

#include <cfloat>
#include <cmath>

namespace SimJson {

bool Fail(QString* pstrError, const QString& strText)
{
    if (pstrError)
        *pstrError = strText;
    return false;
}

bool ReadInt(const QJsonValue& value, const QString& strName, qint64 nMin, qint64 nMax, qint64* pn,
             QString* pstrError)
{
    const double d = value.toDouble();
    if (!value.isDouble() || d != std::floor(d))
        return Fail(pstrError, QStringLiteral("\"%1\" must be a whole number").arg(strName));
    if (d < double(nMin) || d > double(nMax))
        return Fail(pstrError, QStringLiteral("\"%1\" is %2, allowed %3 to %4").arg(strName).arg(d, 0, 'g', 12)
                                   .arg(nMin).arg(nMax));
    *pn = qint64(d);
    return true;
}

bool ReadInt(const QJsonValue& value, const QString& strName, int nMin, int nMax, int* pn, QString* pstrError)
{
    qint64 n = 0;
    if (!ReadInt(value, strName, qint64(nMin), qint64(nMax), &n, pstrError))
        return false;
    *pn = int(n);
    return true;
}

bool ReadDouble(const QJsonValue& value, const QString& strName, double* pd, QString* pstrError)
{
    if (!value.isDouble())
        return Fail(pstrError, QStringLiteral("\"%1\" must be a number").arg(strName));
    const double d = value.toDouble();
    // The frame carries single precision: a value beyond it would arrive as infinity.
    if (!std::isfinite(d) || std::fabs(d) > double(FLT_MAX))
        return Fail(pstrError, QStringLiteral("\"%1\" does not fit a 32-bit float").arg(strName));
    *pd = d;
    return true;
}

bool ReadBool(const QJsonValue& value, const QString& strName, bool* pb, QString* pstrError)
{
    if (!value.isBool())
        return Fail(pstrError, QStringLiteral("\"%1\" must be true or false").arg(strName));
    *pb = value.toBool();
    return true;
}

bool ReadClock(const QJsonValue& value, const QString& strName, CSimClock* pClock, QString* pstrError)
{
    const QJsonArray arr = value.toArray();
    if (!value.isArray() || arr.size() != 6)
        return Fail(pstrError, QStringLiteral("\"%1\" must be an array of 6 numbers: year (2 digits), month, day, "
                                              "hour, minute, second")
                                   .arg(strName));
    int arrFields[6] = {};
    for (int i = 0; i < 6; ++i)
        if (!ReadInt(arr[i], QStringLiteral("%1[%2]").arg(strName).arg(i), 0, 99, &arrFields[i], pstrError))
            return false;
    *pClock = CSimClock{arrFields[0], arrFields[1], arrFields[2], arrFields[3], arrFields[4], arrFields[5]};
    return true;
}

bool CheckKeys(const QJsonObject& obj, const QSet<QString>& allowed, const QString& strWhere, QString* pstrError)
{
    for (auto it = obj.begin(); it != obj.end(); ++it)
        if (!allowed.contains(it.key()))
            return Fail(pstrError, QStringLiteral("unknown key \"%1\"%2").arg(it.key(), strWhere));
    return true;
}

} // namespace SimJson
