#include "document/ui/CMyTalvaView.h"

#include "base/CPrintf.h"
#include "base/CProgramInfo.h"
#include "document/CMyTalvaDoc.h"
#include "document/CReadingsExport.h"
#include "document/ui/CWaitCursor.h"
#include "draw/CReadingsPrinter.h"
#include "graph/CGraphDlg.h"
#include "link/CPrompt.h"
#include "panel/CShowData.h"

#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>

#include <climits>
#include <cmath>

namespace {

int ClampToInt(double d)
{
    if (std::isnan(d))
        return 0;
    return int(std::clamp(d, double(INT_MIN), double(INT_MAX)));
}

} // namespace

CMyTalvaView::CMyTalvaView(std::unique_ptr<CMyTalvaDoc> pDoc, CPrompt& prompt, QWidget* pParent)
    : QWidget(pParent)
    , m_pDoc(std::move(pDoc))
    , m_prompt(prompt)
{
    if (!m_pDoc)
        m_pDoc = std::make_unique<CMyTalvaDoc>();
    setMinimumSize(2 * kPageLeft + 260, kPageTop + 200);

    m_tab = new QTabBar(this);
    m_tab->addTab(tr("Graph"));
    m_tab->addTab(tr("Data List"));
    m_tab->addTab(tr("Summary"));
    m_tab->setDrawBase(false);

    m_wndGraph = new CGraphDlg(prompt, this);
    m_wndGraph->SetDocument(m_pDoc.get());
    m_pPanel = new CShowData;
    m_wndGraph->SetPanel(m_pPanel);
    connect(m_wndGraph, &CGraphDlg::PointSelected, m_pPanel, &CShowData::SetPoint);
    connect(m_wndGraph, &CGraphDlg::VisibleWindowChanged, this, &CMyTalvaView::UpdateScrollBars);

    m_pModel = new CDataListModel(this);
    m_pModel->SetDocument(m_pDoc.get());
    m_list = new QTableView(this);
    m_list->setModel(m_pModel);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->setCornerButtonEnabled(false);
    // Fixed rows: the list never measures its rows, whatever their number.
    QHeaderView* pRows = m_list->verticalHeader();
    pRows->hide();
    pRows->setSectionResizeMode(QHeaderView::Fixed);
    pRows->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    QHeaderView* pColumns = m_list->horizontalHeader();
    pColumns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pColumns->setHighlightSections(false);
    for (int nColumn = 0; nColumn < CDataListModel::kColumnCount; ++nColumn)
        pColumns->resizeSection(nColumn, CDataListModel::ColumnWidth(nColumn));

    m_edit = new QPlainTextEdit(this);
    m_edit->setReadOnly(true);
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);

    m_sbVert = new QScrollBar(Qt::Vertical, this);
    m_sbHorz = new QScrollBar(Qt::Horizontal, this);
    for (QScrollBar* pBar : {m_sbVert, m_sbHorz}) {
        pBar->setRange(0, 0);
        pBar->setSingleStep(1);
    }
    connect(m_sbVert, &QScrollBar::valueChanged, this, &CMyTalvaView::OnVertScrolled);
    connect(m_sbHorz, &QScrollBar::valueChanged, this, &CMyTalvaView::OnHorzScrolled);

    connect(m_tab, &QTabBar::currentChanged, this, &CMyTalvaView::SelectPage);
    connect(m_pDoc.get(), &CMyTalvaDoc::RecordAdded, this, &CMyTalvaView::OnRecordAdded);
    connect(m_pDoc.get(), &CMyTalvaDoc::Changed, this, &CMyTalvaView::OnDocumentChanged);

    m_pCopyGraph = new QPushButton(tr("Copy Graph"), this);
    m_pCopyGraph->setToolTip(tr("Put a picture of the graph on the clipboard"));
    connect(m_pCopyGraph, &QPushButton::clicked, this, &CMyTalvaView::OnCopyGraph);

    m_fnExportFileName = [this](const QString& strSuggested) {
        QFileDialog dlg(this, tr("Export To Excel"), strSuggested, CReadingsExport::XlsFilter());
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix(CReadingsExport::XlsSuffix());
        return dlg.exec() == QDialog::Accepted ? dlg.selectedFiles().value(0) : QString();
    };

    m_list->hide();
    m_edit->hide();
    LayoutPages();
    UpdateScrollBars();
}

