#include "base/CTextFormat.h"

#include "base/CSpreadsheetText.h"

#include <algorithm>
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

// Backslash escapes of a text from a file or the meter. Control characters never go out raw:
// an escape sequence could drive the terminal. JSON also escapes the quote and writes other
// controls as \u00XX; TSV writes them as \xXX below 0x80.
QString Escaped(const QString& str, bool bJson)
{
    QString strOut;
    strOut.reserve(str.size() + 2);
    for (const QChar c : str) {
        switch (c.unicode()) {
        case u'\\': strOut += QLatin1String("\\\\"); break;
        case u'\n': strOut += QLatin1String("\\n"); break;
        case u'\r': strOut += QLatin1String("\\r"); break;
        case u'\t': strOut += QLatin1String("\\t"); break;
        default:
            if (c == u'"' && bJson)
                strOut += QLatin1String("\\\"");
            else if (!CSpreadsheetText::IsControl(c))
                strOut += c;
            else {
                const bool bWide = bJson || c.unicode() >= 0x80;
                strOut += (bWide ? QStringLiteral("\\u%1") : QStringLiteral("\\x%1"))
                              .arg(uint(c.unicode()), bWide ? 4 : 2, 16, QLatin1Char('0'));
            }
        }
    }
    return strOut;
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
    return '"' + Escaped(str, true).toUtf8() + '"';
}

QByteArray TsvField(const QString& str)
{
    if (std::none_of(str.begin(), str.end(), [](QChar c) { return c == u'\\' || CSpreadsheetText::IsControl(c); }))
        return str.toUtf8();
    return Escaped(str, false).toUtf8();
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
