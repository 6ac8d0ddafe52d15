#pragma once

#include <QString>

// Text from a recording or the meter as a cell of a spreadsheet file (.xls text, CSV), so
// that it stays one cell of plain text whatever it holds: a text beginning with '=', '+',
// '-' or '@' gets a leading apostrophe (a spreadsheet would take it for a formula) and
// control characters, tabs and line breaks among them, become spaces (they would end the
// cell or the row). Any other text is left exactly as it is. For text cells only: numbers
// are written as they are.
class CSpreadsheetText
{
public:
    static QString Cell(const QString& str);
    // Only the control characters as spaces, for text inside a cell that begins otherwise.
    static QString WithoutControls(const QString& str);
    // C0, DEL and the C1 controls (an 8-bit text from a file can hold those too).
    static bool IsControl(QChar c)
    {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0);
    }
    // Cell(), then an RFC 4180 field: quoted (quotes doubled) when it holds a comma or a quote.
    static QString CsvField(const QString& str);
};
