#pragma once

#include "protocol/CDecodedReading.h"
#include "protocol/CRecordingRules.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class CMyTalvaDoc;
class QLockFile;

// Live recording without a window: every series-8 reading becomes a primary
// record of the current document, which is kept in a file. A change of
// function or a full document closes the file and starts the next one
// (FILE.mLog, FILE-2.mLog, FILE-3.mLog, ...). Readings beyond the range are
// stored as the overload values. A file that cannot be saved when the next
// one starts stays in memory and is saved again with every Save. Lives on one
// thread (the receiver's).
class CLiveRecorder : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxRecords = CRecordingRules::kMaxLiveRecords;
    //! How often a recording is written while it runs, unless told otherwise.
    static constexpr int kAutosaveSeconds = 10;

    explicit CLiveRecorder(const QString& strPath, QObject* pParent = nullptr);
    ~CLiveRecorder() override;

    // Claims the output for this recorder: a lock file beside the first file,
    // so a second recorder on the same output refuses instead of overwriting.
    // False with a reason when another recorder holds it or it cannot be made.
    bool Lock(QString* pstrError);
    QString LockPath() const;

    // Records one decoded reading; false when it is not a live (series-8) reading.
    bool Record(const CDecodedReading& decoded);
    // Writes the current document and every earlier one not saved yet; false
    // (and FileError for each) on failure, the records staying in memory for
    // the next try.
    bool Save();
    // Saves that have failed since the start, counted even when a later try succeeded.
    int FailedSaves() const { return m_nFailedSaves; }
    // Files whose records are only in memory.
    QStringList UnsavedFiles() const;

    // The files this recorder would overwrite: the first file and every FILE-<n> beside it.
    QStringList ExistingFiles() const;
    // Removes the FILE-<n> an earlier recording left, once the user agreed to record over them
    // and the lock is held: read back, the series would otherwise go on into the old files.
    // False with the file named when one cannot be removed.
    bool RemoveOldContinuations(QString* pstrError);
    // A file takes nMaxRecords readings before the next one starts (kMaxRecords unless a
    // test wants files that fill quickly).
    void SetMaxRecords(int nMaxRecords) { m_nMaxRecords = nMaxRecords; }

    // Path of the nth file (1-based).
    QString FilePath(int nFile) const;
    QString CurrentPath() const { return FilePath(m_nFile); }
    int FileCount() const { return m_pDoc ? m_nFile : m_nFile - 1; }
    int RecordsInFile() const;
    qint64 TotalRecords() const { return m_nTotal; }
    const CMyTalvaDoc* Document() const { return m_pDoc.get(); }

signals:
    void FileStarted(const QString& strPath);
    void FileClosed(const QString& strPath, int nRecords);
    void FileError(const QString& strMessage);

private:
    void StartFile();
    bool CloseFile();
    bool SaveOne(const CMyTalvaDoc& doc, const QString& strPath);

    struct CUnsaved
    {
        QString strPath;
        std::unique_ptr<CMyTalvaDoc> pDoc;
    };

    QString m_strFirst;      //!< the first file, with its extension
    int m_nMaxRecords = kMaxRecords;
    int m_nFile = 0;         //!< number of the current file, 1-based
    qint64 m_nTotal = 0;
    int m_nFailedSaves = 0;
    std::unique_ptr<CMyTalvaDoc> m_pDoc;
    std::vector<CUnsaved> m_unsaved; //!< closed files whose save failed, oldest first
    std::unique_ptr<QLockFile> m_pLock;
};
