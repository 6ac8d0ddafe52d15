#pragma once

#include "scope/OscRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

class CArchive;

// The ".osc" waveform file: a 32-bit version (0) and one record in the object
// archive's byte forms (little-endian numbers, UTF-16 strings), ending with the
// 300 sample floats and the 120 bar floats.
//
// Loading reads the whole file into memory first (it is small: the size is
// capped) and CArchive checks every string length against the bytes left, so
// no file can make the reader allocate more than it holds.
class COscFile
{
public:
    static constexpr qint32 kVersion = 0;
    static constexpr qint64 kMaxFileBytes = 1 << 20;

    static QString Extension() { return QStringLiteral(".osc"); }
    static QString FilterName() { return QStringLiteral("Data File(*.osc)"); }
    // "year-month-day hour-minute-second.osc" of the given local time, no zero padding.
    static QString ProposedFileName(const QDateTime& now);

    // The record's fields in file order. The trigger level and the status share
    // one int32: level << 3 | status, so only status 0..7 survives (higher bits are dropped).
    static void Store(CArchive& ar, const OscRecord& record);
    // Reads one record; false with the reason in ar.ErrorString().
    static bool Load(CArchive& ar, OscRecord* pRecord);

    static QByteArray SaveBytes(const OscRecord& record);
    // Writes through a temporary file that replaces strPath only once complete, so a
    // failure leaves what was there before; false with a message for the user.
    static bool SaveFile(const QString& strPath, const OscRecord& record, QString* pstrError);

    // The waveform a file holds, or nothing with the reason. Bytes after the record
    // are ignored.
    static std::optional<OscRecord> LoadBytes(const QByteArray& data, QString* pstrError);
    static std::optional<OscRecord> LoadFile(const QString& strPath, QString* pstrError);
};
