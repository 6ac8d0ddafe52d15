#include "app/CLoggerCommands.h"

#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "app/CRealTimeRecording.h"
#include "app/CWaitDlg.h"
#include "document/ui/CMyTalvaView.h"
#include "logger/ui/CLoggerList.h"
#include "protocol/CMeterProtocol.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QTabWidget>

CLoggerCommands::CLoggerCommands(CMainFrame& frame, CPrompt& prompt)
    : QObject(&frame)
    , m_frame(frame)
    , m_pDownload(new CLoggerDownload(frame.Protocol(), &frame.Link(), &prompt, this))
    , m_pList(new CLoggerList)
{
    CMeterLink& link = frame.Link();
    m_pDownload->SetOnlineQuery([&link] { return link.IsMeterOnline(); });
    frame.AddDockPage(m_pList, CLoggerList::Title());

    m_pDownloadAction = frame.Menu(CMainFrame::MenuId::DataLogger)
                            ->addAction(QStringLiteral("Download Multimeter Logger"), QKeySequence(Qt::CTRL | Qt::Key_L),
                                        this, &CLoggerCommands::OnDownloadLogger);
    m_pDownloadAction->setStatusTip(QStringLiteral("Download the recordings stored in the meter's data logger"));

    CLoggerDownload* pDownload = m_pDownload;
    CWaitDlg* pWait = frame.WaitDlg();
    connect(pDownload, &CLoggerDownload::DownloadStarted, m_pList, &CLoggerList::Clear);
    connect(pDownload, &CLoggerDownload::DirectoryListed, this, &CLoggerCommands::OnDirectoryListed);
    connect(pDownload, &CLoggerDownload::RecordingStarted, this, &CLoggerCommands::OnRecordingStarted);
    connect(pDownload, &CLoggerDownload::BlockProgress, pWait->BlockBar(), &QProgressBar::setValue);
    connect(pDownload, &CLoggerDownload::OverallProgress, pWait, [pWait](int nFetched, int nEntries) {
        pWait->OverallBar()->setRange(0, nEntries);
        pWait->OverallBar()->setValue(nFetched);
    });
    connect(pDownload, &CLoggerDownload::RecordingFetched, m_pList, &CLoggerList::AddRow);
    connect(pDownload, &CLoggerDownload::DownloadFinished, this, &CLoggerCommands::OnDownloadFinished);
    connect(pDownload, &CLoggerDownload::SingleRecordingReceived, this,
            [this, pWait](const QList<CObData>& records, bool) {
                pWait->close();
                ShowSingleRecording(records);
            });
    // Emitted on the link thread: recording stops on this one, before the blocks are shown.
    connect(pDownload, &CLoggerDownload::RealTimeRecordingStop, &frame.Recording(), &CRealTimeRecording::OnStop,
            Qt::QueuedConnection);
    connect(pWait, &CWaitDlg::CancelRequested, pDownload, &CLoggerDownload::Cancel);
    connect(&link, &CMeterLink::LinkError, pDownload, &CLoggerDownload::OnLinkLost);
    connect(m_pList, &CLoggerList::ShowRecording, this, &CLoggerCommands::OnShowLoggerRecording);
}

// The main frame deletes it after stopping the link thread, which may call the decoders until then.
CLoggerCommands::~CLoggerCommands() = default;

void CLoggerCommands::OnDownloadLogger()
{
    m_pDownload->OnDownloadLogger();
}

void CLoggerCommands::OnDirectoryListed(const QList<LoggerListData>& entries)
{
    if (entries.isEmpty() || !m_pDownload->IsDownloading())
        return; // an empty logger: nothing is requested, nothing to wait for
    CWaitDlg* pWait = m_frame.WaitDlg();
    pWait->BlockBar()->setRange(0, 0);
    pWait->OverallBar()->setRange(0, int(entries.size()));
    pWait->OverallBar()->setValue(0);
    pWait->ShowCentred();
}

void CLoggerCommands::OnRecordingStarted(int nBlockCount, bool bWholeMemory)
{
    CWaitDlg* pWait = m_frame.WaitDlg();
    pWait->BlockBar()->setRange(0, nBlockCount);
    pWait->BlockBar()->setValue(0);
    if (bWholeMemory || !pWait->isVisible())
        pWait->ShowCentred();
}

void CLoggerCommands::OnDownloadFinished(CLoggerDownload::Outcome outcome)
{
    m_frame.WaitDlg()->close();
    // What was fetched is listed whatever the end.
    if (outcome == CLoggerDownload::Outcome::Complete || m_pList->RowCount() > 0)
        m_frame.Pages()->setCurrentWidget(m_pList);
}

void CLoggerCommands::OnShowLoggerRecording(int nAddress)
{
    ShowPending(m_pDownload->RecordsForView(nAddress));
}

void CLoggerCommands::ShowSingleRecording(const QList<CObData>& records)
{
    // Numbered like a recording from the list, so the data list's IDs count the samples.
    QList<CObData> numbered = records;
    for (qsizetype i = 0; i < numbered.size(); ++i)
        numbered[i].m_nIndex = qint32(i);
    ShowPending(numbered);
}

void CLoggerCommands::ShowPending(const QList<CObData>& records)
{
    QList<CObData*> arrPending;
    arrPending.reserve(records.size());
    for (const CObData& record : records)
        arrPending.append(new CObData(record));
    if (!m_pLoggerView) {
        m_pLoggerView = m_frame.DocManager().NewImportDocument(ViewTitle());
        m_pLoggerView->ImportLoggerRecords(arrPending);
    } else {
        m_pLoggerView->RefillLoggerRecords(arrPending);
        if (auto* pWindow = qobject_cast<QMdiSubWindow*>(m_pLoggerView->parentWidget()))
            m_frame.MdiArea()->setActiveSubWindow(pWindow);
    }
    qDeleteAll(arrPending); // whatever the document did not take (nothing, normally)
}
