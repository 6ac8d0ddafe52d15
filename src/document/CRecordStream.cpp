#include "document/CRecordStream.h"

#include "base/CFileIo.h"
#include "document/CArchive.h"
#include "document/CMyTalvaDoc.h"
#include "document/CObData.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {
constexpr qint64 kReleaseStep = 16 * 1024 * 1024; //!< pages behind the read are given back this often
}

bool CRecordStream::Open(const QString& strPath, QString* pstrError)
{
    auto fail = [&](const QString& strReason) {
        if (pstrError)
            *pstrError = CFileIo::OpenError(strPath, strReason);
        return false;
    };
    m_strPath = strPath;
    m_file.setFileName(strPath);
    QString strReason;
    if (!CFileIo::OpenForReading(m_file, &strReason))
        return fail(strReason);
    m_nSize = m_file.size();
    if (m_nSize > CMyTalvaDoc::kMaxFileBytes)
        return fail(QStringLiteral("the file is %1 bytes long, more than a recording can be").arg(m_nSize));
    if (m_nSize > 0) {
        m_pMap = m_file.map(0, m_nSize);
        if (!m_pMap)
            return fail(m_file.errorString());
    }
    return true;
}

bool CRecordStream::Read(const RecordFn& onRecord, SStatistics* pStatistics, QString* pstrError)
{
    if (pstrError)
        pstrError->clear();
    const QByteArray data = m_pMap ? QByteArray::fromRawData(reinterpret_cast<const char*>(m_pMap), qsizetype(m_nSize)) : QByteArray();
    CArchive ar(data);
    ar.SetStreaming();
    const long nPage = ::sysconf(_SC_PAGESIZE);
    qint64 nReleased = 0;
    auto fail = [&] {
        if (pstrError)
            *pstrError = CFileIo::OpenError(m_strPath, ar.ErrorString());
        return false;
    };
    for (int nArray = 0; nArray < CMyTalvaDoc::kArrayCount; ++nArray) {
        const quint64 nCount = ar.ReadCount(CArchive::kMinElementBytes);
        if (ar.HasError())
            return fail();
        for (quint64 i = 0; i < nCount; ++i) {
            const std::unique_ptr<CObData> pOb = ar.ReadObject();
            if (ar.HasError())
                return fail();
            if (onRecord && !onRecord(nArray, pOb.get()))
                return false;
            // Mapped pages behind the read go back to the system (a later reference reads
            // its record again from the file), so a long file does not fill memory.
            if (ar.Position() - nReleased >= kReleaseStep && nPage > 0) {
                const qint64 nUpTo = ar.Position() / nPage * nPage;
                ::madvise(m_pMap, size_t(nUpTo), MADV_DONTNEED);
                nReleased = nUpTo;
            }
        }
    }
    SStatistics s;
    ar >> s.dAverage >> s.dMax >> s.strMaxTime >> s.dMin >> s.strMinTime >> s.dSampleRate >> s.dSum >> s.nCount
        >> s.strStartTime >> s.strEndTime >> s.strType;
    ar.ExpectEnd();
    if (ar.HasError())
        return fail();
    if (pStatistics)
        *pStatistics = s;
    return true;
}
