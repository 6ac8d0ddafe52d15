#include "protocol/CLiveRecorder.h"

#include "base/LogCategories.h"
#include "document/CDocumentType.h"
#include "document/CMyTalvaDoc.h"

#include <QStringList>

#include <QFileInfo>
#include <QLockFile>

CLiveRecorder::CLiveRecorder(const QString& strPath, QObject* pParent)
    : QObject(pParent)
{
    const QFileInfo info(strPath);
    const QString strSuffix = info.suffix();
    if (strSuffix.isEmpty()) {
        m_strBase = strPath;
        m_strExtension = DocumentType::Extension();
    } else {
        m_strBase = strPath.left(strPath.size() - strSuffix.size() - 1);
        m_strExtension = QLatin1Char('.') + strSuffix;
    }
}

CLiveRecorder::~CLiveRecorder() = default;

QString CLiveRecorder::LockPath() const
{
    return FilePath(1) + QStringLiteral(".lock");
}

bool CLiveRecorder::Lock(QString* pstrError)
{
    auto pLock = std::make_unique<QLockFile>(LockPath());
    // Held for hours without being touched: only a holder that has gone makes it stale.
    pLock->setStaleLockTime(0);
    if (pLock->tryLock(0)) {
        m_pLock = std::move(pLock);
        return true;
    }
    if (pstrError) {
        qint64 nPid = 0;
        QString strHost, strApp;
        if (pLock->error() == QLockFile::LockFailedError && pLock->getLockInfo(&nPid, &strHost, &strApp))
            *pstrError = QStringLiteral("%1 is being recorded by another process (pid %2); its lock is %3")
                             .arg(FilePath(1)).arg(nPid).arg(LockPath());
        else
            *pstrError = QStringLiteral("cannot lock %1: the lock file %2 cannot be made").arg(FilePath(1), LockPath());
    }
    return false;
}

QStringList CLiveRecorder::UnsavedFiles() const
{
    QStringList files;
    for (const CUnsaved& u : m_unsaved)
        files << u.strPath;
    return files;
}

QString CLiveRecorder::FilePath(int nFile) const
{
    return nFile <= 1 ? m_strBase + m_strExtension : QStringLiteral("%1-%2%3").arg(m_strBase).arg(nFile).arg(m_strExtension);
}

int CLiveRecorder::RecordsInFile() const
{
    return m_pDoc ? int(m_pDoc->m_arrData[0].size()) : 0;
}

void CLiveRecorder::StartFile()
{
    ++m_nFile;
    m_pDoc = std::make_unique<CMyTalvaDoc>();
    qCInfo(LogRecord, "recording into %s", qUtf8Printable(CurrentPath()));
    emit FileStarted(CurrentPath());
}

bool CLiveRecorder::CloseFile()
{
    if (!m_pDoc)
        return true;
    m_pDoc->m_bLive = false;
    const bool bSaved = SaveOne(*m_pDoc, CurrentPath());
    qCInfo(LogRecord, "recording into %s stopped: %d readings", qUtf8Printable(CurrentPath()), RecordsInFile());
    emit FileClosed(CurrentPath(), RecordsInFile());
    if (bSaved)
        m_pDoc.reset();
    else
        m_unsaved.push_back({ CurrentPath(), std::move(m_pDoc) }); // saved again by the next Save
    return bSaved;
}

bool CLiveRecorder::SaveOne(const CMyTalvaDoc& doc, const QString& strPath)
{
    QString strError;
    if (doc.SaveFile(strPath, &strError))
        return true;
    ++m_nFailedSaves;
    qCWarning(LogRecord, "%s", qUtf8Printable(strError));
    // The document's message names the file.
    emit FileError(QStringLiteral("%1 Its %2 readings are kept in memory and saved again.")
                       .arg(strError).arg(doc.m_arrData[0].size()));
    return false;
}

bool CLiveRecorder::Save()
{
    bool bAll = true;
    for (auto it = m_unsaved.begin(); it != m_unsaved.end();) {
        if (SaveOne(*it->pDoc, it->strPath)) {
            it = m_unsaved.erase(it);
        } else {
            bAll = false;
            ++it;
        }
    }
    if (m_pDoc && !SaveOne(*m_pDoc, CurrentPath()))
        bAll = false;
    return bAll;
}

bool CLiveRecorder::Record(const CDecodedReading& decoded)
{
    if (!decoded.bSeries8Frame)
        return false;
    const MeterReading r = CRecordingRules::LiveReading(decoded);
    // A new function or a full file starts the next file; the reading that
    // caused it is its first record rather than being dropped.
    if (m_pDoc && CRecordingRules::CheckLive(*m_pDoc, r.m_strFunction) != CRecordingRules::LiveCheck::Record)
        CloseFile();
    if (!m_pDoc)
        StartFile();

    m_pDoc->AddReading(0, r.m_strUnit, RecordsInFile(), decoded.strTime, r.m_strFunction, double(r.m_fValue), 0.0,
                       r.m_fRange, r.m_fValue);
    ++m_nTotal;
    return true;
}
