#include "app/CLoggerCommands.h"

#include "app/CCommandHost.h"
#include "app/CDockPages.h"
#include "app/CDocManager.h"
#include "app/CRealTimeRecording.h"
#include "app/CWaitDlg.h"
#include "document/ui/CMyTalvaView.h"
#include "link/CMeterLink.h"
#include "logger/ui/CLoggerList.h"
#include "protocol/CMeterProtocol.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>

CLoggerCommands::CLoggerCommands(CCommandHost& commands, CDockPages& pages, CWaitDlg& wait, CMeterProtocol& protocol,
                                 CMeterLink& link, CDocManager& docs, CRealTimeRecording& recording, CPrompt& prompt,
                                 QObject* pParent)
    : QObject(pParent)
    , m_pages(pages)
    , m_wait(wait)
    , m_docs(docs)
    , m_pDownload(new CLoggerDownload(protocol, &link, &prompt, this))
    , m_pList(new CLoggerList)
{
    m_pDownload->SetOnlineQuery([&link] { return link.IsMeterOnline(); });
    pages.AddDockPage(m_pList, CLoggerList::Title());

    m_pDownloadAction = commands.Menu(CCommandHost::MenuId::DataLogger)
                            ->addAction(QStringLiteral("Download Multimeter Logger"), QKeySequence(Qt::CTRL | Qt::Key_L),
                                        this, &CLoggerCommands::OnDownloadLogger);
    m_pDownloadAction->setStatusTip(QStringLiteral("Download the recordings stored in the meter's data logger"));

    CLoggerDownload* pDownload = m_pDownload;
    CWaitDlg* pWait = &wait;
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
    connect(pDownload, &CLoggerDownload::RealTimeRecordingStop, &recording, &CRealTimeRecording::OnStop,
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
    m_wait.BlockBar()->setRange(0, 0);
    m_wait.OverallBar()->setRange(0, int(entries.size()));
    m_wait.OverallBar()->setValue(0);
    m_wait.ShowCentred();
}

void CLoggerCommands::OnRecordingStarted(int nBlockCount, bool bWholeMemory)
{
    m_wait.BlockBar()->setRange(0, nBlockCount);
    m_wait.BlockBar()->setValue(0);
    if (bWholeMemory || !m_wait.isVisible())
        m_wait.ShowCentred();
}

void CLoggerCommands::OnDownloadFinished(CLoggerDownload::Outcome outcome)
{
    m_wait.close();
    // What was fetched is listed whatever the end.
    if (outcome == CLoggerDownload::Outcome::Complete || m_pList->RowCount() > 0)
        m_pages.ShowDockPage(m_pList);
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
        m_pLoggerView = m_docs.NewImportDocument(ViewTitle());
        m_pLoggerView->ImportLoggerRecords(arrPending);
    } else {
        m_pLoggerView->RefillLoggerRecords(arrPending);
        m_docs.ShowView(m_pLoggerView);
    }
    qDeleteAll(arrPending); // whatever the document did not take (nothing, normally)
}
