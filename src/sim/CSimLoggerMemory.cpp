#include "sim/CSimLoggerMemory.h"

#include "sim/CSimFrameEncoder.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

constexpr quint8 kRequestDirectory = 0x95;
constexpr quint8 kRequestRecording = 0x96;
constexpr quint8 kEndTransfer = 0xa0;
const QByteArray kAck = QByteArray::fromHex("f30001f4");

void PutU32(QByteArray& bytes, int nPos, quint32 n)
{
    qToLittleEndian(n, bytes.data() + nPos);
}

void PutClock(QByteArray& bytes, int nPos, const CSimClock& clock)
{
    const int fields[] = {clock.m_nYear, clock.m_nMonth, clock.m_nDay, clock.m_nHour, clock.m_nMinute, clock.m_nSecond};
    for (int i = 0; i < 6; ++i)
        bytes[nPos + i] = char(CSimFrameEncoder::Bcd(fields[i]));
}

// Checks one key of a scenario object after another and remembers the first fault.
class CKeyReader
{
public:
    CKeyReader(const QJsonObject& obj, const QString& strWhere) : m_obj(obj), m_strWhere(strWhere) {}

    bool Allow(const QSet<QString>& keys)
    {
        for (auto it = m_obj.begin(); it != m_obj.end() && m_strError.isEmpty(); ++it)
            if (!keys.contains(it.key()))
                m_strError = QStringLiteral("unknown key \"%1\"").arg(it.key());
        return m_strError.isEmpty();
    }
    // A whole number nMin..nMax; *pn stays as it is when the key is absent.
    template <typename T>
    void Whole(const char* pszKey, qint64 nMin, qint64 nMax, T* pn)
    {
        const QJsonValue value = m_obj.value(QLatin1String(pszKey));
        if (!m_strError.isEmpty() || value.isUndefined())
            return;
        const double d = value.toDouble();
        if (!value.isDouble() || d != std::floor(d) || d < double(nMin) || d > double(nMax))
            m_strError = QStringLiteral("\"%1\" must be a whole number from %2 to %3").arg(pszKey).arg(nMin).arg(nMax);
        else
            *pn = T(d);
    }
    void Number(const char* pszKey, double* pd)
    {
        const QJsonValue value = m_obj.value(QLatin1String(pszKey));
        if (!m_strError.isEmpty() || value.isUndefined())
            return;
        if (!value.isDouble() || std::fabs(value.toDouble()) > double(FLT_MAX))
            m_strError = QStringLiteral("\"%1\" must be a number that fits a 32-bit float").arg(pszKey);
        else
            *pd = value.toDouble();
    }
    void Fail(const QString& strError)
    {
        if (m_strError.isEmpty())
            m_strError = strError;
    }
    bool Ok() const { return m_strError.isEmpty(); }
    bool Report(QString* pstrError) const
    {
        if (pstrError && !m_strError.isEmpty())
            *pstrError = m_strWhere + m_strError;
        return m_strError.isEmpty();
    }

private:
    const QJsonObject& m_obj;
    QString m_strWhere;
    QString m_strError;
};

