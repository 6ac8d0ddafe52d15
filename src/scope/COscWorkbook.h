#pragma once

#include "scope/OscRecord.h"

#include <QString>

// The spreadsheet export of a waveform: an .xlsx workbook with one sheet,
// "DataSheet", laid out as the program has always exported it:
//
//   row 1..6  "DateTime", "Voo", "Vp-p", "Sample Rate", "Status", "Trigger" in
//             column A, their values in column C
//   row 7     "ID", "Value" (C), "Frequency" (D, spectrum only)
//   row 8+i   i + 1 (A), point i to 4 decimals (C); for the spectrum the bar's
//             frequency (D) and its unit (E)
//
// Point values and bar frequencies are numbers shown with the decimals of their
// text form ("0.0000", "0.00", ...), so the sheet reads as before and still
// computes; a value that is no finite number is written as its text.
class COscWorkbook
{
public:
    static QString SheetName() { return QStringLiteral("DataSheet"); }
    static constexpr int kFirstPointRow = 8; // counted from 1, as the sheet shows

    // Writes the workbook whole or not at all; false with a message for the user.
    static bool SaveFile(const QString& strPath, const OscRecord& record, bool bSpectrum, QString* pstrError);
};
