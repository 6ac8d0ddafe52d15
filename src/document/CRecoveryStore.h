#pragma once

#include "document/CRecordArray.h"

#include <QList>
#include <QString>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class CMyTalvaDoc;
class CObData;
class QLockFile;

// Copies of unsaved recordings, kept as recording files in a session folder of their own so
// that a crash or a pulled plug loses at most the readings since the last write.
//
// Write() runs on the caller's thread (the GUI thread) and only copies the records a document
// gained since its last Write; a writer thread of the store serialises the documents and
// replaces their files (through a temporary file, so a file is always whole).
//
// The session folder (ROOT/<pid>-<time>) is made on the first Write and holds a lock file for
// as long as the store lives; the store removes it when it goes and no copy is left in it.
// A folder whose lock nobody holds belongs to a program that ended without cleaning up:
// CRecoveredSessions finds those.
class CRecoveryStore
{
public:
    //! Records copied by one Write at most, so that one call never holds the caller for long;
    //! a document with more is written once a later Write has copied the rest.
    static constexpr qsizetype kMaxCopyPerWrite = 50000;

    explicit CRecoveryStore(const QString& strRoot);
    ~CRecoveryStore();
    CRecoveryStore(const CRecoveryStore&) = delete;
    CRecoveryStore& operator=(const CRecoveryStore&) = delete;

    // Queues the copy of document nId (any number the caller keeps for it) under strTitle:
    // the records it gained since the last Write, and its statistics. A document whose arrays
    // shrank is copied again from the start. False when the session folder cannot be made
    // (LastError() says why).
    bool Write(int nId, const CMyTalvaDoc& doc, const QString& strTitle);
    // The document was saved or discarded: its copy goes.
    void Remove(int nId);
    // Returns once every queued write and removal is done.
    void Flush();

    QString SessionPath() const { return m_strSession; }
    // The reason the latest write failed, or empty when the latest write succeeded. Any thread.
    QString LastError() const;
    // Files written since the start (tests watch a copy grow).
    qint64 FilesWritten() const;

    // The file names of one copy in a session folder.
    static QString DataFileName(int nId);
    static QString TitleFileName(int nId);
    static QString LockFileName();

private:
    struct CStatistics
    {
        double dSum = 0.0, dAverage = 0.0, dMax = 0.0, dMin = 0.0, dSampleRate = 0.0;
        QString strMaxTime, strMinTime, strStartTime, strEndTime, strType;
        qint32 nCount = 0;
    };
    struct CJob
    {
        int nId = 0;
        bool bRemove = false;
        bool bRestart = false; //!< the arrays start again from nothing
        bool bComplete = true; //!< every record is copied: the file may be written
        QString strTitle;
        CRecordArray arrNew[3]; //!< copies, handed to the writer
        CStatistics stats;
    };
    struct CSent
    {
        qsizetype nSent[3] = {0, 0, 0};
    };

    bool OpenSession();
    void Run();
    void Apply(CJob& job);
    void WriteCopy(int nId);
    void SetError(const QString& strError);

    QString m_strRoot;
    QString m_strSession;                   //!< set on the caller's thread before the writer starts
    std::unique_ptr<QLockFile> m_pLock;
    std::map<int, CSent> m_sent;            //!< caller's thread only

    mutable std::mutex m_mutex;             //!< guards m_jobs, m_bStop, m_bBusy, m_strError, m_nFilesWritten
    std::condition_variable m_cvWork;       //!< jobs arrived or stop
    std::condition_variable m_cvIdle;       //!< the queue ran dry
    QList<CJob*> m_jobs;
    bool m_bStop = false;
    bool m_bBusy = false;
    QString m_strError;
    qint64 m_nFilesWritten = 0;

    struct CCopy;
    std::map<int, std::unique_ptr<CCopy>> m_copies; //!< writer thread only
    std::thread m_thread;                   //!< started by the first Write
};
