#include "document/CRecordArray.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

template <typename T>
quint64 BitsOf(T v)
{
    if constexpr (sizeof(T) == 8) {
        quint64 n;
        std::memcpy(&n, &v, sizeof(n));
        return n;
    } else {
        quint32 n;
        std::memcpy(&n, &v, sizeof(n));
        return n;
    }
}

bool FitsLatin1(const QString& str)
{
    for (QChar c : str) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

template <typename T>
qint64 CapacityBytes(const std::vector<T>& v)
{
    return qint64(v.capacity() * sizeof(T));
}

template <typename T>
void ShrinkToFit(std::vector<T>& v)
{
    if (v.capacity() > v.size())
        v.shrink_to_fit();
}

} // namespace

CRecordArray::CKindKey CRecordArray::KeyOf(const CKind& kind)
{
    return {kind.nUnit, kind.nType, BitsOf(kind.dSampleRate), quint32(BitsOf(kind.fRange))};
}

quint32 CRecordArray::InternText(const QString& str)
{
    if (m_texts.empty())
        m_texts.emplace_back(); // the null record's texts
    // QString() and "" are stored alike.
    if (str.isEmpty())
        return 0;
    const auto it = m_textIds.constFind(str);
    if (it != m_textIds.constEnd())
        return *it;
    const quint32 nId = quint32(m_texts.size());
    m_texts.push_back(str);
    m_textIds.insert(str, nId);
    return nId;
}

quint32 CRecordArray::InternKind(const CObData& ob)
{
    // Nearly always the previous record's kind, recognised without hashing (and mostly
    // without comparing characters: a loaded file's records share their strings).
    for (auto it = m_kindIds.rbegin(); it != m_kindIds.rend(); ++it) {
        if (*it == kNull)
            continue;
        const CKind& prev = m_kinds[*it];
        const QString& strUnit = m_texts[prev.nUnit];
        const QString& strType = m_texts[prev.nType];
        if ((strUnit.constData() == ob.m_strUnit.constData() || strUnit == ob.m_strUnit)
            && (strType.constData() == ob.m_strType.constData() || strType == ob.m_strType)
            && BitsOf(prev.dSampleRate) == BitsOf(ob.m_dSampleRate) && BitsOf(prev.fRange) == BitsOf(ob.m_fRange))
            return *it;
        break;
    }
    CKind kind;
    kind.nUnit = InternText(ob.m_strUnit);
    kind.nType = InternText(ob.m_strType);
    kind.dSampleRate = ob.m_dSampleRate;
    kind.fRange = ob.m_fRange;
    const CKindKey key = KeyOf(kind);
    const auto it = m_kindIdsByKey.constFind(key);
    if (it != m_kindIdsByKey.constEnd())
        return *it;
    const quint32 nId = quint32(m_kinds.size());
    if (nId == kNull)
        throw std::bad_alloc();
    m_kinds.push_back(kind);
    m_kindIdsByKey.insert(key, nId);
    return nId;
}

quint32 CRecordArray::InternTime(const QString& strTime)
{
    if (!m_timeStarts.empty()
        && (m_strLastTime.constData() == strTime.constData() || m_strLastTime == strTime))
        return quint32(m_timeStarts.size() - 1);
    const bool bWide = !FitsLatin1(strTime);
    const size_t nStart = size_t(m_timeText.size());
    const size_t nBytes = size_t(strTime.size()) * (bWide ? 2 : 1);
    // The offsets are 31 bits: some 100 million distinct seconds of readings.
    if (nStart + nBytes >= kWide || m_timeStarts.size() >= kNull)
        throw std::bad_alloc();
    m_timeText.resize(qsizetype(nStart + nBytes));
    char* pOut = m_timeText.data() + nStart;
    if (bWide) {
        std::memcpy(pOut, strTime.constData(), nBytes);
    } else {
        for (QChar c : strTime)
            *pOut++ = char(c.unicode());
    }
    m_timeStarts.push_back(quint32(nStart) | (bWide ? kWide : 0));
    m_strLastTime = strTime;
    return quint32(m_timeStarts.size() - 1);
}

