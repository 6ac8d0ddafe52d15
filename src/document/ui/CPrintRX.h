#pragma once

#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QSaveFile;
class QWidget;

// One print job, made on the stack for one command: the print dialog, the printer (or a PDF
// file) and the painter of its pages. Pages are drawn in device pixels from the top left of
// the printable area: Width() x Height().
//
// The sequence: StartPrinting (or StartPrintingToPdf), StartDocument, then for each page
// StartPrintPage ... EndPage, and EndDocument. A job that never reaches EndDocument (an
// error, a cancel) leaves nothing behind: no printout, no file. GUI thread only.
class CPrintRX
{
public:
    // Asks the user for the printer; false is Cancel. Tests put their own in its place.
    using DialogFn = std::function<bool(QPrinter& printer, QWidget* pParent)>;

    // The job's document name, as the printer queue shows it.
    static QString JobName() { return QStringLiteral("Multimeter"); }

    // pParent owns the dialog; fnDialog replaces the platform's print dialog when set.
    explicit CPrintRX(QWidget* pParent = nullptr, DialogFn fnDialog = {});
    virtual ~CPrintRX();
    CPrintRX(const CPrintRX&) = delete;
    CPrintRX& operator=(const CPrintRX&) = delete;

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
    // A PDF file on A4 in place of a printer, without a dialog. The file appears only when
    // EndDocument succeeds; until then an existing file of that name is left as it was.
    int StartPrintingToPdf(const QString& strPath);
    // Starts the job (the painter); -1 when the device cannot be painted on.
    int StartDocument();
    // Starts the next page; -1 when the printer refuses (no retry).
    int StartPrintPage();
    // Ends the page begun last (the next StartPrintPage or EndDocument sends it).
    void EndPage();
    // Ends the job; false with the reason when the file could not be written.
    bool EndDocument(QString* pstrError = nullptr);

    QPainter& Painter() { return *m_pPainter; }
    QPagedPaintDevice* Device() const { return m_pDevice; }
    // The printable area in device pixels, and the device's pixels per inch.
    int Width() const;
    int Height() const;
    int Resolution() const;
    int PageCount() const { return m_nPages; }
    // Why StartPrintingToPdf failed.
    const QString& ErrorString() const { return m_strError; }

private:
    QWidget* m_pParent;
    DialogFn m_fnDialog;
    std::shared_ptr<QPrinter> m_pPrinter; // shared with the dialog of OpenCommand
    std::unique_ptr<QSaveFile> m_pFile;
    std::unique_ptr<QPagedPaintDevice> m_pPdf;
    QPagedPaintDevice* m_pDevice = nullptr;
    std::unique_ptr<QPainter> m_pPainter;
    int m_nPages = 0;
    QString m_strError;
};
