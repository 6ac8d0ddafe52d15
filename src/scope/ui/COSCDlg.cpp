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
    m_pInfoEdit->setToolTip(QStringLiteral("Slot (0: the live screen), date and time of the capture"));
    m_pUndoZoom = new QPushButton(QStringLiteral("UnDo Zoom"), this);
    m_pUndoZoom->setToolTip(QStringLiteral("Show the whole waveform again (Ctrl+Z)"));
    m_pFft = new QPushButton(QStringLiteral("FFT"), this);
    m_pReadout = new QLabel(this);
    m_pReadout->setMinimumHeight(m_pReadout->fontMetrics().height() + 4);
    m_pReadout->setToolTip(QStringLiteral("Hold the right mouse button on the graph to read a point"));
    m_pGraph = new COSCGraph(this);

    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pInfoEdit, 1);
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

QString COSCDlg::AskSavePath(const QString& strTitle, const QString& strName, const QString& strFilter,
                             const QString& strSuffix)
{
    QFileDialog dialog(this, strTitle, QDir(LastFolder()).filePath(strName), strFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(strSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString strPath = dialog.selectedFiles().constFirst();
    LastFolder() = QFileInfo(strPath).absolutePath();
    return strPath;
}

QString COSCDlg::WaveformFolder()
{
    return LastFolder();
}

void COSCDlg::SetWaveformFolder(const QString& strFolder)
{
    LastFolder() = strFolder;
}

void COSCDlg::Warn(const QString& strText)
{
    m_prompt.Message(strText, CProgramInfo::Name(), CPrompt::Warning);
}

void COSCDlg::OnSaveCurrentOsc()
{
    const QString strPath = AskSavePath(QStringLiteral("Save Current Osc"),
                                        COscFile::ProposedFileName(QDateTime::currentDateTime()),
                                        COscFile::FilterName(), COscFile::Extension().mid(1));
    if (!strPath.isEmpty())
        SaveCurrentOsc(strPath);
}

bool COSCDlg::SaveCurrentOsc(const QString& strPath)
{
    QString strError;
    if (COscFile::SaveFile(strPath, m_record, &strError))
        return true;
    Warn(strError);
    return false;
}

void COSCDlg::OnExportToExcel()
{
    QString strName = COscFile::ProposedFileName(QDateTime::currentDateTime());
    strName.chop(COscFile::Extension().size());
    const QString strPath = AskSavePath(QStringLiteral("Export to excel"), strName + QStringLiteral(".xlsx"),
                                        WorkbookFilter(), QStringLiteral("xlsx"));
    if (!strPath.isEmpty())
        ExportToExcel(strPath);
}

bool COSCDlg::ExportToExcel(const QString& strPath)
{
    QString strError;
    if (!COscWorkbook::SaveFile(strPath, m_record, !m_showTime, &strError)) {
        Warn(strError);
        return false;
    }
    if (!m_openUrl(QUrl::fromLocalFile(strPath))) {
        Warn(QStringLiteral("The workbook \"%1\" was written, but no application could open it. "
                            "Open it with a spreadsheet program.")
                 .arg(QDir::toNativeSeparators(strPath)));
        return false;
    }
    return true;
}

void COSCDlg::OnPrintGraph()
{
    CPrintRX::RunCommand(this, m_fnPrintDialog, [this](CPrintRX& job, QString* pstrError) { return PrintGraph(job, pstrError); },
                         [this](const QString& strError) { Warn(strError); });
}

void COSCDlg::OnPrintData()
{
    CPrintRX::RunCommand(this, m_fnPrintDialog, [this](CPrintRX& job, QString* pstrError) { return PrintData(job, pstrError); },
                         [this](const QString& strError) { Warn(strError); });
}

bool COSCDlg::PrintGraph(CPrintRX& job, QString* pstrError)
{
    CWaitCursor wait;
    return COscPrinter::PrintGraph(job, *m_pGraph, m_record, pstrError);
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
