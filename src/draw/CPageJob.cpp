#include "draw/CPageJob.h"

#include "base/CFileIo.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

constexpr int kPdfResolution = 600;
constexpr double kPdfMarginMm = 10.0;

} // namespace

CPageJob::CPageJob() = default;

CPageJob::~CPageJob()
{
    // A job given up half way: the file is not written.
    EndPainting();
    m_pPdf.reset();
    if (m_pFile)
        m_pFile->cancelWriting();
}

bool CPageJob::IsPainting() const
{
    return m_pPainter && m_pPainter->isActive();
}

void CPageJob::EndPainting()
{
    if (IsPainting())
        m_pPainter->end();
    m_pPainter.reset();
}

int CPageJob::StartPrintingToPdf(const QString& strPath)
{
    m_pFile = std::make_unique<QSaveFile>(strPath);
    if (!m_pFile->open(QIODevice::WriteOnly)) {
        m_strError = CFileIo::SaveError(strPath, m_pFile->errorString());
        m_pFile.reset();
        return -1;
    }
    auto pWriter = std::make_unique<QPdfWriter>(m_pFile.get());
    pWriter->setTitle(JobName());
    pWriter->setCreator(JobName());
    pWriter->setResolution(kPdfResolution);
    pWriter->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                       QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                                       QPageLayout::Millimeter));
    m_pDevice = pWriter.get();
    m_pPdf = std::move(pWriter);
    return 0;
}

int CPageJob::StartDocument()
{
    if (!m_pDevice)
        return -1;
    m_pPainter = std::make_unique<QPainter>();
    // Beginning the painter starts the job and its first page.
    if (!m_pPainter->begin(m_pDevice)) {
        m_pPainter.reset();
        return -1;
    }
    m_pPainter->setBackgroundMode(Qt::TransparentMode);
    return 0;
}

int CPageJob::StartPrintPage()
{
    if (!IsPainting())
        return -1;
    if (m_nPages > 0 && !m_pDevice->newPage())
        return -1;
    ++m_nPages;
    return 0;
}

void CPageJob::EndPage()
{
}

bool CPageJob::EndDocument(QString* pstrError)
{
    auto fail = [&](const QString& strReason) {
        if (pstrError)
            *pstrError = strReason;
        return false;
    };
    if (!IsPainting())
        return fail(QStringLiteral("The printout was not started."));
    EndPainting();
    if (m_pFile) {
        m_pPdf.reset(); // the writer finishes the file when it goes
        const QString strPath = m_pFile->fileName();
        if (m_pFile->error() != QFileDevice::NoError || !m_pFile->commit()) {
            const QString strReason = m_pFile->errorString();
            m_pFile->cancelWriting();
            m_pFile.reset();
            return fail(CFileIo::SaveError(strPath, strReason));
        }
        m_pFile.reset();
    }
    return true;
}

int CPageJob::Width() const
{
    return m_pDevice ? m_pDevice->width() : 0;
}

int CPageJob::Height() const
{
    return m_pDevice ? m_pDevice->height() : 0;
}

int CPageJob::Resolution() const
{
    return m_pDevice ? m_pDevice->logicalDpiX() : 0;
}
