#pragma once

#include "base/CTextFormat.h"
#include "protocol/CDecodedReading.h"

#include <QByteArray>
#include <QDateTime>

// A decoded reading as machine-readable text: the TSV line of `monitor` (the same columns for
// every layout) and the JSON object of `monitor --format json` and of the published readings
// (the fields of the reading's layout). `received` is the computer's time of receipt. Any thread.
namespace ReadingFormat {

QByteArray TsvHeader();
QByteArray TsvLine(const CDecodedReading& d, const QDateTime& received);
// The object, open for more fields (the publisher adds the meter's address).
CJsonObject Json(const CDecodedReading& d, const QDateTime& received);
// The object and a line feed.
QByteArray JsonLine(const CDecodedReading& d, const QDateTime& received);

}
