#pragma once

#include "base/CTextFormat.h"

#include <QByteArray>
#include <QString>

// The text forms every verb's machine-readable output uses: the core's JSON writer, TSV
// fields and receive time (base/CTextFormat), and CSV fields.
namespace CliFormat {

using namespace TextFormat;

// An RFC 4180 field: quoted when it holds a comma, quote or line break.
QByteArray CsvField(const QString& str);

}
