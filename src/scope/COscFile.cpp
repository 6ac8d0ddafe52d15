#include "scope/COscFile.h"

#include "base/CFileIo.h"
#include "base/CPrintf.h"
#include "base/LogCategories.h"
#include "document/CArchive.h"

#include <QBuffer>
#include <QDir>

namespace {

constexpr qint32 kStatusBits = 7;
constexpr int kStatusShift = 3;

qint32 PackTrigger(int nTriggerLevel, int nStatus)
{
    // Shifted as unsigned so a level too large for the field wraps instead of overflowing.
    return qint32((quint32(nTriggerLevel) << kStatusShift) | quint32(nStatus & kStatusBits));
}

} // namespace

QString COscFile::ProposedFileName(const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    return CPrintf::Format("%d-%d-%d %d-%d-%d", date.year(), date.month(), date.day(), time.hour(),
                           time.minute(), time.second())
           + Extension();
}

void COscFile::Store(CArchive& ar, const OscRecord& r)
{
    ar << qint32(r.m_coupling) << qint32(r.m_dateOrder) << qint32(r.m_date2)
       << PackTrigger(r.m_triggerLevel, r.m_status) << r.m_freq << r.m_period << qint32(r.m_spareInt)
       << r.m_spareValue << r.m_minValue << r.m_maxValue << qint32(r.m_hour) << qint32(r.m_minute)
       << qint32(r.m_date1) << qint32(r.m_page) << qint32(r.m_second) << qint32(r.m_speed)
       << qint32(r.m_rateCode) << r.m_spareText << r.m_freqText << r.m_periodText << r.m_rateText
       << r.m_voltsText << r.m_vppText << qint32(r.m_trigger) << r.m_voltsPerDiv << r.m_pos1 << r.m_pos2
       << r.m_vpp << qint32(r.m_year) << r.m_unit << quint8(r.m_valid ? 1 : 0) << qint32(r.m_slot);
    for (float f : r.m_samples)
        ar << f;
    for (float f : r.m_bars)
        ar << f;
}

bool COscFile::Load(CArchive& ar, OscRecord* pRecord)
{
    OscRecord r;
    qint32 nPacked = 0;
    quint8 nValid = 0;
    ar >> r.m_coupling >> r.m_dateOrder >> r.m_date2 >> nPacked >> r.m_freq >> r.m_period >> r.m_spareInt
        >> r.m_spareValue >> r.m_minValue >> r.m_maxValue >> r.m_hour >> r.m_minute >> r.m_date1 >> r.m_page
        >> r.m_second >> r.m_speed >> r.m_rateCode >> r.m_spareText >> r.m_freqText >> r.m_periodText
        >> r.m_rateText >> r.m_voltsText >> r.m_vppText >> r.m_trigger >> r.m_voltsPerDiv >> r.m_pos1 >> r.m_pos2
        >> r.m_vpp >> r.m_year >> r.m_unit >> nValid >> r.m_slot;
    for (float& f : r.m_samples)
        ar >> f;
    for (float& f : r.m_bars)
        ar >> f;
    if (ar.HasError())
        return false;
    r.m_status = nPacked & kStatusBits;
    r.m_triggerLevel = nPacked >> kStatusShift; // arithmetic shift: a negative level survives
    r.m_valid = nValid ? 1 : 0;
    *pRecord = r;
    return true;
}

QByteArray COscFile::SaveBytes(const OscRecord& record)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        CArchive ar(&buffer);
        ar << kVersion;
        Store(ar, record);
    }
    return data;
}

bool COscFile::SaveFile(const QString& strPath, const OscRecord& record, QString* pstrError)
{
    const QByteArray data = SaveBytes(record);
    if (!CFileIo::SaveBytes(strPath, data, pstrError))
        return false;
    qCInfo(LogScope, "saved %s (%lld bytes)", qUtf8Printable(QDir::toNativeSeparators(strPath)), qlonglong(data.size()));
    return true;
}

std::optional<OscRecord> COscFile::LoadBytes(const QByteArray& data, QString* pstrError)
{
    CArchive ar(data);
    qint32 nVersion = 0;
    ar >> nVersion;
    if (!ar.HasError() && nVersion != kVersion)
        ar.SetError(QStringLiteral("the file has version %1; only version %2 can be read").arg(nVersion).arg(kVersion));
    OscRecord record;
    if (ar.HasError() || !Load(ar, &record)) {
        if (pstrError)
            *pstrError = ar.ErrorString();
        return std::nullopt;
    }
    return record;
}

std::optional<OscRecord> COscFile::LoadFile(const QString& strPath, QString* pstrError)
{
    QByteArray data;
    if (!CFileIo::ReadAll(strPath, kMaxFileBytes, &data, pstrError))
        return std::nullopt;
    QString strReason;
    std::optional<OscRecord> record = LoadBytes(data, &strReason);
    if (!record && pstrError)
        *pstrError = CFileIo::OpenError(strPath, strReason);
    if (record)
        qCInfo(LogScope, "opened %s", qUtf8Printable(QDir::toNativeSeparators(strPath)));
    return record;
}
