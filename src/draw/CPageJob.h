#pragma once

#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPainter;
class QSaveFile;

// One job of pages, made on the stack for one printout: a paged device (a PDF file here, a
// printer in CPrintRX) and the painter of its pages. Pages are drawn in device pixels from the
// top left of the printable area: Width() x Height(). Needs a QGuiApplication (fonts).
//
// The sequence: StartPrintingToPdf (or a printer), StartDocument, then for each page
// StartPrintPage ... EndPage, and EndDocument. A job that never reaches EndDocument (an
// error, a cancel) leaves nothing behind: no printout, no file. One thread.
class CPageJob
{
public:
    // The job's document name, as the printer queue and the PDF's title show it.
    static QString JobName() { return QStringLiteral("Multimeter"); }

    CPageJob();
    virtual ~CPageJob();
    CPageJob(const CPageJob&) = delete;
    CPageJob& operator=(const CPageJob&) = delete;

    // A PDF file on A4, without a dialog. The file appears only when EndDocument succeeds;
    // until then an existing file of that name is left as it was. -1 when it cannot be made
    // (the reason in ErrorString()).
    int StartPrintingToPdf(const QString& strPath);
    // Starts the job (the painter); -1 when the device cannot be painted on.
    int StartDocument();
    // Starts the next page; -1 when the device refuses (no retry).
    int StartPrintPage();
    // Ends the page begun last (the next StartPrintPage or EndDocument sends it).
    void EndPage();
    // Ends the job; false with the reason when the file could not be written.
    virtual bool EndDocument(QString* pstrError = nullptr);

    QPainter& Painter() { return *m_pPainter; }
    QPagedPaintDevice* Device() const { return m_pDevice; }
    // The printable area in device pixels, and the device's pixels per inch.
    int Width() const;
    int Height() const;
    int Resolution() const;
    int PageCount() const { return m_nPages; }
    // Why StartPrintingToPdf failed.
    const QString& ErrorString() const { return m_strError; }

protected:
    void SetDevice(QPagedPaintDevice* pDevice) { m_pDevice = pDevice; }
    bool IsPainting() const;
    // Ends the painter of a job given up half way (before the device it paints on goes).
    void EndPainting();

private:
    std::unique_ptr<QSaveFile> m_pFile;
    std::unique_ptr<QPagedPaintDevice> m_pPdf;
    QPagedPaintDevice* m_pDevice = nullptr;
    std::unique_ptr<QPainter> m_pPainter;
    int m_nPages = 0;
    QString m_strError;
};