CMyTalvaView::~CMyTalvaView()
{
    // The graph and the list let go of the document before it goes.
    m_wndGraph->SetDocument(nullptr);
    m_pModel->SetDocument(nullptr);
}

void CMyTalvaView::OnInitialUpdate()
{
    if (m_bLive || m_pDoc->m_arrData[0].isEmpty())
        return;
    m_pModel->SetOverloadRule(CDataListModel::OverloadRule::Loaded);
    RefreshSummary();
    SetYRangeAround(m_pDoc->m_dMax, m_pDoc->m_dMin);
}

void CMyTalvaView::SetYRangeAround(double dMax, double dMin)
{
    // With no reading in the statistics the limits cross and the graph keeps its own.
    m_wndGraph->SetYRangeAround(dMax, dMin);
}

void CMyTalvaView::ImportLoggerRecords(QList<CObData*>& arrRecords)
{
    SetTitle(QStringLiteral("DataLogger"));
    m_bLive = false;
    m_pDoc->m_bLive = false;
    const CObData* pFirst = nullptr;
    for (const CObData* pOb : arrRecords) {
        if (pOb) {
            pFirst = pOb;
            break;
        }
    }
    const float fFirstRange = pFirst ? pFirst->m_fRange : 0.0f;
    m_pModel->SetOverloadRule(CDataListModel::OverloadRule::Imported);
    m_pDoc->ImportReadings(arrRecords);
    RefreshSummary();
    if (!pFirst)
        return;
    const double dMax = m_pDoc->m_dMax, dMin = m_pDoc->m_dMin;
    // Readings above the recording's range are shown up to the range, without margin. The
    // document keeps its statistics: only the graph is limited.
    if (double(fFirstRange) < dMax)
        m_wndGraph->SetYRange(fFirstRange, dMin == CMyTalvaDoc::kNoMin ? 0.0 : dMin);
    else
        SetYRangeAround(dMax, dMin);
}

void CMyTalvaView::RefillLoggerRecords(QList<CObData*>& arrRecords)
{
    m_pDoc->ResetStatistics();
    m_pDoc->DeleteContents(); // the list follows the emptied arrays
    m_wndGraph->ResetXRange();
    ImportLoggerRecords(arrRecords);
}

QString CMyTalvaView::SummaryText(const CMyTalvaDoc& doc)
{
    // Figures converted from other prefixes may pass 500000 without being overloads.
    const bool bMaxOverload = !doc.UnitsConverted() && (doc.m_dMax >= CObData::kOverload || doc.m_dMax <= -CObData::kOverload);
    const QString strMax = bMaxOverload ? QStringLiteral("OL") : CPrintf::Format("%.4f", doc.m_dMax);
    const QString strMin = doc.HasFigures() ? CPrintf::Format("%.4f", doc.m_dMin) : QStringLiteral("OL");
    QString strText = QStringLiteral("---------------------------Summary---------------------------\r\n\r\n"
                                     "StartTime: %1 \r\n\r\nEndTime: %2\r\n\r\nMaximum: %3\r\n\r\nMaxinum Time: %4 \r\n\r\n"
                                     "Minimum: %5\r\n\r\nMinimum Time: %6\r\n\r\nAverage:%7\r\n\r\nDataNumber: %8\r\n\r\n"
                                     "Type:%9\r\n\r\n")
                          .arg(doc.m_strStartTime, doc.m_strEndTime, strMax, doc.m_strMaxTime, strMin, doc.m_strMinTime,
                               CPrintf::Format("%.4f", doc.m_dAverage), QString::number(doc.m_nCount), doc.m_strType);
    // The unit every figure above is in, and the readings they leave out.
    const QString strUnit = doc.Unit().Display();
    if (!strUnit.isEmpty())
        strText += QStringLiteral("Unit: %1\r\n\r\n").arg(strUnit);
    if (const qsizetype nSkipped = doc.SkippedReadings())
        strText += QStringLiteral("Skipped: %1 readings of another quantity\r\n\r\n").arg(nSkipped);
    return strText;
}

