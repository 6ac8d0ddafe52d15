#include "protocol/CLiveRecorder.h"

#include "document/CMyTalvaDoc.h"

#include <QFileInfo>

CLiveRecorder::CLiveRecorder(const QString& strPath, QObject* pParent)
    : QObject(pParent)
{
    const QFileInfo info(strPath);
    const QString strSuffix = info.suffix();
    if (strSuffix.isEmpty()) {
        m_strBase = strPath;
        m_strExtension = QStringLiteral(".mLog");
    } else {
        m_strBase = strPath.left(strPath.size() - strSuffix.size() - 1);
        m_strExtension = QLatin1Char('.') + strSuffix;
    }
}

CLiveRecorder::~CLiveRecorder() = default;

QString CLiveRecorder::FilePath(int nFile) const
{
    return nFile <= 1 ? m_strBase + m_strExtension : QStringLiteral("%1-%2%3").arg(m_strBase).arg(nFile).arg(m_strExtension);
}

int CLiveRecorder::RecordsInFile() const
{
    return m_pDoc ? int(m_pDoc->m_arrData[0].size()) : 0;
}

void CLiveRecorder::StartFile()
{
    ++m_nFile;
    m_pDoc = std::make_unique<CMyTalvaDoc>();
    emit FileStarted(CurrentPath());
}

bool CLiveRecorder::CloseFile()
{
    if (!m_pDoc)
        return true;
    const bool bSaved = Save();
    m_pDoc->m_bLive = false;
    emit FileClosed(CurrentPath(), RecordsInFile());
    m_pDoc.reset();
    return bSaved;
}

bool CLiveRecorder::Save()
{
    if (!m_pDoc)
        return true;
    QString strError;
    if (m_pDoc->SaveFile(CurrentPath(), &strError))
        return true;
    emit FileError(QStringLiteral("Cannot save %1: %2").arg(CurrentPath(), strError));
    return false;
}

bool CLiveRecorder::Record(const CDecodedReading& decoded)
{
    if (!decoded.bSeries8Frame)
        return false;
    const MeterReading r = CRecordingRules::LiveReading(decoded);
    // A new function or a full file starts the next file; the reading that
    // caused it is its first record rather than being dropped.
    if (m_pDoc && CRecordingRules::CheckLive(*m_pDoc, r.m_strFunction) != CRecordingRules::LiveCheck::Record)
        CloseFile();
    if (!m_pDoc)
        StartFile();

    m_pDoc->AddReading(0, r.m_strUnit, RecordsInFile(), decoded.strTime, r.m_strFunction, double(r.m_fValue), 0.0,
                       r.m_fRange, r.m_fValue);
    ++m_nTotal;
    return true;
}
