#include "document/CArchive.h"

#include "document/CObData.h"

#include <QIODevice>
#include <QSysInfo>

#include <limits>

namespace {

constexpr quint16 kNullTag = 0x0000;
constexpr quint16 kNewClassTag = 0xFFFF;
constexpr quint16 kClassTag = 0x8000;
constexpr quint32 kBigClassTag = 0x80000000u;
constexpr quint16 kBigObjectTag = 0x7FFF;
constexpr quint32 kMaxMapCount = 0x3FFFFFFE; // beyond this, indices no longer fit the tags

constexpr quint16 kObDataSchema = 1;
constexpr char kObDataName[] = "CObData";
constexpr quint16 kMaxClassNameLength = 64;

constexpr bool kLittleEndianHost = QSysInfo::ByteOrder == QSysInfo::LittleEndian;

// 0x80..0x9F of Windows-1252; the five unassigned bytes keep their C1 value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

CArchive::CArchive(QIODevice* pDevice)
    : m_bStoring(true)
    , m_pDevice(pDevice)
    , m_pBuffer(new uchar[kBufferSize])
    , m_nBufSize(kBufferSize)
{
    if (!m_pDevice || !m_pDevice->isWritable())
        SetError(QStringLiteral("the output is not open for writing"));
}

CArchive::CArchive(const QByteArray& data)
    : m_bStoring(false)
    , m_data(data)
{
    m_pBegin = reinterpret_cast<const uchar*>(m_data.constData());
    m_pCur = m_pBegin;
    m_pEnd = m_pBegin + m_data.size();
    m_arrLoaded.push_back(nullptr); // index 0: the null reference
}

void CArchive::SetStreaming()
{
    Q_ASSERT(!m_bStoring && m_arrLoaded.size() == 1 && m_pCur == m_pBegin);
    Q_ASSERT(m_pEnd - m_pBegin <= qint64(std::numeric_limits<quint32>::max()));
    m_bStreaming = true;
    m_arrLoaded.clear();
    m_arrOffsets.push_back(0); // index 0: the null reference
}

CArchive::~CArchive()
{
    if (m_bStoring)
        Flush();
}

void CArchive::SetError(const QString& strError)
{
    if (m_strError.isEmpty())
        m_strError = strError.isEmpty() ? QStringLiteral("unknown archive error") : strError;
    // Nothing more may be read once the stream is known to be wrong.
    m_pCur = m_pEnd;
}

bool CArchive::Flush()
{
    if (!m_bStoring || HasError()) {
        m_nBufUsed = 0;
        return false;
    }
    qsizetype nDone = 0;
    while (nDone < m_nBufUsed) {
        const qint64 nWritten = m_pDevice->write(
            reinterpret_cast<const char*>(m_pBuffer.get()) + nDone, m_nBufUsed - nDone);
        if (nWritten <= 0) {
            m_nBufUsed = 0;
            SetError(QStringLiteral("writing failed: %1").arg(m_pDevice->errorString()));
            return false;
        }
        nDone += qsizetype(nWritten);
    }
    m_nBufUsed = 0;
    return true;
}

void CArchive::WriteSlow(const void* pData, qsizetype nBytes)
{
    if (!m_bStoring) {
        SetError(QStringLiteral("the archive was opened for loading and cannot store"));
        return;
    }
    if (!Flush())
        return;
    if (nBytes < kBufferSize) {
        std::memcpy(m_pBuffer.get(), pData, size_t(nBytes));
        m_nBufUsed = nBytes;
        return;
    }
    // Large blocks (long strings) skip the buffer.
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        const qint64 nWritten = m_pDevice->write(p, nBytes);
        if (nWritten <= 0) {
            SetError(QStringLiteral("writing failed: %1").arg(m_pDevice->errorString()));
            return;
        }
        p += nWritten;
        nBytes -= qsizetype(nWritten);
    }
}

void CArchive::FailRead(qsizetype nWanted)
{
    if (m_bStoring) {
        SetError(QStringLiteral("the archive was opened for storing and cannot load"));
        return;
    }
    if (HasError())
        return;
    SetError(QStringLiteral("the file ends early: %1 more bytes needed at byte %2 of %3")
                 .arg(nWanted - BytesRemaining())
                 .arg(Position())
                 .arg(m_data.size()));
}

