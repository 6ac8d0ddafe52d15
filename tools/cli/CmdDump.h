#pragma once

#include <QString>

class QIODevice;

// multimeter-cli dump FILE.mLog [--format tsv|json|csv]
//
// Writes a recording in strFormat to out: its statistics and every record of its arrays
// 0 and 1 (tsv, json), or its primary readings as the export CSV has them (csv).
// Returns the exit status: 0 done, 1 the file did not load or out refused a write, the
// reason then in *pstrError.
// strShownPath is the name the json output gives the file (strPath when empty).
int DumpFile(const QString& strPath, const QString& strFormat, QIODevice& out, QString* pstrError,
             const QString& strShownPath = QString());
