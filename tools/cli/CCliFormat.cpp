#include "CCliFormat.h"

#include "base/CSpreadsheetText.h"

namespace CliFormat {

QByteArray CsvField(const QString& str)
{
    return CSpreadsheetText::CsvField(str).toUtf8();
}

}