void CRecordArray::PushRecord(double dValue, qint32 nIndex, quint32 nKind, quint32 nTime)
{
    // Grown together, so a failed allocation leaves the columns of one length.
    const size_t nSize = m_values.size();
    const bool bNull = nKind == kNull;
    if (m_bIndexIsPosition && !(bNull ? nIndex == 0 : qint64(nIndex) == qint64(nSize)))
        KeepIndices();
    try {
        m_values.push_back(dValue);
        if (!m_bIndexIsPosition)
            m_indices.push_back(nIndex);
        m_kindIds.push_back(nKind);
        m_timeIds.push_back(nTime);
    } catch (...) {
        m_values.resize(nSize);
        if (!m_bIndexIsPosition)
            m_indices.resize(std::min(m_indices.size(), nSize));
        m_kindIds.resize(std::min(m_kindIds.size(), nSize));
        m_timeIds.resize(std::min(m_timeIds.size(), nSize));
        throw;
    }
}

void CRecordArray::KeepIndices()
{
    std::vector<qint32> arrIndices;
    arrIndices.reserve(std::max(m_values.capacity(), m_values.size() + 1));
    for (qsizetype i = 0; i < size(); ++i)
        arrIndices.push_back(Index(i));
    m_indices = std::move(arrIndices);
    m_bIndexIsPosition = false;
}

void CRecordArray::Append(const CObData& ob)
{
    const quint32 nKind = InternKind(ob);
    const quint32 nTime = InternTime(ob.m_strTime);
    PushRecord(ob.m_dValue, ob.m_nIndex, nKind, nTime);
}

void CRecordArray::AppendNull()
{
    if (m_texts.empty())
        m_texts.emplace_back();
    PushRecord(0.0, 0, kNull, kNull);
}

void CRecordArray::Append(const CRecordArray& other, qsizetype nFrom, qsizetype nEnd)
{
    Reserve(nEnd - nFrom);
    for (qsizetype i = nFrom; i < nEnd; ++i) {
        if (const std::optional<CObData> ob = other.Record(i))
            Append(*ob);
        else
            AppendNull();
    }
}

void CRecordArray::AppendShifted(const CRecordArray& other, qint32 nIndexShift)
{
    Reserve(other.size());
    std::vector<quint32> kinds(other.m_kinds.size(), kNull);
    quint32 nOtherTime = kNull;
    quint32 nTime = kNull;
    for (qsizetype i = 0; i < other.size(); ++i) {
        if (other.IsNull(i))
            continue;
        const quint32 nOtherKind = other.m_kindIds[size_t(i)];
        if (kinds[nOtherKind] == kNull) {
            const CKind& kind = other.m_kinds[nOtherKind];
            CObData ob;
            ob.m_strUnit = other.m_texts[kind.nUnit];
            ob.m_strType = other.m_texts[kind.nType];
            ob.m_dSampleRate = kind.dSampleRate;
            ob.m_fRange = kind.fRange;
            kinds[nOtherKind] = InternKind(ob);
        }
        if (other.m_timeIds[size_t(i)] != nOtherTime) {
            nOtherTime = other.m_timeIds[size_t(i)];
            nTime = InternTime(other.Time(i));
        }
        PushRecord(other.m_values[size_t(i)], other.Index(i) + nIndexShift, kinds[nOtherKind], nTime);
    }
}

void CRecordArray::Clear()
{
    *this = CRecordArray();
}

void CRecordArray::Reserve(qsizetype nMore)
{
    const size_t nWanted = m_values.size() + size_t(std::max<qsizetype>(nMore, 0));
    // Exactly what is asked on an empty array (a file's count); by half again at least once it
    // holds records, or appending part after part would copy the columns every time.
    const auto grow = [nWanted](auto& column) {
        if (nWanted > column.capacity())
            column.reserve(std::max(nWanted, column.capacity() + column.capacity() / 2));
    };
    grow(m_values);
    if (!m_bIndexIsPosition)
        grow(m_indices);
    grow(m_kindIds);
    grow(m_timeIds);
}

