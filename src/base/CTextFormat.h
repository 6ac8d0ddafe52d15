#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The text forms of machine-readable output: one JSON writer, TSV fields, fixed decimals and
// the receive time. The command line prints them and the publisher sends them, so a reading
// reads the same wherever it goes. Plain functions, usable from any thread.
namespace TextFormat {

// Shortest text that reads back as the same number (float or double); JSON has no NaN
// or infinity, so those are null.
QByteArray JsonNumber(double d);
QByteArray JsonNumber(float f);
QByteArray JsonString(const QString& str);

// A TSV field: tab, line breaks and backslash escaped as \t \n \r \\, other control
// characters as \xHH (\u00HH for the C1 controls). JsonString escapes them as \u00HH.
QByteArray TsvField(const QString& str);
// The number with a fixed count of decimals (0..9); beyond that the shortest form; nan, inf
// and -inf as such.
QByteArray Fixed(double d, int nDecimals);

// ISO 8601 with milliseconds and the local offset, e.g. 2025-03-14T09:30:00.125+01:00
// (+00:00 rather than Z).
QString IsoTime(const QDateTime& time);

}

// One JSON object on one line, fields in the order added.
class CJsonObject
{
public:
    CJsonObject& Text(const char* pszKey, const QString& str);
    CJsonObject& Number(const char* pszKey, double d);
    CJsonObject& Number(const char* pszKey, float f);
    CJsonObject& Integer(const char* pszKey, qint64 n);
    CJsonObject& Boolean(const char* pszKey, bool b);
    CJsonObject& Null(const char* pszKey);
    // A value already in JSON (an object or array written by another CJsonObject).
    CJsonObject& Raw(const char* pszKey, const QByteArray& json);
    QByteArray ToJson() const { return m_text + '}'; }

private:
    void Key(const char* pszKey);
    QByteArray m_text = QByteArrayLiteral("{");
};
