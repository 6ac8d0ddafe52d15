#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reads and writes for the waveform files, with the messages the
// user sees. Writes go through a temporary file that replaces the target only
// once everything is on disk, so a failed save leaves the old file intact and
// a file that cannot be created is not created at all.
class COscFileIo
{
public:
    // "Cannot save "path": reason." / "Cannot open "path": reason."
    static QString SaveError(const QString& strPath, const QString& strReason);
    static QString OpenError(const QString& strPath, const QString& strReason);

    static bool WriteAll(const QString& strPath, const QByteArray& data, QString* pstrError);
    // Reads the whole file when it holds at most nMaxBytes; otherwise fails
    // without reading (a device that never ends cannot fill memory).
    static bool ReadAll(const QString& strPath, qint64 nMaxBytes, QByteArray* pData, QString* pstrError);
};
