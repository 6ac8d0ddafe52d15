#include "base/CFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool Fail(QString* pstrError, const QString& strText)
{
    if (pstrError)
        *pstrError = strText;
    return false;
}

// Hands every byte on to the file, again after a short write: the system gives its reason
// (a full disk, a file too large) only for a write that wrote nothing, and a short write
// left as it is would be reported as an unknown error.
class CWholeWriter : public QIODevice
{
public:
    explicit CWholeWriter(QFileDevice& file) : m_file(file) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* pData, qint64 nBytes) override
    {
        for (qint64 nDone = 0; nDone < nBytes;) {
            const qint64 n = m_file.write(pData + nDone, nBytes - nDone);
            if (n <= 0) {
                setErrorString(m_file.errorString());
                return -1;
            }
            nDone += n;
        }
        return nBytes;
    }

private:
    QFileDevice& m_file;
};

// "path": reason. with one full stop, whether or not the reason brought its own.
QString FileMessage(const char* pszWhat, const QString& strPath, QString strReason)
{
    while (strReason.endsWith(QLatin1Char('.')))
        strReason.chop(1);
    return QStringLiteral("%1 \"%2\": %3.").arg(QLatin1String(pszWhat), QDir::toNativeSeparators(strPath), strReason);
}

} // namespace

QString CFileIo::SaveError(const QString& strPath, const QString& strReason)
{
    return FileMessage("Cannot save", strPath, strReason);
}

QString CFileIo::OpenError(const QString& strPath, const QString& strReason)
{
    return FileMessage("Cannot open", strPath, strReason);
}

bool CFileIo::Save(const QString& strPath, const WriteFn& write, QString* pstrError)
{
    QSaveFile file(strPath);
    // Unbuffered: every write reaches the system at once and fails there with its reason,
    // none is left for commit(), which does not report a failure to write it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Fail(pstrError, SaveError(strPath, file.errorString()));
    CWholeWriter device(file);
    QString strReason;
    if (!write(device, &strReason) || file.error() != QFileDevice::NoError) {
        if (strReason.isEmpty())
            strReason = device.errorString().isEmpty() ? file.errorString() : device.errorString();
        file.cancelWriting();
        return Fail(pstrError, SaveError(strPath, strReason));
    }
    if (!file.commit())
        return Fail(pstrError, SaveError(strPath, file.errorString()));
    return true;
}

bool CFileIo::SaveBytes(const QString& strPath, const QByteArray& data, QString* pstrError)
{
    return Save(strPath, [&data](QIODevice& device, QString*) { return device.write(data) == data.size(); }, pstrError);
}

bool CFileIo::OpenForReading(QFile& file, QString* pstrReason)
{
    // Checked before the open, which would wait for a writer on a FIFO.
    const QFileInfo info(file.fileName());
    if (info.isDir())
        return Fail(pstrReason, QStringLiteral("it is a folder"));
    if (info.exists() && !info.isFile())
        return Fail(pstrReason, QStringLiteral("it is not a regular file"));
    if (!file.open(QIODevice::ReadOnly))
        return Fail(pstrReason, file.errorString());
    return true;
}

bool CFileIo::ReadAll(const QString& strPath, qint64 nMaxBytes, QByteArray* pData, QString* pstrError)
{
    QFile file(strPath);
    QString strReason;
    if (!OpenForReading(file, &strReason))
        return Fail(pstrError, OpenError(strPath, strReason));
    if (file.size() > nMaxBytes)
        return Fail(pstrError, OpenError(strPath, QStringLiteral("the file is %1 bytes long, more than %2")
                                                      .arg(file.size())
                                                      .arg(nMaxBytes)));
    // One byte beyond the limit tells a file that grew since from one that fits.
    QByteArray data = file.read(nMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Fail(pstrError, OpenError(strPath, file.errorString()));
    if (data.size() > nMaxBytes)
        return Fail(pstrError, OpenError(strPath, QStringLiteral("the file is more than %1 bytes long").arg(nMaxBytes)));
    *pData = data;
    return true;
}