QString CMyTalvaView::SummaryText() const
{
    return SummaryText(*m_pDoc);
}

void CMyTalvaView::RefreshSummary()
{
    QString strText = SummaryText();
    strText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_edit->setPlainText(strText);
    m_bSummaryStale = false;
}

void CMyTalvaView::OnGraphCommand(int nCommand)
{
    m_wndGraph->OnGraphCommand(nCommand);
}

int CMyTalvaView::CurrentPage() const
{
    return m_tab->currentIndex();
}

void CMyTalvaView::SelectPage(int nPage)
{
    if (nPage < kGraphPage || nPage > kSummaryPage)
        return;
    if (m_tab->currentIndex() != nPage) {
        m_tab->setCurrentIndex(nPage); // comes back here through currentChanged
        return;
    }
    const bool bGraph = nPage == kGraphPage;
    m_wndGraph->setVisible(bGraph);
    m_sbVert->setVisible(bGraph);
    m_sbHorz->setVisible(bGraph);
    m_list->setVisible(nPage == kListPage);
    m_edit->setVisible(nPage == kSummaryPage);
    if (nPage == kSummaryPage && m_bSummaryStale)
        RefreshSummary();
    if (nPage == kListPage && (m_bLive || m_bAuxView))
        m_list->scrollToBottom();
}

void CMyTalvaView::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    LayoutPages();
}

void CMyTalvaView::LayoutPages()
{
    const int W = width(), H = height();
    const QRect page(kPageLeft, kPageTop, std::max(1, W - 2 * kPageLeft), std::max(1, H - kPageTop - kHorzBarHeight));
    m_wndGraph->setGeometry(page);
    m_list->setGeometry(page);
    m_edit->setGeometry(page);
    m_sbVert->setGeometry(kBarLeft, kPageTop, kBarWidth, page.height());
    // Right under the page: over the graph's margin it would hide the x labels.
    m_sbHorz->setGeometry(kPageLeft, page.bottom() + 1, page.width(), kHorzBarHeight);
    const QSize tabs = m_tab->sizeHint();
    m_tab->setGeometry(kPageLeft, kPageTop - tabs.height(), std::min(tabs.width(), page.width()), tabs.height());
    // At the right end of the tab row.
    const QSize button = m_pCopyGraph->sizeHint();
    m_pCopyGraph->setGeometry(std::max(kPageLeft + tabs.width() + 8, kPageLeft + page.width() - button.width()),
                              std::max(0, kPageTop - button.height() - 2), button.width(), button.height());
    UpdateScrollBars();
}

void CMyTalvaView::UpdateScrollBars()
{
    const CGraphDlg& g = *m_wndGraph;
    const int V = ClampToInt(g.PlotHeight() * g.YScale());
    const int Hs = ClampToInt(g.PlotWidth() * g.XScale());
    m_bUpdatingBars = true;
    m_sbVert->setRange(0, std::max(0, ClampToInt(g.YMax() - V - g.YMin())));
    m_sbVert->setPageStep(std::max(1, V));
    m_sbVert->setValue(ClampToInt(g.YMax() - V - g.YOrigin()));
    m_sbHorz->setRange(0, std::max(0, ClampToInt(g.XMax() - Hs)));
    m_sbHorz->setPageStep(std::max(1, Hs));
    m_sbHorz->setValue(ClampToInt(g.XOrigin()));
    m_bUpdatingBars = false;
}

void CMyTalvaView::OnVertScrolled(int nPosition)
{
    if (m_bUpdatingBars)
        return;
    // Moving the bar down shows lower values.
    const CGraphDlg& g = *m_wndGraph;
    const int V = ClampToInt(g.PlotHeight() * g.YScale());
    m_wndGraph->SetOrigin(g.XOrigin(), g.YMax() - V - nPosition);
}

void CMyTalvaView::OnHorzScrolled(int nPosition)
{
    if (m_bUpdatingBars)
        return;
    m_wndGraph->SetOrigin(nPosition, m_wndGraph->YOrigin());
}

void CMyTalvaView::OnRecordAdded(int nArray)
{
    if (nArray == 0)
        UpdateScrollBars();
    if (m_list->isVisible() && (m_bLive || m_bAuxView))
        m_list->scrollToBottom();
}

