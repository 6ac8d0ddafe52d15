#include "document/CMyTalvaDoc.h"

#include "base/CFileIo.h"
#include "document/CArchive.h"

#include <QBuffer>
#include <QFile>
#include <QScopeGuard>

#include <cmath>
#include <new>
#include <utility>


CMyTalvaDoc::CMyTalvaDoc(QObject* pParent)
    : QObject(pParent)
{
}

CMyTalvaDoc::~CMyTalvaDoc() = default;

void CMyTalvaDoc::AddReading(int nArray, const QString& strUnit, int nIndex, const QString& strTime,
                             const QString& strType, double dValue, double dSampleRate,
                             float fRangeLimit, float fMainValue)
{
    if (nArray < 0 || nArray >= kArrayCount)
        return;
    CRecordArray& arr = m_arrData[nArray];
    // Appended before the statistics change, so a reader never sees a count ahead of it.
    arr.Append(CObData(dValue, strUnit, dSampleRate, nIndex, strTime, strType, fRangeLimit));

    if (nArray == 0) {
        SyncSeries();
        // The reading in the document's unit; not finite when it is an overload or of another
        // quantity.
        const double dSeries = m_summary.Value(arr.size() - 1);
        // Single precision and strict on both sides: a reading at +-L is an overload.
        const bool bInRange = fRangeLimit > fMainValue && fMainValue > -fRangeLimit;
        if (bInRange && std::isfinite(dSeries)) {
            Enter(dSeries, strTime);
            m_strType = strType;
            m_strStartTime = arr.Time(0);
            m_strEndTime = strTime;
        }
        m_nCount = qint32(arr.size());
    }
    emit RecordAdded(nArray);
    emit Changed();
}

void CMyTalvaDoc::ResetStatistics()
{
    ClearFigures();
    m_nCount = 0;
    m_dSampleRate = 1.0;
    emit Changed();
}

void CMyTalvaDoc::ClearFigures()
{
    m_dSum = 0.0;
    m_dAverage = 0.0;
    m_nValidCount = 0;
    m_dMax = kNoMax;
    m_dMin = kNoMin;
}

void CMyTalvaDoc::ImportReadings(QList<CObData*>& arrRecords)
{
    CRecordArray& arr = m_arrData[0];
    // Copied into the columns; the list is emptied whatever happens.
    auto destroy = qScopeGuard([&arrRecords] {
        qDeleteAll(arrRecords);
        arrRecords.clear();
    });
    arr.Reserve(arrRecords.size());
    const qsizetype nFrom = arr.size();
    for (const CObData* pOb : std::as_const(arrRecords)) {
        if (pOb)
            arr.Append(*pOb);
    }
    SyncSeries();
    FoldFigures(nFrom);

    if (nFrom < arr.size()) {
        m_dSampleRate = arr.SampleRate(nFrom);
        m_strType = arr.Type(nFrom);
        m_strStartTime = arr.Time(nFrom);
        m_strEndTime = arr.Time(arr.size() - 1);
    }
    m_nCount = qint32(arr.size());
    m_bLive = false;
    emit Changed();
}

void CMyTalvaDoc::AppendSeriesPart(CMyTalvaDoc&& part)
{
    const qint32 nOffset = qint32(m_arrData[0].size());
    for (int n = 0; n < kArrayCount; ++n) {
        m_arrData[n].AppendShifted(part.m_arrData[n], nOffset);
        part.m_arrData[n].Clear();
    }
    part.InvalidateSummary();
    if (!part.m_strEndTime.isEmpty())
        m_strEndTime = part.m_strEndTime;
    m_nCount = qint32(m_arrData[0].size());
    m_bLive = false;
    // A loaded file's stored figures are its own: the first part computes them again from all
    // the readings, each later one folds in only its own.
    SyncSeries();
    if (m_nValidCount == 0) {
        ClearFigures();
        m_strMaxTime.clear();
        m_strMinTime.clear();
        FoldFigures(0);
    } else {
        FoldFigures(nOffset);
    }
    emit Changed();
}

void CMyTalvaDoc::DeleteContents()
{
    for (CRecordArray& arr : m_arrData)
        arr.Clear();
    InvalidateSummary();
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
    for (const CRecordArray& arr : m_arrData) {
        ar.WriteCount(quint64(arr.size()));
        for (qsizetype i = 0; i < arr.size(); ++i) {
            if (ar.HasError())
                return;
            const std::optional<CObData> ob = arr.Record(i);
            ar.WriteObject(ob ? &*ob : nullptr);
        }
    }
    ar << m_dAverage << m_dMax << m_strMaxTime << m_dMin << m_strMinTime << m_dSampleRate
       << m_dSum << m_nCount << m_strStartTime << m_strEndTime << m_strType;
}

