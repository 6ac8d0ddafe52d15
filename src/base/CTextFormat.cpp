#include "base/CTextFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {
template<typename T>
QByteArray Shortest(T v)
{
    if (!std::isfinite(v))
        return QByteArrayLiteral("null");
    char sz[64];
    const auto result = std::to_chars(sz, sz + sizeof sz, v);
    return QByteArray(sz, int(result.ptr - sz));
}
}

namespace TextFormat {

QByteArray JsonNumber(double d)
{
    return Shortest(d);
}

QByteArray JsonNumber(float f)
{
    return Shortest(f);
}

QByteArray JsonString(const QString& str)
{
    const QByteArray utf8 = str.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out.append('"');
    for (const char c : utf8) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (uchar(c) < 0x20) {
                char sz[8];
                std::snprintf(sz, sizeof sz, "\\u%04x", unsigned(uchar(c)));
                out.append(sz);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
    return out;
}

QByteArray TsvField(const QString& str)
{
    QByteArray bytes = str.toUtf8();
    if (!bytes.contains('\t') && !bytes.contains('\n') && !bytes.contains('\r') && !bytes.contains('\\'))
        return bytes;
    return bytes.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r");
}

QByteArray Fixed(double d, int nDecimals)
{
    if (std::isnan(d))
        return QByteArrayLiteral("nan");
    if (std::isinf(d))
        return d > 0 ? QByteArrayLiteral("inf") : QByteArrayLiteral("-inf");
    if (nDecimals < 0 || nDecimals > 9)
        return Shortest(d);
    char sz[64];
    const int n = std::snprintf(sz, sizeof sz, "%.*f", nDecimals, d);
    // A huge value does not fit: fall back to the shortest form.
    if (n < 0 || n >= int(sizeof sz))
        return Shortest(d);
    return QByteArray(sz, n);
}

QString IsoTime(const QDateTime& time)
{
    // Always a numeric offset, "+00:00" too, so every line has the same form.
    const int nOffset = time.offsetFromUtc();
    const int nMinutes = qAbs(nOffset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
        + QStringLiteral("%1%2:%3").arg(nOffset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(nMinutes / 60, 2, 10, QLatin1Char('0')).arg(nMinutes % 60, 2, 10, QLatin1Char('0'));
}

}

void CJsonObject::Key(const char* pszKey)
{
    if (m_text.size() > 1)
        m_text += ',';
    m_text += '"';
    m_text += pszKey;
    m_text += "\":";
}

CJsonObject& CJsonObject::Text(const char* pszKey, const QString& str)
{
    Key(pszKey);
    m_text += TextFormat::JsonString(str);
    return *this;
}

CJsonObject& CJsonObject::Number(const char* pszKey, double d)
{
    Key(pszKey);
    m_text += TextFormat::JsonNumber(d);
    return *this;
}

CJsonObject& CJsonObject::Number(const char* pszKey, float f)
{
    Key(pszKey);
    m_text += TextFormat::JsonNumber(f);
    return *this;
}

CJsonObject& CJsonObject::Integer(const char* pszKey, qint64 n)
{
    Key(pszKey);
    m_text += QByteArray::number(n);
    return *this;
}

CJsonObject& CJsonObject::Boolean(const char* pszKey, bool b)
{
    Key(pszKey);
    m_text += b ? "true" : "false";
    return *this;
}

CJsonObject& CJsonObject::Null(const char* pszKey)
{
    Key(pszKey);
    m_text += "null";
    return *this;
}

CJsonObject& CJsonObject::Raw(const char* pszKey, const QByteArray& json)
{
    Key(pszKey);
    m_text += json;
    return *this;
}