bool ParseRecording(const QJsonValue& value, int nIndex, CSimLoggerMemory::Recording* pRec, qint64* pnTotal,
                    QString* pstrError)
{
    const QString strWhere = QStringLiteral("logger recording %1: ").arg(nIndex + 1);
    if (!value.isObject()) {
        if (pstrError)
            *pstrError = strWhere + QStringLiteral("must be an object");
        return false;
    }
    const QJsonObject obj = value.toObject();
    CKeyReader keys(obj, strWhere);
    keys.Allow({"comment", "address", "function", "start", "interval", "samples", "count", "value", "valueStep",
                "blockSize", "ignoreRequests"});
    keys.Whole("address", 0, 255, &pRec->m_nAddress);
    keys.Whole("function", 0, 255, &pRec->m_nFunction);
    keys.Whole("interval", 0, 0xffffffffLL, &pRec->m_nInterval);
    keys.Whole("blockSize", 1, 255, &pRec->m_nBlockSize);
    keys.Whole("ignoreRequests", 0, 1000, &pRec->m_nIgnoreRequests);
    if (obj.contains("start")) {
        const QJsonArray arr = obj["start"].toArray();
        int fields[6] = {};
        for (int i = 0; i < 6 && arr.size() == 6; ++i) {
            const double d = arr[i].toDouble(-1);
            fields[i] = arr[i].isDouble() && d == std::floor(d) && d >= 0 && d <= 99 ? int(d) : -1;
        }
        if (arr.size() != 6 || std::find(std::begin(fields), std::end(fields), -1) != std::end(fields))
            keys.Fail(QStringLiteral("\"start\" must be [year (2 digits), month, day, hour, minute, second], "
                                     "each 0 to 99"));
        pRec->m_start = CSimClock{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    }
    const bool bList = obj.contains("samples");
    if (bList == obj.contains("count"))
        keys.Fail(QStringLiteral("give either \"samples\" (a list of values) or \"count\""));
    if (bList && (obj.contains("value") || obj.contains("valueStep")))
        keys.Fail(QStringLiteral("\"value\" and \"valueStep\" go with \"count\", not with \"samples\""));
    if (!keys.Ok())
        return keys.Report(pstrError);

    qint64 nCount = 0;
    if (bList) {
        const QJsonArray arr = obj["samples"].toArray();
        nCount = arr.size();
        if (!obj["samples"].isArray())
            keys.Fail(QStringLiteral("\"samples\" must be a list of numbers"));
        for (const QJsonValue& sample : arr) {
            if (!sample.isDouble() || std::fabs(sample.toDouble()) > double(FLT_MAX)) {
                keys.Fail(QStringLiteral("\"samples\" must be a list of numbers that fit a 32-bit float"));
                break;
            }
        }
        if (keys.Ok() && *pnTotal + nCount <= CSimLoggerMemory::kMaxTotalSamples)
            for (const QJsonValue& sample : arr)
                pRec->m_arrSamples.append(float(sample.toDouble()));
    } else {
        double dValue = 0.0;
        double dStep = 0.0;
        keys.Whole("count", 1, CSimLoggerMemory::kMaxTotalSamples, &nCount);
        keys.Number("value", &dValue);
        keys.Number("valueStep", &dStep);
        if (keys.Ok() && std::fabs(dValue + dStep * double(nCount - 1)) > double(FLT_MAX))
            keys.Fail(QStringLiteral("\"valueStep\" drives the value beyond a 32-bit float"));
        if (keys.Ok() && *pnTotal + nCount <= CSimLoggerMemory::kMaxTotalSamples) {
            pRec->m_arrSamples.reserve(nCount);
            for (qint64 i = 0; i < nCount; ++i)
                pRec->m_arrSamples.append(float(dValue + dStep * double(i)));
        }
    }
    if (keys.Ok() && nCount == 0)
        keys.Fail(QStringLiteral("a recording needs at least one sample"));
    *pnTotal += nCount;
    if (keys.Ok() && *pnTotal > CSimLoggerMemory::kMaxTotalSamples)
        keys.Fail(QStringLiteral("more than %1 samples in the logger").arg(CSimLoggerMemory::kMaxTotalSamples));
    if (keys.Ok() && CSimLoggerMemory::BlockCount(*pRec) > CSimLoggerMemory::kMaxBlocks)
        keys.Fail(QStringLiteral("%1 samples in blocks of %2 make more than %3 blocks")
                      .arg(nCount).arg(pRec->m_nBlockSize).arg(CSimLoggerMemory::kMaxBlocks));
    return keys.Report(pstrError);
}

} // namespace

