#pragma once

#include <QByteArray>
#include <QString>

#include <cstring>
#include <memory>
#include <vector>

#include <QtEndian>

class CObData;
class QIODevice;

// The object archive of a recording file: little-endian numbers without padding, the
// length-prefixed string forms, element counts, and a stream of CObData records that
// share one class/object index space (index 0 null, then classes and objects in the
// order they first appear).
//
// Storing goes through a 64 KiB buffer to a device. Loading reads from the whole file
// held in memory, so every count and length is checked against the bytes that are left
// before anything is allocated.
//
// The first failure sticks: later operations do nothing and reads yield zero or empty
// values, so a caller may run a whole Serialize and check HasError() once (loops over
// counts should still stop early on it). Not thread-safe; one archive per file.
class CArchive
{
public:
    // Storing into pDevice, which must be open for writing and outlive the archive.
    explicit CArchive(QIODevice* pDevice);
    // Loading from data (implicitly shared, so no copy is made).
    explicit CArchive(const QByteArray& data);
    ~CArchive();

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_bStoring; }
    bool IsLoading() const { return !m_bStoring; }

    bool HasError() const { return !m_strError.isEmpty(); }
    const QString& ErrorString() const { return m_strError; }
    // Records a failure found by the caller; the first failure wins.
    void SetError(const QString& strError);

    // Loading: offset of the next byte, and bytes left after it.
    qint64 Position() const { return m_pCur - m_pBegin; }
    qint64 BytesRemaining() const { return m_pEnd - m_pCur; }

    // Loading, after the last field: fails when bytes follow it, naming where the data
    // ended (a file of another kind, or something appended, is no recording).
    void ExpectEnd();

    // Storing: hands the buffered bytes to the device. False after any failure.
    bool Flush();

    CArchive& operator<<(quint8 n) { return WriteLE(n); }
    CArchive& operator<<(quint16 n) { return WriteLE(n); }
    CArchive& operator<<(qint32 n) { return WriteLE(n); }
    CArchive& operator<<(quint32 n) { return WriteLE(n); }
    CArchive& operator<<(quint64 n) { return WriteLE(n); }
    CArchive& operator<<(float f);
    CArchive& operator<<(double d);
    CArchive& operator<<(const QString& str); // always the UTF-16 form

    CArchive& operator>>(quint8& n) { n = ReadLE<quint8>(); return *this; }
    CArchive& operator>>(quint16& n) { n = ReadLE<quint16>(); return *this; }
    CArchive& operator>>(qint32& n) { n = ReadLE<qint32>(); return *this; }
    CArchive& operator>>(quint32& n) { n = ReadLE<quint32>(); return *this; }
    CArchive& operator>>(quint64& n) { n = ReadLE<quint64>(); return *this; }
    CArchive& operator>>(float& f);
    CArchive& operator>>(double& d);
    // Accepts the UTF-16 form and the 8-bit form (Windows-1252). Short strings equal to
    // one read shortly before share its storage, so a long run of records carrying the
    // same unit and type holds one copy of each.
    CArchive& operator>>(QString& str);

    // Element count of an object array: 16 bits below 0xFFFF, else 0xFFFF and 32 bits.
    void WriteCount(quint64 nCount);
    // Fails (and returns 0) when the count times nMinElementBytes exceeds what is left.
    quint64 ReadCount(quint64 nMinElementBytes);
    // The least an element of an object array takes: its two-byte reference.
    static constexpr quint64 kMinElementBytes = 2;

    // Writes a null element, or a record: with its class name the first time the class
    // appears in the archive, by class index afterwards.
    void WriteObject(const CObData* pOb);
    // Reads one element. A null element gives nullptr without an error. A reference to a
    // record loaded earlier gives a copy of it, so every record still has one owner.
    std::unique_ptr<CObData> ReadObject();
    // The same into *pOb, with no record of its own: true when a record was read, false for a
    // null element or an error.
    bool ReadObject(CObData* pOb);
    // Loading, before the first read: the caller does not keep the records it reads, so a
    // reference to an earlier record reads it again from where it is stored. The archive
    // then keeps 4 bytes per record instead of the records. Data of at most 4 GiB.
    void SetStreaming();

    // Windows-1252 to UTF-16 (undefined bytes map to the C1 control of the same value).
    static char16_t FromCp1252(quint8 c);

