#pragma once

#include "document/ui/CPrintRX.h"
#include "scope/OscRecord.h"

#include <QUrl>
#include <QWidget>

#include <functional>

class COSCGraph;
class CPrompt;
class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;

// "OSC": the scope window. Holds a copy of one waveform and shows it in its
// graph, with the information line, the point readout, the buttons "UnDo Zoom"
// and "FFT" (the meter's own spectrum, for captures whose status is 3), and the
// menu commands "Save Current Osc" (a ".osc" file), "&Export to excel" (an
// .xlsx workbook opened in the desktop's spreadsheet application), "Print &Graph"
// and "Print &Data".
//
// Its file and print dialogs open without waiting (window-modal, owned by the
// top-level window) and take a copy of what is shown when they open: that is what
// they save, export or print, even when live screens arrive meanwhile or this
// window is closed and deleted while they are open.
//
// Closing it emits Closed(); whoever made it decides when it goes.
// GUI thread only; records arrive by value.
class COSCDlg : public QWidget
{
    Q_OBJECT
public:
    static QString Title() { return QStringLiteral("OSC"); }

    explicit COSCDlg(CPrompt& prompt, QWidget* pParent = nullptr);

    // Takes a copy of record and shows its samples, whole, with strInfo in the information line.
    void ShowWaveform(const OscRecord& record, const QString& strInfo);
    // While it holds a stored waveform, the "Live" button shows; pressing it asks for the
    // live screen again (LiveRequested).
    void SetHolding(bool bHolding);

    // The FFT button: the meter's spectrum and back; nothing for a capture without one.
    void OnFft();
    // "Save Current Osc": asks where (a proposed name from the clock), then saves the
    // waveform shown when it asked.
    void OnSaveCurrentOsc();
    // Writes the waveform shown to strPath; false, with the user told why, when it cannot.
    bool SaveCurrentOsc(const QString& strPath);
    // "&Export to excel": asks where, writes the workbook of the points shown when it
    // asked and opens it.
    void OnExportToExcel();
    // Writes the points shown as a workbook to strPath and has the desktop open it.
    bool ExportToExcel(const QString& strPath);

    // "Print &Graph" and "Print &Data": the print dialog, then the pages of what was shown
    // when it opened.
    void OnPrintGraph();
    void OnPrintData();
    // The pages on a job that StartPrinting (or StartPrintingToPdf) has prepared.
    bool PrintGraph(CPrintRX& job, QString* pstrError);
    bool PrintData(CPrintRX& job, QString* pstrError);
    // The print dialog; tests put theirs (which answers at once) in its place.
    void SetPrintDialog(CPrintRX::DialogFn fnDialog) { m_fnPrintDialog = std::move(fnDialog); }

    // Where the file dialogs of waveform files start: the folder used last this session.
    static QString WaveformFolder();
    static void SetWaveformFolder(const QString& strFolder);

    // How a written workbook is opened (QDesktopServices::openUrl unless replaced).
    using UrlOpener = std::function<bool(const QUrl&)>;
    void SetUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    const OscRecord& Record() const { return m_record; }
    const QString& Info() const { return m_info; }
    // True while the samples show, false while the spectrum does.
    bool ShowTime() const { return m_showTime; }

    COSCGraph* Graph() const { return m_pGraph; }
    QMenuBar* MenuBar() const { return m_pMenuBar; }
    QAction* SaveAction() const { return m_pSaveAction; }
    QAction* ExportAction() const { return m_pExportAction; }
    QAction* PrintGraphAction() const { return m_pPrintGraphAction; }
    QAction* PrintDataAction() const { return m_pPrintDataAction; }
    QLineEdit* InfoEdit() const { return m_pInfoEdit; }
    QLabel* ReadoutLine() const { return m_pReadout; }
    QPushButton* UndoZoomButton() const { return m_pUndoZoom; }
    QPushButton* FftButton() const { return m_pFft; }
    QPushButton* LiveButton() const { return m_pLive; }

signals:
    void Closed();
    void LiveRequested();

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    using PathFn = std::function<void(const QString& strPath)>;

    void CreateControls();
    void UpdateFftButton();
    // A save dialog in the folder used last, proposing strName; chosen gets the path the
    // user accepts, nothing happens on Cancel.
    void AskSavePath(const QString& strTitle, const QString& strName, const QString& strFilter,
                     const QString& strSuffix, PathFn chosen);
    // The print dialog (or the one a test put in), then print.
    void Print(CPrintRX::PrintFn print);
    static bool SaveWaveform(const QString& strPath, const OscRecord& record, CPrompt& prompt);
    static bool ExportWorkbook(const QString& strPath, const OscRecord& record, bool bSpectrum,
                               const UrlOpener& openUrl, CPrompt& prompt);
    static void Warn(CPrompt& prompt, const QString& strText);

    CPrompt& m_prompt;
    UrlOpener m_openUrl;
    CPrintRX::DialogFn m_fnPrintDialog;
    COSCGraph* m_pGraph = nullptr;
    QString m_info;
    bool m_showTime = true;
    OscRecord m_record;

    QMenuBar* m_pMenuBar = nullptr;
    QAction* m_pSaveAction = nullptr;
    QAction* m_pExportAction = nullptr;
    QAction* m_pPrintGraphAction = nullptr;
    QAction* m_pPrintDataAction = nullptr;
    QLineEdit* m_pInfoEdit = nullptr;
    QLabel* m_pReadout = nullptr;
    QPushButton* m_pUndoZoom = nullptr;
    QPushButton* m_pFft = nullptr;
    QPushButton* m_pLive = nullptr;
};
