#include "document/ui/CPrintRX.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

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
    // A job given up half way: the printer gets nothing more. The painter ends before the
    // printer it paints on goes.
    if (m_pPrinter && IsPainting())
        m_pPrinter->abort();
    EndPainting();
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
        job.SetDevice(pPrinter.get());
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
    SetDevice(m_pPrinter.get());
    return 0;
}

bool CPrintRX::EndDocument(QString* pstrError)
{
    if (!CPageJob::EndDocument(pstrError))
        return false;
    if (m_pPrinter && m_pPrinter->printerState() == QPrinter::Error) {
        if (pstrError)
            *pstrError = QStringLiteral("The printer reported an error.");
        return false;
    }
    return true;
}