void CArchive::ExpectEnd()
{
    if (HasError() || m_bStoring || BytesRemaining() == 0)
        return;
    SetError(QStringLiteral("the recording ends at byte %1, but the file goes on to byte %2")
                 .arg(Position())
                 .arg(m_data.size()));
}

CArchive& CArchive::operator<<(float f)
{
    quint32 n;
    static_assert(sizeof(n) == sizeof(f));
    std::memcpy(&n, &f, sizeof(n));
    return WriteLE(n);
}

CArchive& CArchive::operator<<(double d)
{
    quint64 n;
    static_assert(sizeof(n) == sizeof(d));
    std::memcpy(&n, &d, sizeof(n));
    return WriteLE(n);
}

CArchive& CArchive::operator>>(float& f)
{
    const quint32 n = ReadLE<quint32>();
    std::memcpy(&f, &n, sizeof(f));
    return *this;
}

CArchive& CArchive::operator>>(double& d)
{
    const quint64 n = ReadLE<quint64>();
    std::memcpy(&d, &n, sizeof(d));
    return *this;
}

CArchive& CArchive::operator<<(const QString& str)
{
    const quint64 nLength = quint64(str.size());
    // 0xFF then 0xFFFE marks UTF-16 text; the length escalates 8 -> 16 -> 32 -> 64 bits.
    WriteLE(quint8(0xFF));
    WriteLE(quint16(0xFFFE));
    if (nLength < 0xFF) {
        WriteLE(quint8(nLength));
    } else {
        WriteLE(quint8(0xFF));
        if (nLength < 0xFFFE) {
            WriteLE(quint16(nLength));
        } else {
            WriteLE(quint16(0xFFFF));
            if (nLength < 0xFFFFFFFFu) {
                WriteLE(quint32(nLength));
            } else {
                WriteLE(quint32(0xFFFFFFFFu));
                WriteLE(quint64(nLength));
            }
        }
    }
    if constexpr (kLittleEndianHost) {
        WriteBytes(str.utf16(), qsizetype(nLength * 2));
    } else {
        for (const QChar c : str)
            WriteLE(quint16(c.unicode()));
    }
    return *this;
}

bool CArchive::ReadStringLength(quint64& nLength, bool& bWide)
{
    bWide = false;
    quint8 nByte = ReadLE<quint8>();
    if (nByte < 0xFF) {
        nLength = nByte;
        return !HasError();
    }
    quint16 nWord = ReadLE<quint16>();
    if (nWord == 0xFFFE) {
        // UTF-16 marker: the length prefix starts over.
        bWide = true;
        nByte = ReadLE<quint8>();
        if (nByte < 0xFF) {
            nLength = nByte;
            return !HasError();
        }
        nWord = ReadLE<quint16>();
    }
    if (nWord < 0xFFFF) {
        nLength = nWord;
        return !HasError();
    }
    const quint32 nDword = ReadLE<quint32>();
    if (nDword < 0xFFFFFFFFu) {
        nLength = nDword;
        return !HasError();
    }
    nLength = ReadLE<quint64>();
    return !HasError();
}

CArchive& CArchive::operator>>(QString& str)
{
    const qint64 nStart = Position();
    quint64 nLength = 0;
    bool bWide = false;
    if (!ReadStringLength(nLength, bWide)) {
        str.clear();
        return *this;
    }
    const quint64 nCharBytes = bWide ? 2 : 1;
    if (nLength > quint64(BytesRemaining()) / nCharBytes) {
        SetError(QStringLiteral("the string at byte %1 claims %2 characters but only %3 bytes "
                                "are left")
                     .arg(nStart)
                     .arg(nLength)
                     .arg(BytesRemaining()));
        str.clear();
        return *this;
    }
    const uchar* pData = m_pCur;
    m_pCur += nLength * nCharBytes;
    str = MakeString(pData, qsizetype(nLength), bWide);
    return *this;
}

char16_t CArchive::FromCp1252(quint8 c)
{
    return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : char16_t(c);
}

QString CArchive::DecodeString(const uchar* pData, qsizetype nLength, bool bWide) const
{
    QString str(nLength, Qt::Uninitialized); // exactly nLength, no spare capacity
    char16_t* pOut = reinterpret_cast<char16_t*>(str.data());
    if (bWide) {
        if constexpr (kLittleEndianHost) {
            std::memcpy(pOut, pData, size_t(nLength) * 2);
        } else {
            for (qsizetype i = 0; i < nLength; ++i)
                pOut[i] = qFromLittleEndian<quint16>(pData + 2 * i);
        }
    } else {
        for (qsizetype i = 0; i < nLength; ++i)
            pOut[i] = FromCp1252(pData[i]);
    }
    return str;
}

