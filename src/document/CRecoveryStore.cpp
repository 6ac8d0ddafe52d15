#include "document/CRecoveryStore.h"

#include "base/CFileIo.h"
#include "document/CMyTalvaDoc.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>

struct CRecoveryStore::CCopy
{
    CMyTalvaDoc doc;
    QString strTitle;
    bool bTitleWritten = false;
    bool bComplete = true;
    bool bDirty = false;
};

CRecoveryStore::CRecoveryStore(const QString& strRoot)
    : m_strRoot(strRoot)
{
}

CRecoveryStore::~CRecoveryStore()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_cvWork.notify_all();
        m_thread.join();
    }
    qDeleteAll(m_jobs);
    if (m_strSession.isEmpty())
        return;
    QDir session(m_strSession);
    if (session.entryList({QStringLiteral("*.mLog")}, QDir::Files).isEmpty()) {
        m_pLock.reset();
        session.removeRecursively();
    }
}

QString CRecoveryStore::DataFileName(int nId)
{
    return QStringLiteral("%1.mLog").arg(nId);
}

QString CRecoveryStore::TitleFileName(int nId)
{
    return QStringLiteral("%1.title").arg(nId);
}

QString CRecoveryStore::LockFileName()
{
    return QStringLiteral("session.lock");
}

bool CRecoveryStore::OpenSession()
{
    if (!m_strSession.isEmpty())
        return true;
    const QString strName = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(
        QDateTime::currentMSecsSinceEpoch());
    const QString strSession = QDir(m_strRoot).filePath(strName);
    if (!QDir().mkpath(strSession)) {
        SetError(QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(strSession)));
        return false;
    }
    auto pLock = std::make_unique<QLockFile>(QDir(strSession).filePath(LockFileName()));
    // Held for hours without being touched: only a holder that has gone makes it stale.
    pLock->setStaleLockTime(0);
    if (!pLock->tryLock(0)) {
        SetError(QStringLiteral("the lock file in %1 cannot be made").arg(QDir::toNativeSeparators(strSession)));
        return false;
    }
    m_pLock = std::move(pLock);
    m_strSession = strSession;
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool CRecoveryStore::Write(int nId, const CMyTalvaDoc& doc, const QString& strTitle)
{
    if (!OpenSession())
        return false;
    CSent& sent = m_sent[nId];
    auto pJob = std::make_unique<CJob>();
    pJob->nId = nId;
    pJob->strTitle = strTitle;
    for (int i = 0; i < CMyTalvaDoc::kArrayCount; ++i) {
        if (doc.m_arrData[i].size() < sent.nSent[i])
            pJob->bRestart = true;
    }
    if (pJob->bRestart)
        sent = CSent();
    qsizetype nBudget = kMaxCopyPerWrite;
    for (int i = 0; i < CMyTalvaDoc::kArrayCount; ++i) {
        const CRecordArray& arr = doc.m_arrData[i];
        const qsizetype nEnd = qMin(arr.size(), sent.nSent[i] + nBudget);
        pJob->arrNew[i].Append(arr, sent.nSent[i], nEnd);
        nBudget -= nEnd - sent.nSent[i];
        sent.nSent[i] = nEnd;
        if (nEnd < arr.size())
            pJob->bComplete = false;
    }
    CStatistics& s = pJob->stats;
    s.dSum = doc.m_dSum;
    s.dAverage = doc.m_dAverage;
    s.dMax = doc.m_dMax;
    s.dMin = doc.m_dMin;
    s.dSampleRate = doc.m_dSampleRate;
    s.strMaxTime = doc.m_strMaxTime;
    s.strMinTime = doc.m_strMinTime;
    s.strStartTime = doc.m_strStartTime;
    s.strEndTime = doc.m_strEndTime;
    s.strType = doc.m_strType;
    s.nCount = doc.m_nCount;
    {
        std::lock_guard lock(m_mutex);
        m_jobs.append(pJob.release());
    }
    m_cvWork.notify_one();
    return true;
}

