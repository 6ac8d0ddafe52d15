#include "scope/COscFileIo.h"

#include "base/LogCategories.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

bool Fail(QString* pstrError, const QString& strText)
{
    if (pstrError)
        *pstrError = strText;
    return false;
}

} // namespace

QString COscFileIo::SaveError(const QString& strPath, const QString& strReason)
{
    return QStringLiteral("Cannot save \"%1\": %2.").arg(QDir::toNativeSeparators(strPath), strReason);
}

QString COscFileIo::OpenError(const QString& strPath, const QString& strReason)
{
    return QStringLiteral("Cannot open \"%1\": %2.").arg(QDir::toNativeSeparators(strPath), strReason);
}

bool COscFileIo::WriteAll(const QString& strPath, const QByteArray& data, QString* pstrError)
{
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(pstrError, SaveError(strPath, file.errorString()));
    if (file.write(data) != data.size()) {
        const QString strReason = file.errorString();
        file.cancelWriting();
        return Fail(pstrError, SaveError(strPath, strReason));
    }
    if (!file.commit())
        return Fail(pstrError, SaveError(strPath, file.errorString()));
    qCInfo(LogScope, "saved %s (%lld bytes)", qUtf8Printable(QDir::toNativeSeparators(strPath)), qlonglong(data.size()));
    return true;
}

bool COscFileIo::ReadAll(const QString& strPath, qint64 nMaxBytes, QByteArray* pData, QString* pstrError)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(pstrError, OpenError(strPath, file.errorString()));
    if (file.size() > nMaxBytes)
        return Fail(pstrError, OpenError(strPath, QStringLiteral("the file is %1 bytes long, more than %2")
                                                      .arg(file.size())
                                                      .arg(nMaxBytes)));
    // One byte beyond the limit tells a device that reports no size from a file too large.
    QByteArray data = file.read(nMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Fail(pstrError, OpenError(strPath, file.errorString()));
    if (data.size() > nMaxBytes)
        return Fail(pstrError, OpenError(strPath, QStringLiteral("the file is more than %1 bytes long").arg(nMaxBytes)));
    *pData = data;
    qCInfo(LogScope, "opened %s", qUtf8Printable(QDir::toNativeSeparators(strPath)));
    return true;
}
