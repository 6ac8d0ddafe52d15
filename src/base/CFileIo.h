#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QFile;
class QIODevice;

// How the program writes and reads its files, and what it tells the user when that fails.
//
// Every file is written through a temporary file beside it that replaces the target only
// once every byte has reached the system: a full disk or a folder that cannot be written
// leaves what was there before and no temporary file. Reads take regular files only, since
// a FIFO or a device would block or never end. Any thread.
class CFileIo
{
public:
    // Writes the file's content into the device. False when it could not: the reason is
    // then *pstrReason when the writer set it, otherwise the device's error.
    using WriteFn = std::function<bool(QIODevice& device, QString* pstrReason)>;

    // "Cannot save "path": reason." / "Cannot open "path": reason."
    static QString SaveError(const QString& strPath, const QString& strReason);
    static QString OpenError(const QString& strPath, const QString& strReason);

    // Writes strPath whole or not at all; false with SaveError in *pstrError.
    static bool Save(const QString& strPath, const WriteFn& write, QString* pstrError);
    static bool SaveBytes(const QString& strPath, const QByteArray& data, QString* pstrError);

    // Opens file (its name set) for reading when it names a regular file; false with the
    // reason in the system's words or "it is not a regular file".
    static bool OpenForReading(QFile& file, QString* pstrReason);
    // Reads a whole regular file of at most nMaxBytes; otherwise fails without reading
    // more, with OpenError in *pstrError.
    static bool ReadAll(const QString& strPath, qint64 nMaxBytes, QByteArray* pData, QString* pstrError);
};