QString CArchive::MakeString(const uchar* pData, qsizetype nLength, bool bWide)
{
    if (nLength == 0)
        return QString();
    if (nLength > kMaxSharedLength)
        return DecodeString(pData, nLength, bWide);

    ++m_nUseClock;
    const bool bRawCompare = bWide && kLittleEndianHost;
    QString strDecoded;
    if (!bRawCompare)
        strDecoded = DecodeString(pData, nLength, bWide);

    // Times differ from each other mostly in their last digit: test it before the rest.
    const char16_t cLast = bRawCompare ? qFromLittleEndian<quint16>(pData + 2 * (nLength - 1))
                                       : char16_t(strDecoded.at(nLength - 1).unicode());
    SRecentString* pOldest = &m_arrRecent[0];
    for (SRecentString& recent : m_arrRecent) {
        if (recent.str.size() == nLength && recent.str.at(nLength - 1).unicode() == cLast
            && (bRawCompare ? std::memcmp(recent.str.constData(), pData, size_t(nLength) * 2) == 0
                            : recent.str == strDecoded)) {
            recent.nLastUse = m_nUseClock;
            return recent.str;
        }
        if (recent.nLastUse < pOldest->nLastUse)
            pOldest = &recent;
    }
    if (bRawCompare)
        strDecoded = DecodeString(pData, nLength, bWide);
    pOldest->str = strDecoded;
    pOldest->nLastUse = m_nUseClock;
    return strDecoded;
}

void CArchive::WriteCount(quint64 nCount)
{
    if (nCount < 0xFFFF) {
        WriteLE(quint16(nCount));
        return;
    }
    WriteLE(quint16(0xFFFF));
    if (nCount < 0xFFFFFFFFu) {
        WriteLE(quint32(nCount));
    } else {
        WriteLE(quint32(0xFFFFFFFFu));
        WriteLE(quint64(nCount));
    }
}

quint64 CArchive::ReadCount(quint64 nMinElementBytes)
{
    const qint64 nStart = Position();
    quint64 nCount = ReadLE<quint16>();
    if (nCount == 0xFFFF) {
        nCount = ReadLE<quint32>();
        if (nCount == 0xFFFFFFFFu)
            nCount = ReadLE<quint64>();
    }
    if (HasError())
        return 0;
    if (nMinElementBytes == 0)
        nMinElementBytes = 1;
    if (nCount > quint64(BytesRemaining()) / nMinElementBytes) {
        SetError(QStringLiteral("the array at byte %1 claims %2 elements but only %3 bytes are "
                                "left")
                     .arg(nStart)
                     .arg(nCount)
                     .arg(BytesRemaining()));
        return 0;
    }
    return nCount;
}

void CArchive::WriteClassTag(quint32 nClassIndex)
{
    if (nClassIndex < kBigObjectTag) {
        WriteLE(quint16(kClassTag | nClassIndex));
    } else {
        WriteLE(kBigObjectTag);
        WriteLE(quint32(kBigClassTag | nClassIndex));
    }
}

void CArchive::WriteObject(const CObData* pOb)
{
    if (!pOb) {
        WriteLE(kNullTag);
        return;
    }
    if (m_nStoreMapCount >= kMaxMapCount) {
        SetError(QStringLiteral("too many records for one file"));
        return;
    }
    if (m_nStoreClassIndex == 0) {
        WriteLE(kNewClassTag);
        WriteLE(kObDataSchema);
        WriteLE(quint16(sizeof(kObDataName) - 1));
        WriteBytes(kObDataName, sizeof(kObDataName) - 1);
        m_nStoreClassIndex = m_nStoreMapCount++;
    } else {
        WriteClassTag(m_nStoreClassIndex);
    }
    // Records are never shared, so each one simply takes the next object index.
    ++m_nStoreMapCount;
    pOb->Store(*this);
}

