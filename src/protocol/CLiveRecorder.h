#pragma once

#include "protocol/CDecodedReading.h"
#include "protocol/CRecordingRules.h"

#include <QObject>
#include <QString>

#include <memory>

class CMyTalvaDoc;

// Live recording without a window: every series-8 reading becomes a primary
// record of the current document, which is kept in a file. A change of
// function or a full document closes the file and starts the next one
// (FILE.mLog, FILE-2.mLog, FILE-3.mLog, ...). Readings beyond the range are
// stored as the overload values. Lives on one thread (the receiver's).
class CLiveRecorder : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxRecords = CRecordingRules::kMaxLiveRecords;

    explicit CLiveRecorder(const QString& strPath, QObject* pParent = nullptr);
    ~CLiveRecorder() override;

    // Records one decoded reading; false when it is not a live (series-8) reading.
    bool Record(const CDecodedReading& decoded);
    // Writes the current document to its file; false (and FileError) on failure,
    // the records staying in memory for the next try.
    bool Save();

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

    QString m_strBase;       //!< path without the extension
    QString m_strExtension;  //!< ".mLog" or what the user gave
    int m_nFile = 0;         //!< number of the current file, 1-based
    qint64 m_nTotal = 0;
    std::unique_ptr<CMyTalvaDoc> m_pDoc;
};
