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

void CPrintRX::RunCommand(QWidget* pParent, const DialogFn& fnDialog,
                          const std::function<bool(CPrintRX&, QString*)>& print,
                          const std::function<void(const QString&)>& warn)
{
    CPrintRX job(pParent, fnDialog);
    if (job.StartPrinting() != 0)
        return;
    QString strError;
    if (!print(job, &strError) && !strError.isEmpty())
        warn(strError);
}

int CPrintRX::StartPrinting()
{
    m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
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
