#pragma once

#include "document/CObData.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// One of a document's record arrays, kept in columns instead of one heap object per record:
// a loaded recording of millions of readings costs about 20 bytes a reading here, plus its
// time texts.
//
// Per record it keeps the value, a time id, a kind id and the record number unless it is the
// record's position. A kind is what
// runs of readings repeat: unit text, type text, sample rate and range limit; each distinct
// kind is kept once, found by comparing with the previous record's kind first and through a
// hash only when that differs. Consecutive records with the same time text (readings within
// one second) share one time entry; the time texts are packed in one buffer, one byte a
// character when the text allows it. Every field comes back exactly as appended, so a
// document saves the same bytes it was loaded from.
//
// A record may be null (a file may store null references): IsNull() tells, Record() gives
// no record, the field accessors give zero values and empty texts.
//
// Not thread-safe: one thread at a time, as its document.
class CRecordArray
{
public:
    qsizetype size() const { return qsizetype(m_values.size()); }
    bool isEmpty() const { return m_values.empty(); }

    void Append(const CObData& ob);
    void AppendNull();
    // Appends copies of other's records [nFrom, nEnd).
    void Append(const CRecordArray& other, qsizetype nFrom, qsizetype nEnd);
    // Appends other's records that are not null, their numbers moved on by nIndexShift: the
    // next file of a series. Each of other's kinds and time texts is looked up once, not once a
    // record.
    void AppendShifted(const CRecordArray& other, qint32 nIndexShift);
    // Frees every record.
    void Clear();
    // Room for nMore records after those held.
    void Reserve(qsizetype nMore);
    // Gives back spare capacity (after a load, whose distinct texts were unknown).
    void Squeeze();

    // Record i (i < size()) by value; none for a null record.
    std::optional<CObData> Record(qsizetype i) const;
    std::optional<CObData> operator[](qsizetype i) const { return Record(i); }

    bool IsNull(qsizetype i) const { return m_kindIds[size_t(i)] == kNull; }
    double Value(qsizetype i) const { return m_values[size_t(i)]; }
    qint32 Index(qsizetype i) const
    {
        if (!m_bIndexIsPosition)
            return m_indices[size_t(i)];
        return IsNull(i) ? 0 : qint32(i);
    }
    const QString& Unit(qsizetype i) const { return m_texts[size_t(KindOf(i).nUnit)]; }
    const QString& Type(qsizetype i) const { return m_texts[size_t(KindOf(i).nType)]; }
    double SampleRate(qsizetype i) const { return KindOf(i).dSampleRate; }
    float Range(qsizetype i) const { return KindOf(i).fRange; }
    QString Time(qsizetype i) const;
    // The same into *pstrTime, reusing its memory: for reading many times in a row.
    void TimeInto(qsizetype i, QString* pstrTime) const;
    // Records i and j have the same time text.
    bool SameTime(qsizetype i, qsizetype j) const;

    // Memory the array holds, capacity included.
    qint64 BytesUsed() const;

private:
    static constexpr quint32 kNull = 0xFFFFFFFFu; //!< the kind id, and time id, of a null record
    static constexpr quint32 kWide = 0x80000000u; //!< a time entry's offset flag: UTF-16 text

    struct CKind
    {
        quint32 nUnit = 0; //!< into m_texts
        quint32 nType = 0;
        double dSampleRate = 0.0;
        float fRange = 0.0f;
    };
    // A kind's fields as bits, so a kind comes back exactly (NaN and -0.0 included).
    struct CKindKey
    {
        quint32 nUnit, nType;
        quint64 nRateBits;
        quint32 nRangeBits;
        bool operator==(const CKindKey& other) const = default;
    };
    friend size_t qHash(const CKindKey& key, size_t nSeed) noexcept
    {
        return qHashMulti(nSeed, key.nUnit, key.nType, key.nRateBits, key.nRangeBits);
    }
    static CKindKey KeyOf(const CKind& kind);

    const CKind& KindOf(qsizetype i) const
    {
        const quint32 nKind = m_kindIds[size_t(i)];
        return nKind == kNull ? m_nullKind : m_kinds[nKind];
    }
    quint32 InternText(const QString& str);
    quint32 InternKind(const CObData& ob);
    quint32 InternTime(const QString& strTime);
    // Time entry nTime's text: its bytes and whether they are UTF-16.
    void TimeBytes(quint32 nTime, const char** ppData, qsizetype* pnBytes, bool* pbWide) const;
    void PushRecord(double dValue, qint32 nIndex, quint32 nKind, quint32 nTime);
    // Stops taking record numbers for positions: every number is kept from here on.
    void KeepIndices();

    std::vector<double> m_values;
    // A record's number is nearly always its position (the primary records a document held when
    // it was taken): then no number is kept. The first record that breaks the rule writes them all.
    bool m_bIndexIsPosition = true;
    std::vector<qint32> m_indices;         //!< empty while m_bIndexIsPosition
    std::vector<quint32> m_kindIds;
    std::vector<quint32> m_timeIds;

    std::vector<QString> m_texts;          //!< distinct unit and type texts
    QHash<QString, quint32> m_textIds;
    std::vector<CKind> m_kinds;            //!< distinct kinds
    QHash<CKindKey, quint32> m_kindIdsByKey;
    CKind m_nullKind;                      //!< what a null record reads as (m_texts[0] is "")

    // The time texts, one after the other. A QByteArray grows through realloc, which moves a large
    // block's pages instead of holding old and new copies at once while a long file loads.
    QByteArray m_timeText;
    std::vector<quint32> m_timeStarts;     //!< offset of each time entry in m_timeText, | kWide
    QString m_strLastTime;                 //!< the text of the latest time entry
};
