#include "scope/ui/COSCDlg.h"

#include "base/CProgramInfo.h"
#include "link/CPrompt.h"
#include "scope/COscFile.h"
#include "document/ui/CWaitCursor.h"
#include "scope/COscWorkbook.h"
#include "scope/ui/COSCGraph.h"
#include "scope/ui/COscPrinter.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QColor kBackground(177, 176, 190);

QString WorkbookFilter()
{
    return QStringLiteral("Excel Workbook (*.xlsx)");
}

// The folder of the last waveform file saved or opened this session (GUI thread only).
QString& LastFolder()
{
    static QString strFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return strFolder;
}

} // namespace

COSCDlg::COSCDlg(CPrompt& prompt, QWidget* pParent)
    : QWidget(pParent)
    , m_prompt(prompt)
    , m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setWindowTitle(Title());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setAutoFillBackground(true);
    CreateControls();
}

void COSCDlg::CreateControls()
{
    m_pMenuBar = new QMenuBar(this);
    QMenu* pMenu = m_pMenuBar->addMenu(QStringLiteral("&Osc"));
    m_pSaveAction = pMenu->addAction(QStringLiteral("Save Current Osc"), this, &COSCDlg::OnSaveCurrentOsc);
    m_pSaveAction->setStatusTip(QStringLiteral("Save the waveform shown as a .osc file"));
    m_pExportAction = pMenu->addAction(QStringLiteral("&Export to excel"), this, &COSCDlg::OnExportToExcel);
    m_pExportAction->setStatusTip(QStringLiteral("Write the points shown into a workbook and open it"));
    m_pPrintGraphAction = pMenu->addAction(QStringLiteral("Print &Graph"), this, &COSCDlg::OnPrintGraph);
    m_pPrintGraphAction->setStatusTip(QStringLiteral("Print the screen with the facts of the waveform"));
    m_pPrintDataAction = pMenu->addAction(QStringLiteral("Print &Data"), this, &COSCDlg::OnPrintData);
    m_pPrintDataAction->setStatusTip(QStringLiteral("Print the facts and a table of the points shown"));

    m_pInfoEdit = new QLineEdit(this);
    m_pInfoEdit->setReadOnly(true);
    m_pInfoEdit->setFocusPolicy(Qt::ClickFocus); // the window opens with its text unselected
    m_pInfoEdit->setToolTip(QStringLiteral("Slot (0: the live screen), date and time of the capture"));
    m_pUndoZoom = new QPushButton(QStringLiteral("UnDo Zoom"), this);
    m_pUndoZoom->setToolTip(QStringLiteral("Show the whole waveform again (Ctrl+Z)"));
    m_pFft = new QPushButton(QStringLiteral("FFT"), this);
    m_pLive = new QPushButton(QStringLiteral("Live"), this);
    m_pLive->setToolTip(QStringLiteral("Back to the meter's live screen"));
    m_pLive->hide();
    m_pReadout = new QLabel(this);
    m_pReadout->setMinimumHeight(m_pReadout->fontMetrics().height() + 4);
    m_pReadout->setToolTip(QStringLiteral("Hold the right mouse button on the graph to read a point"));
    m_pGraph = new COSCGraph(this);

    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pInfoEdit, 1);
    pButtons->addWidget(m_pLive);
    pButtons->addWidget(m_pUndoZoom);
    pButtons->addWidget(m_pFft);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setMenuBar(m_pMenuBar);
    // The graph sits 30 pixels in from the sides and 50 up from the bottom.
    pLayout->setContentsMargins(30, 8, 30, 50);
    pLayout->addLayout(pButtons);
    pLayout->addWidget(m_pReadout);
    pLayout->addWidget(m_pGraph, 1);

    connect(m_pUndoZoom, &QPushButton::clicked, m_pGraph, &COSCGraph::ResetZoom);
    // Only while this window has the focus: several scope windows may be open.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this, m_pGraph, &COSCGraph::ResetZoom,
                  Qt::WidgetWithChildrenShortcut);
    connect(m_pFft, &QPushButton::clicked, this, &COSCDlg::OnFft);
    connect(m_pLive, &QPushButton::clicked, this, &COSCDlg::LiveRequested);
    connect(m_pGraph, &COSCGraph::ReadoutChanged, m_pReadout, &QLabel::setText);
    UpdateFftButton();
}

void COSCDlg::ShowWaveform(const OscRecord& record, const QString& strInfo)
{
    m_record = record;
    m_info = strInfo;
    m_pInfoEdit->setText(strInfo);
    m_pReadout->clear();
    m_showTime = true;
    m_pGraph->ShowWaveform(m_record, false);
    UpdateFftButton();
}

void COSCDlg::SetHolding(bool bHolding)
{
    m_pLive->setVisible(bHolding);
}

void COSCDlg::OnFft()
{
    if (!m_pGraph->ToggleView())
        return;
    m_showTime = !m_pGraph->State().IsSpectrum();
    m_pReadout->clear();
    UpdateFftButton();
}

void COSCDlg::UpdateFftButton()
{
    m_pFft->setText(m_pGraph->State().ViewButtonText());
    // Only the meter's FFT captures carry a spectrum; the way back is always open.
    const bool bSpectrum = m_record.m_status == 3;
    m_pFft->setEnabled(bSpectrum || !m_showTime);
    m_pFft->setToolTip(bSpectrum ? QStringLiteral("Switch between the waveform and the meter's spectrum")
                                 : QStringLiteral("The meter sends a spectrum only with captures in FFT mode"));
}

