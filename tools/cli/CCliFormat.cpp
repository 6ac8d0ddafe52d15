#include "CCliFormat.h"

#include "document/CReadingsExport.h"

namespace CliFormat {

QByteArray CsvField(const QString& str)
{
    return CReadingsExport::CsvField(str).toUtf8();
}

}
