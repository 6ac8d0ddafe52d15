#pragma once

#include <QFile>
#include <QString>

#include <functional>

class CObData;

// Reads a recording file record by record, for read-only use such as printing it: the
// file is mapped rather than read into memory, records are handed over one at a time and
// not kept, and the pages already read are given back as it goes. Memory stays at a few
// bytes per record (to find earlier records that later elements refer to) whatever the
// file's size. The file format is the one CMyTalvaDoc reads and writes.
class CRecordStream
{
public:
    // The document's statistics, stored after the records.
    struct SStatistics
    {
        double dAverage = 0.0;
        double dMax = 0.0;
        QString strMaxTime;
        double dMin = 0.0;
        QString strMinTime;
        double dSampleRate = 0.0;
        double dSum = 0.0;
        qint32 nCount = 0;
        QString strStartTime;
        QString strEndTime;
        QString strType;
    };

    // Called for each element of arrays 0..2 in file order (pRecord null for a null
    // element); returning false stops the read.
    using RecordFn = std::function<bool(int nArray, const CObData* pRecord)>;

    // Opens and maps strPath; false with the reason (the same texts as loading a document).
    bool Open(const QString& strPath, QString* pstrError);
    // Reads the whole file from the start: every record to onRecord (may be empty), then
    // the statistics. False with the reason on a bad file or when onRecord stopped it
    // (then *pstrError is left empty). May be called again for another pass.
    bool Read(const RecordFn& onRecord, SStatistics* pStatistics, QString* pstrError);

private:
    QFile m_file;
    QString m_strPath;
    uchar* m_pMap = nullptr;
    qint64 m_nSize = 0;
};
