#include "document/CMyTalvaDoc.h"

#include "base/CFileIo.h"
#include "document/CArchive.h"

#include <QBuffer>
#include <QFile>
#include <QScopeGuard>

#include <new>

namespace {

QString TimeOf(const CObData* pOb)
{
    return pOb ? pOb->m_strTime : QString();
}

// Runs of readings repeat the same unit and type: let them share one string.
void ShareWithPrevious(CObData& ob, const QList<CObData*>& arr)
{
    const CObData* pPrev = arr.isEmpty() ? nullptr : arr.last();
    if (!pPrev)
        return;
    if (ob.m_strUnit == pPrev->m_strUnit)
        ob.m_strUnit = pPrev->m_strUnit;
    if (ob.m_strType == pPrev->m_strType)
        ob.m_strType = pPrev->m_strType;
}

} // namespace

CMyTalvaDoc::CMyTalvaDoc(QObject* pParent)
    : QObject(pParent)
{
}

CMyTalvaDoc::~CMyTalvaDoc()
{
    for (QList<CObData*>& arr : m_arrData)
        qDeleteAll(arr);
}

void CMyTalvaDoc::AddReading(int nArray, const QString& strUnit, int nIndex, const QString& strTime,
                             const QString& strType, double dValue, double dSampleRate,
                             float fRangeLimit, float fMainValue)
{
    if (nArray < 0 || nArray >= kArrayCount)
        return;
    QList<CObData*>& arr = m_arrData[nArray];
    auto pOb = std::make_unique<CObData>(dValue, strUnit, dSampleRate, nIndex, strTime, strType,
                                         fRangeLimit);
    ShareWithPrevious(*pOb, arr);
    // Appended before the statistics change, so a reader never sees a count ahead of it.
    arr.append(pOb.get());
    pOb.release();

    if (nArray == 0) {
        // Single precision and strict on both sides: a reading at +-L is an overload.
        const bool bInRange = fRangeLimit > fMainValue && fMainValue > -fRangeLimit;
        if (bInRange) {
            if (dValue > m_dMax) {
                m_dMax = dValue;
                m_strMaxTime = strTime;
            }
            if (dValue < m_dMin) {
                m_dMin = dValue;
                m_strMinTime = strTime;
            }
            m_strType = strType;
            m_dSum += dValue;
            ++m_nValidCount;
            m_dAverage = m_dSum / m_nValidCount;
            m_strStartTime = TimeOf(arr.first());
            m_strEndTime = TimeOf(arr.last());
        }
        m_nCount = qint32(arr.size());
        m_summary.Sync(arr);
    }
    emit RecordAdded(nArray);
    emit Changed();
}

void CMyTalvaDoc::ResetStatistics()
{
    m_dSum = 0.0;
    m_dAverage = 0.0;
    m_nCount = 0;
    m_nValidCount = 0;
    m_dMax = kNoMax;
    m_dMin = kNoMin;
    m_dSampleRate = 1.0;
    emit Changed();
}

void CMyTalvaDoc::ImportReadings(QList<CObData*>& arrRecords)
{
    QList<CObData*>& arr = m_arrData[0];
    if (arr.isEmpty())
        arr.reserve(arrRecords.size());
    const CObData* pFirst = nullptr;
    qsizetype nPosition = 0;
    for (CObData*& pOb : arrRecords) {
        if (!pOb)
            continue;
        ShareWithPrevious(*pOb, arr);
        arr.append(pOb);
        const CObData& ob = *pOb;
        pOb = nullptr; // owned by the document from here on
        ++nPosition;
        if (!pFirst)
            pFirst = &ob;
        if (CObData::IsOverload(ob.m_dValue))
            continue;
        m_dSum += ob.m_dValue;
        // Overloads before this record count in the divisor.
        m_dAverage = m_dSum / double(nPosition);
        if (ob.m_dValue > m_dMax) {
            m_dMax = ob.m_dValue;
            m_strMaxTime = ob.m_strTime;
        }
        if (ob.m_dValue < m_dMin) {
            m_dMin = ob.m_dValue;
            m_strMinTime = ob.m_strTime;
        }
    }
    arrRecords.clear();

    if (pFirst) {
        m_dSampleRate = pFirst->m_dSampleRate;
        m_strType = pFirst->m_strType;
        m_strStartTime = pFirst->m_strTime;
        m_strEndTime = TimeOf(arr.last());
    }
    m_nCount = qint32(arr.size());
    m_bLive = false;
    m_summary.Sync(arr);
    emit Changed();
}

void CMyTalvaDoc::DeleteContents()
{
    for (QList<CObData*>& arr : m_arrData) {
        while (!arr.isEmpty()) {
            delete arr.last();
            arr.removeLast();
        }
        arr.squeeze();
    }
    m_summary.Clear();
    emit Changed();
}

void CMyTalvaDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        Store(ar);
    else
        Load(ar);
}