void COSCDlg::AskSavePath(const QString& strTitle, const QString& strName, const QString& strFilter,
                          const QString& strSuffix, PathFn chosen)
{
    // Owned by the top-level window: this one may be closed and deleted before the user answers.
    auto* pDialog = new QFileDialog(window(), strTitle, QDir(LastFolder()).filePath(strName), strFilter);
    pDialog->setAttribute(Qt::WA_DeleteOnClose);
    pDialog->setAcceptMode(QFileDialog::AcceptSave);
    pDialog->setFileMode(QFileDialog::AnyFile);
    pDialog->setDefaultSuffix(strSuffix);
    connect(pDialog, &QFileDialog::fileSelected, pDialog, [chosen = std::move(chosen)](const QString& strPath) {
        LastFolder() = QFileInfo(strPath).absolutePath();
        chosen(strPath);
    });
    pDialog->open();
}

QString COSCDlg::WaveformFolder()
{
    return LastFolder();
}

void COSCDlg::SetWaveformFolder(const QString& strFolder)
{
    LastFolder() = strFolder;
}

void COSCDlg::Warn(CPrompt& prompt, const QString& strText)
{
    prompt.Message(strText, CProgramInfo::Name(), CPrompt::Warning);
}

void COSCDlg::OnSaveCurrentOsc()
{
    AskSavePath(QStringLiteral("Save Current Osc"), COscFile::ProposedFileName(QDateTime::currentDateTime()),
                COscFile::FilterName(), COscFile::Extension().mid(1),
                [record = m_record, pPrompt = &m_prompt](const QString& strPath) {
                    SaveWaveform(strPath, record, *pPrompt);
                });
}

bool COSCDlg::SaveCurrentOsc(const QString& strPath)
{
    return SaveWaveform(strPath, m_record, m_prompt);
}

bool COSCDlg::SaveWaveform(const QString& strPath, const OscRecord& record, CPrompt& prompt)
{
    QString strError;
    if (COscFile::SaveFile(strPath, record, &strError))
        return true;
    Warn(prompt, strError);
    return false;
}

void COSCDlg::OnExportToExcel()
{
    QString strName = COscFile::ProposedFileName(QDateTime::currentDateTime());
    strName.chop(COscFile::Extension().size());
    AskSavePath(QStringLiteral("Export to excel"), strName + QStringLiteral(".xlsx"), WorkbookFilter(),
                QStringLiteral("xlsx"),
                [record = m_record, bSpectrum = !m_showTime, openUrl = m_openUrl,
                 pPrompt = &m_prompt](const QString& strPath) {
                    ExportWorkbook(strPath, record, bSpectrum, openUrl, *pPrompt);
                });
}

bool COSCDlg::ExportToExcel(const QString& strPath)
{
    return ExportWorkbook(strPath, m_record, !m_showTime, m_openUrl, m_prompt);
}

bool COSCDlg::ExportWorkbook(const QString& strPath, const OscRecord& record, bool bSpectrum,
                             const UrlOpener& openUrl, CPrompt& prompt)
{
    QString strError;
    if (!COscWorkbook::SaveFile(strPath, record, bSpectrum, &strError)) {
        Warn(prompt, strError);
        return false;
    }
    if (!openUrl(QUrl::fromLocalFile(strPath))) {
        Warn(prompt, QStringLiteral("The workbook \"%1\" was written, but no application could open it. "
                                    "Open it with a spreadsheet program.")
                         .arg(QDir::toNativeSeparators(strPath)));
        return false;
    }
    return true;
}

void COSCDlg::Print(CPrintRX::PrintFn print)
{
    auto warn = [pPrompt = &m_prompt](const QString& strError) { Warn(*pPrompt, strError); };
    if (m_fnPrintDialog)
        CPrintRX::RunCommand(this, m_fnPrintDialog, print, warn);
    else
        CPrintRX::OpenCommand(window(), std::move(print), std::move(warn));
}

void COSCDlg::OnPrintGraph()
{
    Print([screen = m_pGraph->State(), record = m_record](CPrintRX& job, QString* pstrError) {
        CWaitCursor wait;
        return COscPrinter::PrintGraph(job, screen, record, pstrError);
    });
}

void COSCDlg::OnPrintData()
{
    Print([record = m_record, bSpectrum = !m_showTime](CPrintRX& job, QString* pstrError) {
        CWaitCursor wait;
        return COscPrinter::PrintData(job, record, bSpectrum, QDateTime::currentDateTime(), pstrError);
    });
}

bool COSCDlg::PrintGraph(CPrintRX& job, QString* pstrError)
{
    CWaitCursor wait;
    return COscPrinter::PrintGraph(job, m_pGraph->State(), m_record, pstrError);
}

bool COSCDlg::PrintData(CPrintRX& job, QString* pstrError)
{
    CWaitCursor wait;
    return COscPrinter::PrintData(job, m_record, !m_showTime, QDateTime::currentDateTime(), pstrError);
}

void COSCDlg::closeEvent(QCloseEvent* pEvent)
{
    emit Closed();
    QWidget::closeEvent(pEvent);
}