void CRecoveryStore::Remove(int nId)
{
    if (m_sent.erase(nId) == 0 || m_strSession.isEmpty())
        return;
    auto pJob = std::make_unique<CJob>();
    pJob->nId = nId;
    pJob->bRemove = true;
    {
        std::lock_guard lock(m_mutex);
        m_jobs.append(pJob.release());
    }
    m_cvWork.notify_one();
}

void CRecoveryStore::Flush()
{
    std::unique_lock lock(m_mutex);
    m_cvIdle.wait(lock, [this] { return !m_thread.joinable() || (m_jobs.isEmpty() && !m_bBusy); });
}

QString CRecoveryStore::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_strError;
}

qint64 CRecoveryStore::FilesWritten() const
{
    std::lock_guard lock(m_mutex);
    return m_nFilesWritten;
}

void CRecoveryStore::SetError(const QString& strError)
{
    std::lock_guard lock(m_mutex);
    m_strError = strError;
}

void CRecoveryStore::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cvWork.wait(lock, [this] { return m_bStop || !m_jobs.isEmpty(); });
        if (m_jobs.isEmpty() && m_bStop)
            break;
        // Everything queued so far is applied before anything is written, so a burst of
        // updates of one document costs one write.
        const QList<CJob*> jobs = std::exchange(m_jobs, {});
        m_bBusy = true;
        lock.unlock();
        for (CJob* pJob : jobs) {
            Apply(*pJob);
            delete pJob;
        }
        for (auto& [nId, pCopy] : m_copies) {
            if (pCopy->bDirty && pCopy->bComplete)
                WriteCopy(nId);
        }
        lock.lock();
        m_bBusy = false;
        if (m_jobs.isEmpty())
            m_cvIdle.notify_all();
    }
    lock.unlock();
    m_copies.clear(); // the copies' documents belong to this thread
    lock.lock();
    m_cvIdle.notify_all();
}

void CRecoveryStore::Apply(CJob& job)
{
    const QDir session(m_strSession);
    if (job.bRemove) {
        m_copies.erase(job.nId);
        QFile::remove(session.filePath(DataFileName(job.nId)));
        QFile::remove(session.filePath(TitleFileName(job.nId)));
        return;
    }
    std::unique_ptr<CCopy>& pCopy = m_copies[job.nId];
    if (!pCopy)
        pCopy = std::make_unique<CCopy>();
    CMyTalvaDoc& doc = pCopy->doc;
    if (job.bRestart)
        doc.DeleteContents();
    for (int i = 0; i < CMyTalvaDoc::kArrayCount; ++i) {
        doc.m_arrData[i].Append(job.arrNew[i], 0, job.arrNew[i].size());
        job.arrNew[i].Clear();
    }
    doc.InvalidateSummary();
    const CStatistics& s = job.stats;
    doc.m_dSum = s.dSum;
    doc.m_dAverage = s.dAverage;
    doc.m_dMax = s.dMax;
    doc.m_dMin = s.dMin;
    doc.m_dSampleRate = s.dSampleRate;
    doc.m_strMaxTime = s.strMaxTime;
    doc.m_strMinTime = s.strMinTime;
    doc.m_strStartTime = s.strStartTime;
    doc.m_strEndTime = s.strEndTime;
    doc.m_strType = s.strType;
    doc.m_nCount = s.nCount;
    if (pCopy->strTitle != job.strTitle) {
        pCopy->strTitle = job.strTitle;
        pCopy->bTitleWritten = false;
    }
    pCopy->bComplete = job.bComplete;
    pCopy->bDirty = true;
}

void CRecoveryStore::WriteCopy(int nId)
{
    CCopy& copy = *m_copies.at(nId);
    const QDir session(m_strSession);
    if (!copy.bTitleWritten) {
        QString strError;
        if (!CFileIo::SaveBytes(session.filePath(TitleFileName(nId)), copy.strTitle.toUtf8(), &strError)) {
            SetError(strError);
            return;
        }
        copy.bTitleWritten = true;
    }
    QString strError;
    if (!copy.doc.SaveFile(session.filePath(DataFileName(nId)), &strError)) {
        SetError(strError);
        return;
    }
    copy.bDirty = false;
    std::lock_guard lock(m_mutex);
    m_strError.clear();
    ++m_nFilesWritten;
}
