#include "protocol/CLiveRecorder.h"

#include "base/LogCategories.h"
#include "document/CDocumentSeries.h"
#include "document/CMyTalvaDoc.h"

#include <QStringList>

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

CLiveRecorder::CLiveRecorder(const QString& strPath, QObject* pParent)
    : QObject(pParent)
    , m_strFirst(CDocumentSeries::PartPath(strPath, 1))
{
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
    return CDocumentSeries::PartPath(m_strFirst, nFile);
}

QStringList CLiveRecorder::ExistingFiles() const
{
    QStringList found;
    if (QFileInfo::exists(m_strFirst))
        found << m_strFirst;
    return found + CDocumentSeries::ExistingContinuations(m_strFirst);
}

bool CLiveRecorder::RemoveOldContinuations(QString* pstrError)
{
    Q_ASSERT(m_pLock);
    for (const QString& strPath : CDocumentSeries::ExistingContinuations(m_strFirst)) {
        QFile file(strPath);
        if (!file.remove()) {
            if (pstrError)
                *pstrError = QStringLiteral("cannot remove %1 of the earlier recording: %2").arg(strPath, file.errorString());
            return false;
        }
        qCInfo(LogRecord, "removed %s of the earlier recording", qUtf8Printable(strPath));
    }
    return true;
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
    if (m_pDoc && CRecordingRules::CheckLive(*m_pDoc, r.m_strFunction, m_nMaxRecords) != CRecordingRules::LiveCheck::Record)
        CloseFile();
    if (!m_pDoc)
        StartFile();

    CRecordingRules::AddLive(*m_pDoc, r, decoded.strTime);
    ++m_nTotal;
    return true;
}
