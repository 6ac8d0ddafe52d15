#pragma once

#include "draw/CPageJob.h"

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

// One print job of a window's command: the print dialog and the printer, or (from CPageJob) a
// PDF file. GUI thread only.
class CPrintRX : public CPageJob
{
public:
    // Asks the user for the printer; false is Cancel. Tests put their own in its place.
    using DialogFn = std::function<bool(QPrinter& printer, QWidget* pParent)>;

    // pParent owns the dialog; fnDialog replaces the platform's print dialog when set.
    explicit CPrintRX(QWidget* pParent = nullptr, DialogFn fnDialog = {});
    ~CPrintRX() override;

    // A menu's print command: the dialog, then print(job, &error); a failure that has a
    // reason is handed to warn, a cancelled dialog prints nothing.
    static void RunCommand(QWidget* pParent, const DialogFn& fnDialog,
                           const std::function<bool(CPrintRX& job, QString* pstrError)>& print,
                           const std::function<void(const QString& strError)>& warn);

    // The print dialog (QPrintDialog); -1 when the user cancels, else 0 with the printer ready.
    int StartPrinting();
    // Ends the job; false with the reason when the printer or the file failed.
    bool EndDocument(QString* pstrError = nullptr) override;

private:
    QWidget* m_pParent;
    DialogFn m_fnDialog;
    std::unique_ptr<QPrinter> m_pPrinter;
};