void CMyTalvaDoc::Load(CArchive& ar)
{
    // Everything is read aside first, so a bad file leaves this document untouched.
    // The records go straight into columns: a reference to an earlier record is read again
    // where it is stored, instead of keeping every record for it.
    ar.SetStreaming();
    CRecordArray arrLoaded[kArrayCount];
    CObData ob;
    for (CRecordArray& arr : arrLoaded) {
        const quint64 nCount = ar.ReadCount(CArchive::kMinElementBytes);
        if (ar.HasError())
            return;
        arr.Reserve(qsizetype(nCount));
        for (quint64 i = 0; i < nCount; ++i) {
            const bool bRecord = ar.ReadObject(&ob);
            if (ar.HasError())
                return;
            if (bRecord)
                arr.Append(ob);
            else
                arr.AppendNull();
        }
        arr.Squeeze();
    }

    double dAverage = 0.0, dMax = 0.0, dMin = 0.0, dSampleRate = 0.0, dSum = 0.0;
    qint32 nCount = 0;
    QString strMaxTime, strMinTime, strStartTime, strEndTime, strType;
    ar >> dAverage >> dMax >> strMaxTime >> dMin >> strMinTime >> dSampleRate >> dSum >> nCount
        >> strStartTime >> strEndTime >> strType;
    ar.ExpectEnd();
    if (ar.HasError())
        return;

    for (int i = 0; i < kArrayCount; ++i)
        m_arrData[i] = std::move(arrLoaded[i]);
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
    InvalidateSummary();
    SyncSeries();
    if (m_unit.MetOtherPrefix() || m_unit.MetOtherQuantity()) {
        ClearFigures();
        m_strMaxTime.clear();
        m_strMinTime.clear();
        FoldFigures(0);
    }
    emit Changed();
}

void CMyTalvaDoc::InvalidateSummary()
{
    m_unit.Clear();
    m_summary.Clear();
    m_times.Reset();
}

void CMyTalvaDoc::SyncSeries() const
{
    const CRecordArray& arr = m_arrData[0];
    if (!m_unit.IsSet()) {
        for (qsizetype i = 0; i < arr.size(); ++i) {
            if (!arr.IsNull(i)) {
                m_unit.Adopt(arr.Unit(i));
                break;
            }
        }
    }
    m_summary.Sync(arr, m_unit);
}

void CMyTalvaDoc::Enter(double dValue, const QString& strTime)
{
    const bool bFirst = !HasFigures();
    if (bFirst || dValue > m_dMax) {
        m_dMax = dValue;
        m_strMaxTime = strTime;
    }
    if (bFirst || dValue < m_dMin) {
        m_dMin = dValue;
        m_strMinTime = strTime;
    }
    m_dSum += dValue;
    ++m_nValidCount;
    m_dAverage = m_dSum / m_nValidCount;
}

void CMyTalvaDoc::FoldFigures(qsizetype nFrom)
{
    // As Enter() for each reading, in locals: a loaded recording may hold millions, and only the
    // last extremes need their times.
    bool bFigures = HasFigures();
    double dMax = m_dMax, dMin = m_dMin, dSum = m_dSum;
    qsizetype nMax = -1, nMin = -1;
    qint32 nCount = m_nValidCount;
    for (qsizetype i = nFrom; i < m_summary.Count(); ++i) {
        const double dValue = m_summary.Value(i);
        if (!std::isfinite(dValue))
            continue;
        if (!bFigures || dValue > dMax) {
            dMax = dValue;
            nMax = i;
        }
        if (!bFigures || dValue < dMin) {
            dMin = dValue;
            nMin = i;
        }
        bFigures = true;
        dSum += dValue;
        ++nCount;
    }
    if (nCount == m_nValidCount)
        return;
    const CRecordArray& arr = m_arrData[0];
    m_dMax = dMax;
    m_dMin = dMin;
    if (nMax >= 0)
        m_strMaxTime = arr.Time(nMax);
    if (nMin >= 0)
        m_strMinTime = arr.Time(nMin);
    m_dSum = dSum;
    m_nValidCount = nCount;
    m_dAverage = m_dSum / m_nValidCount;
}

const CMinMaxSummary& CMyTalvaDoc::Summary() const
{
    SyncSeries();
    return m_summary;
}

const CMeterUnit& CMyTalvaDoc::Unit() const
{
    SyncSeries();
    return m_unit.Unit();
}

bool CMyTalvaDoc::ToDocumentUnit(const QString& strUnit, double* pdValue) const
{
    SyncSeries();
    return m_unit.ToDocumentUnit(strUnit, pdValue);
}

qsizetype CMyTalvaDoc::SkippedReadings() const
{
    return Summary().SkippedCount();
}

bool CMyTalvaDoc::UnitsConverted() const
{
    SyncSeries();
    return m_unit.MetOtherPrefix();
}

const CReadingTimes& CMyTalvaDoc::Times() const
{
    return m_times;
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