bool CSimLoggerMemory::Parse(const QJsonValue& value, Setup* pSetup, QString* pstrError)
{
    const QString strWhere = QStringLiteral("\"logger\": ");
    if (!value.isObject()) {
        if (pstrError)
            *pstrError = strWhere + QStringLiteral("must be an object with \"recordings\"");
        return false;
    }
    const QJsonObject obj = value.toObject();
    CKeyReader keys(obj, strWhere);
    Setup setup;
    keys.Allow({"comment", "recordings", "ignoreDirectoryRequests", "push"});
    keys.Whole("ignoreDirectoryRequests", 0, 1000, &setup.m_nIgnoreDirectoryRequests);
    const QJsonArray arr = obj["recordings"].toArray();
    if (!obj["recordings"].isArray() || arr.size() > kMaxRecordings)
        keys.Fail(QStringLiteral("\"recordings\" must be a list of at most %1 recordings").arg(kMaxRecordings));
    if (!keys.Report(pstrError))
        return false;

    qint64 nTotal = 0;
    QSet<int> addresses;
    for (int i = 0; i < arr.size(); ++i) {
        Recording rec;
        if (!ParseRecording(arr[i], i, &rec, &nTotal, pstrError))
            return false;
        if (addresses.contains(rec.m_nAddress)) {
            if (pstrError)
                *pstrError = QStringLiteral("logger recording %1: address %2 is used twice").arg(i + 1).arg(rec.m_nAddress);
            return false;
        }
        addresses.insert(rec.m_nAddress);
        setup.m_arrRecordings.append(rec);
    }
    if (obj.contains("push")) {
        const QJsonObject push = obj["push"].toObject();
        CKeyReader pushKeys(push, strWhere + QStringLiteral("\"push\": "));
        if (!obj["push"].isObject() || !push.contains("address"))
            pushKeys.Fail(QStringLiteral("must be an object with \"address\" and \"atMs\""));
        pushKeys.Allow({"comment", "address", "atMs"});
        pushKeys.Whole("address", 0, 255, &setup.m_nPushAddress);
        pushKeys.Whole("atMs", 0, 24LL * 3600 * 1000, &setup.m_nPushAtMs);
        if (pushKeys.Ok() && !addresses.contains(setup.m_nPushAddress))
            pushKeys.Fail(QStringLiteral("no recording has address %1").arg(setup.m_nPushAddress));
        if (!pushKeys.Report(pstrError))
            return false;
    }
    *pSetup = setup;
    return true;
}

CSimLoggerMemory::CSimLoggerMemory(const Setup& setup)
    : m_setup(setup)
{
}

void CSimLoggerMemory::Start(qint64 nowMs)
{
    m_arrIgnoreLeft.clear();
    for (const Recording& rec : std::as_const(m_setup.m_arrRecordings))
        m_arrIgnoreLeft.append(rec.m_nIgnoreRequests);
    m_nDirectoryIgnoreLeft = m_setup.m_nIgnoreDirectoryRequests;
    m_nIgnored = 0;
    m_arrOut.clear();
    m_bTransfer = false;
    m_nSending = -1;
    m_bPushing = false;
    m_bPushed = false;
    m_bStarted = true;
    m_nStartMs = nowMs;
}

void CSimLoggerMemory::StartSending(int nRecording)
{
    m_arrOut.append(Header(m_setup.m_arrRecordings.at(nRecording)));
    m_nSending = nRecording;
    m_nNextBlock = 1;
}

bool CSimLoggerMemory::OnCommand(const QByteArray& frame)
{
    if (frame == kAck) {
        if (m_nSending < 0)
            return true; // nothing is waiting for it
        const Recording& rec = m_setup.m_arrRecordings.at(m_nSending);
        m_arrOut.append(Block(rec, m_nNextBlock));
        // The last block is not acknowledged: the recording is out.
        if (++m_nNextBlock > BlockCount(rec)) {
            m_nSending = -1;
            if (std::exchange(m_bPushing, false))
                m_bTransfer = false;
        }
        return true;
    }
    if (frame.size() != 4 || quint8(frame[0]) != 0xb0 || quint8(frame[3]) != 0xb1)
        return false;
    switch (quint8(frame[1])) {
    case kRequestDirectory:
        m_bTransfer = true;
        if (m_nDirectoryIgnoreLeft > 0) {
            --m_nDirectoryIgnoreLeft;
            ++m_nIgnored;
        } else {
            m_arrOut.append(Directory());
        }
        return true;
    case kRequestRecording: {
        m_bTransfer = true;
        const int nAddress = quint8(frame[2]);
        for (int i = 0; i < m_setup.m_arrRecordings.size(); ++i) {
            if (m_setup.m_arrRecordings[i].m_nAddress != nAddress)
                continue;
            if (m_arrIgnoreLeft[i] > 0) {
                --m_arrIgnoreLeft[i];
                break;
            }
            StartSending(i);
            return true;
        }
        ++m_nIgnored; // ignored on purpose, or an address the logger does not hold
        return true;
    }
    case kEndTransfer:
        m_bTransfer = false;
        m_nSending = -1;
        m_bPushing = false;
        return true;
    default:
        return false;
    }
}

