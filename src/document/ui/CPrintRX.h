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

    using PrintFn = std::function<bool(CPrintRX& job, QString* pstrError)>;
    using WarnFn = std::function<void(const QString& strError)>;

    // A menu's print command: the dialog, then print(job, &error); a failure that has a
    // reason is handed to warn, a cancelled dialog prints nothing.
    static void RunCommand(QWidget* pParent, const DialogFn& fnDialog, const PrintFn& print, const WarnFn& warn);
    // The same without waiting for the user: the print dialog opens window-modal, owned by
    // pParent, and print runs once it is accepted. print and warn may outlive the window
    // that asked: they hold what they print by value.
    static void OpenCommand(QWidget* pParent, PrintFn print, WarnFn warn);

    // The print dialog (QPrintDialog); -1 when the user cancels, else 0 with the printer ready.
    int StartPrinting();
    // Ends the job; false with the reason when the printer or the file failed.
    bool EndDocument(QString* pstrError = nullptr) override;

private:
    QWidget* m_pParent;
    DialogFn m_fnDialog;
    std::shared_ptr<QPrinter> m_pPrinter; // shared with the dialog of OpenCommand
};
