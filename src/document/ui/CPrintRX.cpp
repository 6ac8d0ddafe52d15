#include "document/ui/CPrintRX.h"

#include "base/CFileIo.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

namespace {

constexpr int kPdfResolution = 600;
constexpr double kPdfMarginMm = 10.0;

} // namespace

CPrintRX::CPrintRX(QWidget* pParent, DialogFn fnDialog)
    : m_pParent(pParent)
    , m_fnDialog(std::move(fnDialog))
{
    if (!m_fnDialog) {
        m_fnDialog = [](QPrinter& printer, QWidget* pDialogParent) {
            QPrintDialog dialog(&printer, pDialogParent);
            dialog.setWindowTitle(QStringLiteral("Print"));
            return dialog.exec() == QDialog::Accepted;
        };
    }
}

CPrintRX::~CPrintRX()
{
    // A job given up half way: the printer gets nothing more, the file is not written.
    if (m_pPainter && m_pPainter->isActive()) {
        if (m_pPrinter)
            m_pPrinter->abort();
        m_pPainter->end();
    }
    m_pPainter.reset();
    m_pPdf.reset();
    if (m_pFile)
        m_pFile->cancelWriting();
}

void CPrintRX::RunCommand(QWidget* pParent, const DialogFn& fnDialog, const PrintFn& print, const WarnFn& warn)
{
    CPrintRX job(pParent, fnDialog);
    if (job.StartPrinting() != 0)
        return;
    QString strError;
    if (!print(job, &strError) && !strError.isEmpty())
        warn(strError);
}

void CPrintRX::OpenCommand(QWidget* pParent, PrintFn print, WarnFn warn)
{
    auto pPrinter = std::make_shared<QPrinter>(QPrinter::HighResolution);
    pPrinter->setDocName(JobName());
    auto* pDialog = new QPrintDialog(pPrinter.get(), pParent);
    pDialog->setAttribute(Qt::WA_DeleteOnClose);
    pDialog->setWindowTitle(QStringLiteral("Print"));
    // The printer lives as long as this connection, which goes with the dialog.
    QObject::connect(pDialog, &QDialog::accepted, pDialog, [pPrinter, print = std::move(print), warn = std::move(warn)] {
        if (!pPrinter->isValid())
            return;
        CPrintRX job;
        job.m_pPrinter = pPrinter;
        job.m_pDevice = pPrinter.get();
        QString strError;
        if (!print(job, &strError) && !strError.isEmpty())
            warn(strError);
    });
    pDialog->open();
}

int CPrintRX::StartPrinting()
{
    m_pPrinter = std::make_shared<QPrinter>(QPrinter::HighResolution);
    m_pPrinter->setDocName(JobName());
    if (!m_fnDialog(*m_pPrinter, m_pParent) || !m_pPrinter->isValid()) {
        m_pPrinter.reset();
        return -1;
    }
    m_pDevice = m_pPrinter.get();
    return 0;
}

int CPrintRX::StartPrintingToPdf(const QString& strPath)
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

int CPrintRX::StartDocument()
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

int CPrintRX::StartPrintPage()
{
    if (!m_pPainter || !m_pPainter->isActive())
        return -1;
    if (m_nPages > 0 && !m_pDevice->newPage())
        return -1;
    ++m_nPages;
    return 0;
}

void CPrintRX::EndPage()
{
}

bool CPrintRX::EndDocument(QString* pstrError)
{
    auto fail = [&](const QString& strReason) {
        if (pstrError)
            *pstrError = strReason;
        return false;
    };
    if (!m_pPainter || !m_pPainter->isActive())
        return fail(QStringLiteral("The printout was not started."));
    m_pPainter->end();
    m_pPainter.reset();
    if (m_pPrinter && m_pPrinter->printerState() == QPrinter::Error)
        return fail(QStringLiteral("The printer reported an error."));
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

int CPrintRX::Width() const
{
    return m_pDevice ? m_pDevice->width() : 0;
}

int CPrintRX::Height() const
{
    return m_pDevice ? m_pDevice->height() : 0;
}

int CPrintRX::Resolution() const
{
    return m_pDevice ? m_pDevice->logicalDpiX() : 0;
}
