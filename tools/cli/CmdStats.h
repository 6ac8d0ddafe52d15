#pragma once

#include <QByteArray>
#include <QString>

class CMyTalvaDoc;
struct CSpanStatistics;

// multimeter-cli stats FILE.mLog [--from I] [--to J] [--format tsv|json]
//
// The figures of a recording's primary readings I..J (numbered from 1, as the data list and
// the export number them; the whole recording by default) in the recording's unit: unit,
// count, readings skipped (another quantity), overloads, minimum and maximum with their times,
// average, standard deviation, peak-to-peak, start and end time. The readings come from a
// document, so any source that makes one (a file today) can feed the same figures.
namespace StatsFigures {

// The figures as the verb prints them: a header line and a line of values (tsv), or one JSON
// object with the keys unit, count, skipped, overloads, min, min_time, max, max_time, average,
// std, peak_to_peak, start, end (json). Figures without a reading in them are empty (tsv) or
// null (json).
QByteArray Format(const CSpanStatistics& st, bool bJson);

// Readings nFrom..nTo (1-based; 0 for nTo: to the last) of doc as Format has them, or false
// with the reason when the recording has no such readings.
bool Figures(const CMyTalvaDoc& doc, qint64 nFrom, qint64 nTo, bool bJson, QByteArray* pOut, QString* pstrError);

} // namespace StatsFigures