void CMyTalvaView::OnDocumentChanged()
{
    SetModified(true);
    m_bSummaryStale = true;
    if (m_edit->isVisible())
        RefreshSummary();
}

void CMyTalvaView::SetTitle(const QString& strTitle)
{
    if (strTitle == m_strTitle)
        return;
    m_strTitle = strTitle;
    // The document window, and the main window's caption while it is maximised, show it.
    setWindowTitle(strTitle);
    emit TitleChanged(strTitle);
}

void CMyTalvaView::SetPathName(const QString& strPath)
{
    m_strPathName = strPath;
}

void CMyTalvaView::SetModified(bool bModified)
{
    if (bModified == m_bModified)
        return;
    m_bModified = bModified;
    emit ModifiedChanged(bModified);
}

bool CMyTalvaView::HasReadings() const
{
    return !m_pDoc->m_arrData[0].isEmpty();
}

void CMyTalvaView::Warn(const QString& strText)
{
    m_prompt.Message(strText, CProgramInfo::Name(), CPrompt::Warning);
}

void CMyTalvaView::OnExportToExcel()
{
    if (!HasReadings())
        return;
    const QString strPath = m_fnExportFileName(CReadingsExport::DefaultXlsName(QDateTime::currentDateTime()));
    if (!strPath.isEmpty())
        ExportToExcel(strPath);
}

bool CMyTalvaView::ExportToExcel(const QString& strPath)
{
    QString strError;
    bool bSaved;
    {
        CWaitCursor wait;
        bSaved = CReadingsExport::SaveXls(strPath, *m_pDoc, &strError);
    }
    if (!bSaved)
        Warn(strError);
    return bSaved;
}

void CMyTalvaView::OnPrintGraph()
{
    if (HasReadings())
        CPrintRX::RunCommand(this, m_fnPrintDialog, [this](CPrintRX& job, QString* pstrError) { return PrintGraph(job, pstrError); },
                             [this](const QString& strError) { Warn(strError); });
}

void CMyTalvaView::OnPrintData()
{
    if (HasReadings())
        CPrintRX::RunCommand(this, m_fnPrintDialog, [this](CPrintRX& job, QString* pstrError) { return PrintData(job, pstrError); },
                             [this](const QString& strError) { Warn(strError); });
}

bool CMyTalvaView::PrintGraph(CPrintRX& job, QString* pstrError)
{
    CWaitCursor wait;
    m_wndGraph->CatchUp();
    return CReadingsPrinter::PrintGraph(job, m_wndGraph->State(), m_wndGraph->ScreenOptions(), *m_pDoc,
                                        QDateTime::currentDateTime(), pstrError);
}

bool CMyTalvaView::PrintData(CPrintRX& job, QString* pstrError)
{
    // A long recording takes many pages: show how far it is and let the user give up.
    QProgressDialog progress(tr("Printing the readings..."), tr("Cancel"), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    CWaitCursor wait;
    return CReadingsPrinter::PrintData(job, *m_pDoc, QDateTime::currentDateTime(), pstrError,
                                       [&progress](qint64 nDone, qint64 nTotal) {
                                           progress.setValue(int(nDone * 1000 / std::max<qint64>(1, nTotal)));
                                           return !progress.wasCanceled();
                                       });
}

QImage CMyTalvaView::GraphPicture()
{
    const QSize size = m_wndGraph->size();
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(m_wndGraph->Colors().m_bkColor);
    QPainter painter(&image);
    CGraphDrawOptions options;
    options.nFontHeight = 16;
    options.nLeft = 50;
    options.nTop = 25;
    options.bWhiteMargins = false;
    options.rcClient = QRect(QPoint(0, 0), size);
    options.dXScale = m_wndGraph->XScale();
    options.dYScale = m_wndGraph->YScale();
    m_wndGraph->DrawGraph(painter, options);
    return image;
}

void CMyTalvaView::OnCopyGraph()
{
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (!pClipboard)
        return;
    pClipboard->setImage(GraphPicture());
    m_prompt.Message(tr("Graph is already copied to clipboard!"), tr("Tip"), CPrompt::Information);
}