void CMyTalvaDoc::Store(CArchive& ar) const
{
    for (const QList<CObData*>& arr : m_arrData) {
        ar.WriteCount(quint64(arr.size()));
        for (const CObData* pOb : arr) {
            if (ar.HasError())
                return;
            ar.WriteObject(pOb);
        }
    }
    ar << m_dAverage << m_dMax << m_strMaxTime << m_dMin << m_strMinTime << m_dSampleRate
       << m_dSum << m_nCount << m_strStartTime << m_strEndTime << m_strType;
}

void CMyTalvaDoc::Load(CArchive& ar)
{
    // Everything is read aside first, so a bad file leaves this document untouched.
    QList<CObData*> arrLoaded[kArrayCount];
    auto cleanup = qScopeGuard([&arrLoaded] {
        for (QList<CObData*>& arr : arrLoaded)
            qDeleteAll(arr);
    });

    for (QList<CObData*>& arr : arrLoaded) {
        const quint64 nCount = ar.ReadCount(CArchive::kMinElementBytes);
        if (ar.HasError())
            return;
        arr.reserve(qsizetype(nCount));
        for (quint64 i = 0; i < nCount; ++i) {
            std::unique_ptr<CObData> pOb = ar.ReadObject();
            if (ar.HasError())
                return;
            arr.append(pOb.get());
            pOb.release();
        }
    }

    double dAverage = 0.0, dMax = 0.0, dMin = 0.0, dSampleRate = 0.0, dSum = 0.0;
    qint32 nCount = 0;
    QString strMaxTime, strMinTime, strStartTime, strEndTime, strType;
    ar >> dAverage >> dMax >> strMaxTime >> dMin >> strMinTime >> dSampleRate >> dSum >> nCount
        >> strStartTime >> strEndTime >> strType;
    ar.ExpectEnd();
    if (ar.HasError())
        return;

    cleanup.dismiss();
    for (int i = 0; i < kArrayCount; ++i) {
        qDeleteAll(m_arrData[i]);
        m_arrData[i] = std::move(arrLoaded[i]);
    }
    m_dAverage = dAverage;
    m_dMax = dMax;
    m_strMaxTime = strMaxTime;
    m_dMin = dMin;
    m_strMinTime = strMinTime;
    m_dSampleRate = dSampleRate;
    m_dSum = dSum;
    m_nCount = nCount;
    m_strStartTime = strStartTime;
    m_strEndTime = strEndTime;
    m_strType = strType;
    m_nValidCount = 0;
    m_bLive = false;
    m_summary.Clear();
    m_summary.Sync(m_arrData[0]);
    emit Changed();
}

const CMinMaxSummary& CMyTalvaDoc::Summary()
{
    m_summary.Sync(m_arrData[0]);
    return m_summary;
}

bool CMyTalvaDoc::SaveFile(const QString& strPath, QString* pstrError) const
{
    return CFileIo::Save(strPath, [this](QIODevice& device, QString* pstrReason) {
        CArchive ar(&device);
        Store(ar);
        ar.Flush();
        *pstrReason = ar.ErrorString();
        return !ar.HasError();
    }, pstrError);
}

QByteArray CMyTalvaDoc::SaveBytes() const
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        CArchive ar(&buffer);
        Store(ar);
    }
    return data;
}

std::unique_ptr<CMyTalvaDoc> CMyTalvaDoc::LoadBytes(const QByteArray& data, QString* pstrError)
{
    try {
        auto pDoc = std::make_unique<CMyTalvaDoc>();
        CArchive ar(data);
        pDoc->Load(ar);
        if (ar.HasError()) {
            if (pstrError)
                *pstrError = ar.ErrorString();
            return nullptr;
        }
        return pDoc;
    } catch (const std::bad_alloc&) {
        if (pstrError)
            *pstrError = tr("not enough memory to hold the recording");
        return nullptr;
    }
}

std::unique_ptr<CMyTalvaDoc> CMyTalvaDoc::LoadFile(const QString& strPath, QString* pstrError)
{
    auto fail = [&](const QString& strReason) -> std::unique_ptr<CMyTalvaDoc> {
        if (pstrError)
            *pstrError = CFileIo::OpenError(strPath, strReason);
        return nullptr;
    };

    QFile file(strPath);
    QString strOpenError;
    if (!CFileIo::OpenForReading(file, &strOpenError))
        return fail(strOpenError);
    // Read at most what the file says it holds: a device that never ends cannot fill memory.
    const qint64 nSize = file.size();
    if (nSize > kMaxFileBytes)
        return fail(tr("the file is %1 bytes long, more than a recording can be").arg(nSize));
    QByteArray data;
    try {
        data.resize(qsizetype(nSize));
    } catch (const std::bad_alloc&) {
        return fail(tr("not enough memory to read the file"));
    }
    qint64 nRead = 0;
    while (nRead < nSize) {
        const qint64 n = file.read(data.data() + nRead, nSize - nRead);
        if (n < 0)
            return fail(file.errorString());
        if (n == 0)
            break;
        nRead += n;
    }
    data.truncate(qsizetype(nRead));
    file.close();

    QString strReason;
    std::unique_ptr<CMyTalvaDoc> pDoc = LoadBytes(data, &strReason);
    if (!pDoc)
        return fail(strReason);
    return pDoc;
}