private:
    template<typename T>
    CArchive& WriteLE(T v)
    {
        if (m_nBufSize - m_nBufUsed >= qsizetype(sizeof(T))) {
            qToLittleEndian(v, m_pBuffer.get() + m_nBufUsed);
            m_nBufUsed += sizeof(T);
        } else {
            uchar bytes[sizeof(T)];
            qToLittleEndian(v, bytes);
            WriteSlow(bytes, sizeof(T));
        }
        return *this;
    }

    template<typename T>
    T ReadLE()
    {
        if (m_pEnd - m_pCur < qsizetype(sizeof(T))) {
            FailRead(sizeof(T));
            return T();
        }
        const T v = qFromLittleEndian<T>(m_pCur);
        m_pCur += sizeof(T);
        return v;
    }

    void WriteBytes(const void* pData, qsizetype nBytes)
    {
        if (m_nBufSize - m_nBufUsed >= nBytes) {
            std::memcpy(m_pBuffer.get() + m_nBufUsed, pData, size_t(nBytes));
            m_nBufUsed += nBytes;
        } else {
            WriteSlow(pData, nBytes);
        }
    }

    void WriteSlow(const void* pData, qsizetype nBytes);
    void FailRead(qsizetype nWanted);
    bool ReadStringLength(quint64& nLength, bool& bWide);
    QString MakeString(const uchar* pData, qsizetype nLength, bool bWide);
    QString DecodeString(const uchar* pData, qsizetype nLength, bool bWide) const;
    void WriteClassTag(quint32 nClassIndex);
    bool ReadNewClass();
    // One element into *pOb: true for a record, false for a null element or an error.
    bool ReadElement(CObData* pOb);

    static constexpr qsizetype kBufferSize = 64 * 1024;

    bool m_bStoring;
    QString m_strError;

    // storing
    QIODevice* m_pDevice = nullptr;
    std::unique_ptr<uchar[]> m_pBuffer;
    qsizetype m_nBufSize = 0; //!< 0 when loading, so every store takes the slow path and fails
    qsizetype m_nBufUsed = 0;
    quint32 m_nStoreMapCount = 1;  //!< next index of the shared class/object space
    quint32 m_nStoreClassIndex = 0; //!< index "CObData" took, 0 until written

    // loading
    QByteArray m_data;
    const uchar* m_pBegin = nullptr;
    const uchar* m_pCur = nullptr;
    const uchar* m_pEnd = nullptr;
    // The shared index space as loaded: an object's entry points at the record, a class
    // entry is null (index 0 is never looked up). The records belong to the caller and
    // stay alive while it keeps reading.
    std::vector<const CObData*> m_arrLoaded;
    // Streaming instead: the same index space as offsets of the records' fields (0 for the
    // null reference and classes, as no record's fields start at byte 0).
    bool m_bStreaming = false;
    std::vector<quint32> m_arrOffsets;
    size_t LoadedCount() const { return m_bStreaming ? m_arrOffsets.size() : m_arrLoaded.size(); }
    bool IsLoadedRecord(quint32 nIndex) const
    {
        return nIndex < LoadedCount() && (m_bStreaming ? m_arrOffsets[nIndex] != 0 : m_arrLoaded[nIndex] != nullptr);
    }
    quint64 m_nRecordsRead = 0;
    quint64 m_nRecordCopies = 0;

    // Recently read short strings, least recently used replaced first.
    struct SRecentString
    {
        QString str;
        quint64 nLastUse = 0;
    };
    static constexpr int kRecentStrings = 8;
    static constexpr qsizetype kMaxSharedLength = 64;
    SRecentString m_arrRecent[kRecentStrings];
    quint64 m_nUseClock = 0;
};
