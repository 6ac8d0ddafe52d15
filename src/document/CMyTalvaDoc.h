#pragma once

#include "document/CDocumentUnit.h"
#include "document/CMinMaxSummary.h"
#include "document/CObData.h"
#include "document/CReadingTimes.h"
#include "document/CRecordArray.h"

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
// The arrays keep their records in columns (CRecordArray): read a field of record i through
// the array's accessors, or the whole record by value with Record(i). An element may be null
// after loading a file that stores null references, so every consumer must check.
//
// The meter ranges by itself, so one recording holds readings in nF, uF and mF: everything the
// document computes (its statistics, the graph's series, span figures) uses its readings
// converted into one unit, the unit of its first primary reading (Unit()). Each record keeps
// its value as the meter sent it. Readings of another quantity enter no figure and are
// counted (SkippedReadings()); overloads stay overloads.
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
    // statistics, converted into the document's unit, only when fRangeLimit > fMainValue >
    // -fRangeLimit and it is of the document's quantity; m_nCount always follows the size of
    // array 0. fMainValue is the meter's main value, which the range test uses even when
    // dValue is another number (statistics recording).
    void AddReading(int nArray, const QString& strUnit, int nIndex, const QString& strTime,
                    const QString& strType, double dValue, double dSampleRate, float fRangeLimit,
                    float fMainValue);

    // Back to the construction values of the numbers; strings and arrays stay.
    void ResetStatistics();

    // Moves the records into array 0 (arrRecords is emptied and its records destroyed, null
    // entries are dropped) and folds those of the document's quantity that are
    // no overload into the statistics.
    void ImportReadings(QList<CObData*>& arrRecords);

    // The next file of a series (FILE-2.mLog after FILE.mLog, ...): its records move to the end
    // of this document's arrays (part is left empty), their indexes continuing this document's,
    // and the figures are computed again over all the readings. The start time stays this
    // document's, the end time becomes the part's.
    void AppendSeriesPart(CMyTalvaDoc&& part);

    // Destroys every record of the three arrays. The statistics are left alone.
    void DeleteContents();

    // Stores the document, or replaces it with what the archive holds. A failed load
    // leaves the document as it was and the reason in ar.ErrorString(). A file whose readings
    // are not all in one unit gets its figures (sum, average, extremes with their times)
    // computed again from the readings: older writers stored them from mixed units.
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
    // A cache: reading it from a const document brings it up to date.
    const CMinMaxSummary& Summary() const;
    void InvalidateSummary();

    // The unit of the first primary reading (unknown and empty without readings).
    const CMeterUnit& Unit() const;
    // dValue given in strUnit, in the document's unit; false for another quantity.
    bool ToDocumentUnit(const QString& strUnit, double* pdValue) const;
    // Primary readings of another quantity, left out of every figure.
    qsizetype SkippedReadings() const;
    // Some primary reading of the document's quantity came in another prefix: the figures
    // are converted values, which may lie beyond +-500000 without being overloads.
    bool UnitsConverted() const;
    // At least one reading entered the statistics (m_dMax and m_dMin hold readings).
    bool HasFigures() const { return m_dMax >= m_dMin; }
    // The times of the primary readings (a cache like Summary()).
    const CReadingTimes& Times() const;

    CRecordArray m_arrData[kArrayCount];
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
    qint32 m_nValidCount = 0; //!< readings in the statistics since they were last computed; not stored
    bool m_bLive = true;      //!< part of a running recording; cleared by Stop, load, import

signals:
    // A record was appended to array nArray by AddReading (emitted before Changed()).
    void RecordAdded(int nArray);
    // Records or statistics changed (a reading was added, a file loaded, ...).
    void Changed();

private:
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);
    // Brings the unit and the summary up to date with array 0.
    void SyncSeries() const;
    // Sum, average, extremes and the count of readings in them back to none.
    void ClearFigures();
    // A reading of dValue (in the document's unit) taken at strTime enters the statistics.
    void Enter(double dValue, const QString& strTime);
    // The figures again from the summary's values of readings [nFrom, end) (all of them from 0).
    void FoldFigures(qsizetype nFrom);

    mutable CDocumentUnit m_unit;     //!< taken from the first primary reading when first needed
    mutable CMinMaxSummary m_summary; //!< of m_arrData[0] in m_unit, brought up to date when read
    CReadingTimes m_times{m_arrData[0]};
};