bool CArchive::ReadNewClass()
{
    const qint64 nStart = Position();
    const quint16 nSchema = ReadLE<quint16>();
    const quint16 nNameLength = ReadLE<quint16>();
    if (HasError())
        return false;
    if (nNameLength >= kMaxClassNameLength) {
        SetError(QStringLiteral("the class name at byte %1 is %2 characters long (at most %3 "
                                "allowed)")
                     .arg(nStart)
                     .arg(nNameLength)
                     .arg(kMaxClassNameLength - 1));
        return false;
    }
    if (BytesRemaining() < nNameLength) {
        FailRead(nNameLength);
        return false;
    }
    const QByteArray name(reinterpret_cast<const char*>(m_pCur), nNameLength);
    m_pCur += nNameLength;
    if (name != QByteArrayLiteral("CObData")) {
        SetError(QStringLiteral("unknown record class \"%1\" at byte %2")
                     .arg(QString::fromLatin1(name), QString::number(nStart)));
        return false;
    }
    if (nSchema != kObDataSchema) {
        SetError(QStringLiteral("class \"CObData\" at byte %1 has schema %2; only schema %3 can "
                                "be read")
                     .arg(nStart)
                     .arg(nSchema)
                     .arg(kObDataSchema));
        return false;
    }
    if (LoadedCount() >= kMaxMapCount) {
        SetError(QStringLiteral("too many classes and records in one file"));
        return false;
    }
    if (m_bStreaming)
        m_arrOffsets.push_back(0);
    else
        m_arrLoaded.push_back(nullptr);
    return true;
}

std::unique_ptr<CObData> CArchive::ReadObject()
{
    // Not streaming, the archive keeps pOb's address for later references: the caller keeps
    // the record alive.
    auto pOb = std::make_unique<CObData>();
    if (!ReadElement(pOb.get()))
        return nullptr;
    return pOb;
}

bool CArchive::ReadObject(CObData* pOb)
{
    Q_ASSERT(m_bStreaming); // the records read are not kept, so references need the offsets
    return ReadElement(pOb);
}

bool CArchive::ReadElement(CObData* pOb)
{
    const qint64 nStart = Position();
    const quint16 nTag = ReadLE<quint16>();
    quint32 nBigTag;
    if (nTag == kBigObjectTag)
        nBigTag = ReadLE<quint32>();
    else
        nBigTag = (quint32(nTag & kClassTag) << 16) | (nTag & ~kClassTag);
    if (HasError())
        return false;

    if (!(nBigTag & kBigClassTag)) {
        // A reference to an object stored earlier (0: the null element).
        if (nBigTag == 0)
            return false;
        if (!IsLoadedRecord(nBigTag)) {
            SetError(QStringLiteral("the element at byte %1 refers to object index %2, which "
                                    "holds no record")
                         .arg(nStart)
                         .arg(nBigTag));
            return false;
        }
        // Each copy costs a whole record for two bytes of file; allowing no more copies
        // than stored records keeps a hostile file from multiplying memory use.
        if (m_nRecordCopies >= m_nRecordsRead) {
            SetError(QStringLiteral("the element at byte %1 is one reference too many to "
                                    "earlier records")
                         .arg(nStart));
            return false;
        }
        ++m_nRecordCopies;
        if (!m_bStreaming) {
            *pOb = *m_arrLoaded[nBigTag];
            return true;
        }
        // Read the earlier record again where it is stored, then carry on here.
        const uchar* pResume = m_pCur;
        m_pCur = m_pBegin + m_arrOffsets[nBigTag];
        pOb->Load(*this);
        m_pCur = pResume;
        return !HasError();
    }

    if (nTag == kNewClassTag) {
        if (!ReadNewClass())
            return false;
    } else {
        const quint32 nClassIndex = nBigTag & ~kBigClassTag;
        if (nClassIndex == 0 || nClassIndex >= LoadedCount() || IsLoadedRecord(nClassIndex)) {
            SetError(QStringLiteral("the element at byte %1 refers to class index %2, which "
                                    "holds no class")
                         .arg(nStart)
                         .arg(nClassIndex));
            return false;
        }
    }

    if (LoadedCount() >= kMaxMapCount) {
        SetError(QStringLiteral("too many classes and records in one file"));
        return false;
    }
    const qint64 nFields = Position();
    pOb->Load(*this);
    if (HasError())
        return false;
    if (m_bStreaming)
        m_arrOffsets.push_back(quint32(nFields));
    else
        m_arrLoaded.push_back(pOb);
    ++m_nRecordsRead;
    return true;
}
