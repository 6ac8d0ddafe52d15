#pragma once

#include "document/CMinMaxSummary.h"
#include "document/CObData.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class CArchive;

// A recording document: the records of one recording and the running statistics of its
// primary array. Array 0 holds primary readings (they feed the statistics, the graph,
// export and printing), array 1 secondary readings (statistics values, shown only in the
// data list), array 2 is kept for the file format and nothing fills it.
//
// The document owns every record in its arrays. An element may be null after loading a
// file that stores null references, so every consumer must check.
//
// Not thread-safe: create, fill, read and save it on one thread (the GUI thread).
class CMyTalvaDoc : public QObject
{
    Q_OBJECT

public:
    static constexpr int kArrayCount = 3;
    static constexpr double kOverload = CObData::kOverload;
    static constexpr double kNoMax = -60000.0;    //!< m_dMax before any reading
    static constexpr double kNoMin = 60000.0;     //!< m_dMin before any reading
    static constexpr qint64 kMaxFileBytes = qint64(1) << 30;

    explicit CMyTalvaDoc(QObject* pParent = nullptr);
    ~CMyTalvaDoc() override;

    // Appends a record (value, unit, sample rate, index, time, type, fRangeLimit) to array
    // nArray (0..2; anything else is ignored). For array 0 the reading enters the
    // statistics only when fRangeLimit > fMainValue > -fRangeLimit; m_nCount always follows
    // the size of array 0. fMainValue is the meter's main value, which the range test uses
    // even when dValue is another number (statistics recording).
    void AddReading(int nArray, const QString& strUnit, int nIndex, const QString& strTime,
                    const QString& strType, double dValue, double dSampleRate, float fRangeLimit,
                    float fMainValue);

    // Back to the construction values of the numbers; strings and arrays stay.
    void ResetStatistics();

    // Moves the records into array 0 (the document owns them afterwards; arrRecords is
    // emptied, null entries are dropped) and folds them into the statistics. Records at
    // exactly +-kOverload are counted in the average's divisor but not in the sum.
    void ImportReadings(QList<CObData*>& arrRecords);

    // Destroys every record of the three arrays. The statistics are left alone.
    void DeleteContents();

    // Stores the document, or replaces it with what the archive holds. A failed load
    // leaves the document as it was and the reason in ar.ErrorString().
    void Serialize(CArchive& ar);

    // Writes strPath through CFileIo::Save: whole or not at all, so a failed save leaves
    // the previous file intact; false with "Cannot save ...: reason." in *pstrError.
    bool SaveFile(const QString& strPath, QString* pstrError) const;
    QByteArray SaveBytes() const;

    // A document read from a recording file (a regular file only), or nullptr with the
    // reason in *pstrError. Bytes after the last field are an error: the format has no
    // length or signature of its own, so they mean the file is no recording.
    static std::unique_ptr<CMyTalvaDoc> LoadFile(const QString& strPath, QString* pstrError);
    static std::unique_ptr<CMyTalvaDoc> LoadBytes(const QByteArray& data, QString* pstrError);

    // Extremes of array 0 over index ranges, for drawing long recordings. It follows the
    // document's own operations and readings appended to array 0; code that removes or
    // replaces records of array 0 directly calls InvalidateSummary() afterwards.
    const CMinMaxSummary& Summary();
    void InvalidateSummary() { m_summary.Clear(); }

    QList<CObData*> m_arrData[kArrayCount];
    double m_dSum = 0.0;
    double m_dAverage = 0.0;
    double m_dMax = kNoMax;
    double m_dMin = kNoMin;
    QString m_strMaxTime;
    QString m_strMinTime;
    QString m_strStartTime; //!< time of the first primary record in the statistics
    QString m_strEndTime;   //!< time of the last primary record in the statistics
    QString m_strType;
    qint32 m_nCount = 0;    //!< records in array 0, overloads included
    double m_dSampleRate = 1.0;
    qint32 m_nValidCount = 0; //!< readings AddReading let into the statistics; not stored
    bool m_bLive = true;      //!< part of a running recording; cleared by Stop, load, import

signals:
    // A record was appended to array nArray by AddReading (emitted before Changed()).
    void RecordAdded(int nArray);
    // Records or statistics changed (a reading was added, a file loaded, ...).
    void Changed();

private:
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);

    CMinMaxSummary m_summary; //!< of m_arrData[0]
};
