#pragma once

#include "base/CTextFormat.h"

#include <QByteArray>
#include <QString>

// The text forms every verb's machine-readable output uses: the core's JSON writer, TSV
// fields and receive time (base/CTextFormat), and CSV fields.
namespace CliFormat {

using namespace TextFormat;

// A CSV text cell (CSpreadsheetText::CsvField) in UTF-8.
QByteArray CsvField(const QString& str);

}