void CRecordArray::Squeeze()
{
    ShrinkToFit(m_values);
    ShrinkToFit(m_indices);
    ShrinkToFit(m_kindIds);
    ShrinkToFit(m_timeIds);
    m_timeText.squeeze();
    ShrinkToFit(m_timeStarts);
}

void CRecordArray::TimeBytes(quint32 nTime, const char** ppData, qsizetype* pnBytes, bool* pbWide) const
{
    const quint32 nStart = m_timeStarts[nTime] & ~kWide;
    const size_t nEnd = nTime + 1 < m_timeStarts.size() ? (m_timeStarts[nTime + 1] & ~kWide) : size_t(m_timeText.size());
    *ppData = m_timeText.constData() + nStart;
    *pnBytes = qsizetype(nEnd - nStart);
    *pbWide = m_timeStarts[nTime] & kWide;
}

QString CRecordArray::Time(qsizetype i) const
{
    QString str;
    TimeInto(i, &str);
    return str;
}

void CRecordArray::TimeInto(qsizetype i, QString* pstrTime) const
{
    const quint32 nTime = m_timeIds[size_t(i)];
    const char* pData = nullptr;
    qsizetype nBytes = 0;
    bool bWide = false;
    if (nTime != kNull)
        TimeBytes(nTime, &pData, &nBytes, &bWide);
    if (nBytes == 0) {
        pstrTime->clear();
        return;
    }
    pstrTime->resize(bWide ? nBytes / 2 : nBytes);
    char16_t* pOut = reinterpret_cast<char16_t*>(pstrTime->data());
    if (bWide) {
        std::memcpy(pOut, pData, size_t(nBytes));
    } else {
        for (qsizetype k = 0; k < nBytes; ++k)
            pOut[k] = char16_t(uchar(pData[k]));
    }
}

bool CRecordArray::SameTime(qsizetype i, qsizetype j) const
{
    const quint32 nTimeI = m_timeIds[size_t(i)];
    const quint32 nTimeJ = m_timeIds[size_t(j)];
    if (nTimeI == nTimeJ)
        return true;
    // A null record's time reads as an empty text.
    const char *pI = nullptr, *pJ = nullptr;
    qsizetype nBytesI = 0, nBytesJ = 0;
    bool bWideI = false, bWideJ = false;
    if (nTimeI != kNull)
        TimeBytes(nTimeI, &pI, &nBytesI, &bWideI);
    if (nTimeJ != kNull)
        TimeBytes(nTimeJ, &pJ, &nBytesJ, &bWideJ);
    // A text is stored wide only when it must be, so equal texts are stored alike.
    return bWideI == bWideJ && nBytesI == nBytesJ && (nBytesI == 0 || std::memcmp(pI, pJ, size_t(nBytesI)) == 0);
}

std::optional<CObData> CRecordArray::Record(qsizetype i) const
{
    if (IsNull(i))
        return std::nullopt;
    const CKind& kind = KindOf(i);
    return CObData(Value(i), m_texts[kind.nUnit], kind.dSampleRate, Index(i), Time(i), m_texts[kind.nType],
                   kind.fRange);
}

qint64 CRecordArray::BytesUsed() const
{
    // A hash node holds its key and value beside a span entry; counted generously.
    constexpr qint64 kHashEntry = 48;
    qint64 nBytes = qint64(sizeof(*this)) + CapacityBytes(m_values) + CapacityBytes(m_indices)
        + CapacityBytes(m_kindIds) + CapacityBytes(m_timeIds) + CapacityBytes(m_texts) + CapacityBytes(m_kinds)
        + qint64(m_timeText.capacity()) + CapacityBytes(m_timeStarts);
    for (const QString& str : m_texts)
        nBytes += str.capacity() * qint64(sizeof(QChar));
    nBytes += (m_textIds.size() + m_kindIdsByKey.size()) * kHashEntry;
    return nBytes;
}
