#pragma once

#include <QByteArray>
#include <QString>

class CMyTalvaDoc;
class CObData;
class QDateTime;
class QIODevice;

// The primary readings of a recording as files for other programs. Secondary readings
// (array 1) are never exported.
//
// ".xls": the tab-separated UTF-16LE text spreadsheets have always been given: the
// byte-order mark FF FE, lines ending in a tab and a single line feed,
//   StartTime / Max (value @ time) / Min (value @ time) / Average / EndTime,
//   "ID  Unit  Value  Type  DateTime", then one line per reading numbered from 1,
//   values "%.4f", "OL" only for +500000.0 (-500000.0 is written as a number).
// ".csv": RFC 4180 for tools that do not read UTF-16: UTF-8 without a mark, CR LF line
//   ends, a header row "ID,Time,Value,Unit,Type", fields quoted when they hold a comma
//   or a quote; "OL" for both overload values.
// Texts (units, types, times) go into both as CSpreadsheetText cells: one that begins
// like a formula gets an apostrophe, control characters become spaces.
//
// A record that a loaded file left null is skipped; the others keep their numbers.
// Files are written whole or not at all: a failure leaves no file and no partial one.
class CReadingsExport
{
public:
    // "%d-%d-%d %d-%d.xls" of year, month, day, hour and minute, without leading zeros.
    static QString DefaultXlsName(const QDateTime& now);
    static QString XlsFilter() { return QStringLiteral("Data File(*.xls)"); }
    static QString XlsSuffix() { return QStringLiteral("xls"); }

    // False when every element of array 0 is null (or there is none): nothing to export.
    static bool HasReadings(const CMyTalvaDoc& doc);

    static QByteArray XlsBytes(const CMyTalvaDoc& doc);
    static QByteArray CsvBytes(const CMyTalvaDoc& doc);
    // The same into an open device; false when the device refused bytes.
    static bool WriteXls(const CMyTalvaDoc& doc, QIODevice& device);
    static bool WriteCsv(const CMyTalvaDoc& doc, QIODevice& device);

    // False with "Cannot save ...: reason." in *pstrError when the file cannot be written.
    static bool SaveXls(const QString& strPath, const CMyTalvaDoc& doc, QString* pstrError);
    static bool SaveCsv(const QString& strPath, const CMyTalvaDoc& doc, QString* pstrError);

    // The CSV's header line and the line of the reading numbered nId (both with CR LF);
    // `multimeter-cli dump --format csv` writes the same lines.
    static QByteArray CsvHeader();
    static QByteArray CsvLine(qsizetype nId, const CObData& ob);
};