QList<QByteArray> CSimLoggerMemory::Poll(qint64 nowMs)
{
    if (m_bStarted && !m_bPushed && m_setup.m_nPushAddress >= 0 && nowMs >= m_nStartMs + m_setup.m_nPushAtMs
        && !IsTransferring()) {
        m_bPushed = true;
        for (int i = 0; i < m_setup.m_arrRecordings.size(); ++i) {
            if (m_setup.m_arrRecordings[i].m_nAddress == m_setup.m_nPushAddress) {
                StartSending(i);
                m_bPushing = true;
                m_bTransfer = true;
            }
        }
    }
    return std::exchange(m_arrOut, {});
}

qint64 CSimLoggerMemory::MsUntilNext(qint64 nowMs) const
{
    if (!m_arrOut.isEmpty())
        return 0;
    if (m_bStarted && !m_bPushed && m_setup.m_nPushAddress >= 0 && !IsTransferring())
        return qMax<qint64>(0, m_nStartMs + m_setup.m_nPushAtMs - nowMs);
    return -1;
}

QByteArray CSimLoggerMemory::Directory() const
{
    const QList<Recording>& recs = m_setup.m_arrRecordings;
    // An empty logger still answers with one entry, announcing 0 entries.
    const int nEntries = int(qMax<qsizetype>(1, recs.size()));
    QByteArray bytes(kEntryBytes * nEntries, '\0');
    for (int i = 0; i < nEntries; ++i) {
        const int nPos = i * kEntryBytes;
        bytes[nPos] = char(0xa0);
        bytes[nPos + 1] = char(0xaa);
        bytes[nPos + 3] = char(recs.size());
        if (recs.isEmpty())
            break;
        const Recording& rec = recs[i];
        bytes[nPos + 2] = char(rec.m_nAddress);
        bytes[nPos + 4] = char(rec.m_nFunction);
        PutClock(bytes, nPos + 5, rec.m_start);
        PutU32(bytes, nPos + 11, rec.m_nInterval);
        PutU32(bytes, nPos + 19, quint32(rec.m_arrSamples.size()));
    }
    return bytes;
}

QByteArray CSimLoggerMemory::Header(const Recording& rec)
{
    QByteArray bytes(kHeaderBytes, '\0');
    bytes[0] = char(0xa0);
    bytes[1] = char(0xa8);
    bytes[2] = char(rec.m_nFunction);
    PutClock(bytes, 3, rec.m_start);
    PutU32(bytes, 9, rec.m_nInterval);
    PutU32(bytes, 13, quint32(rec.m_arrSamples.size()));
    qToLittleEndian(quint16(BlockCount(rec)), bytes.data() + 21);
    return bytes;
}

int CSimLoggerMemory::BlockCount(const Recording& rec)
{
    return int((rec.m_arrSamples.size() + rec.m_nBlockSize - 1) / rec.m_nBlockSize);
}

QByteArray CSimLoggerMemory::Block(const Recording& rec, int nBlock)
{
    const qsizetype nFirst = qsizetype(nBlock - 1) * rec.m_nBlockSize;
    const int nCount = int(std::clamp<qsizetype>(rec.m_arrSamples.size() - nFirst, 0, rec.m_nBlockSize));
    QByteArray bytes = QByteArray::fromHex("a0a9") + char(nCount) + char(nBlock) + '\0';
    for (int i = 0; i < nCount; ++i) {
        QByteArray sample(8, '\0');
        quint32 nBits = 0;
        const float fValue = rec.m_arrSamples[nFirst + i];
        std::memcpy(&nBits, &fValue, sizeof nBits);
        PutU32(sample, 0, nBits);
        PutU32(sample, 4, quint32(quint64(nFirst + i) * rec.m_nInterval));
        bytes += sample;
    }
    return bytes + QByteArray::fromHex("0000a1");
}
