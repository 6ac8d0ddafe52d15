#include "app/CMainFrame.h"

#include "app/CAboutDlg.h"
#include "app/CAutoRecovery.h"
#include "app/CChildFrame.h"
#include "app/CDocManager.h"
#include "app/CLinkPrompt.h"
#include "app/CLinkWatchdog.h"
#include "app/CLockIndicators.h"
#include "app/CLoggerCommands.h"
#include "app/CMessageBoxPrompt.h"
#include "app/CProgramIcon.h"
#include "app/CRealTimeRecording.h"
#include "app/CWaitDlg.h"
#include "base/CProgramInfo.h"
#include "base/LogCategories.h"
#include "document/CDocumentType.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CControlDlgBar.h"
#include "graph/CGraphCommand.h"
#include "link/CLinkReconnect.h"
#include "link/CPortSettings.h"
#include "link/CSerialPort.h"
#include "link/ui/CBleScan.h"
#include "panel/CLeftDlg.h"
#include "protocol/CMeterProtocol.h"
#include "publish/ui/CAlarmCommands.h"
#include "publish/ui/CPublishCommands.h"
#include "scope/COscFile.h"
#include "scope/ui/COscWindows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kLinkMessageMs = 5000;
constexpr int kNoticeMs = 60000; //!< a failed save of a recording to a folder

QString MenuTitle(CMainFrame::MenuId id)
{
    switch (id) {
    case CMainFrame::MenuId::File: return QStringLiteral("&File");
    case CMainFrame::MenuId::View: return QStringLiteral("&View");
    case CMainFrame::MenuId::ComPort: return QStringLiteral("&Com Port");
    case CMainFrame::MenuId::RealTime: return QStringLiteral("&Real Time");
    case CMainFrame::MenuId::DataLogger: return QStringLiteral("Data&Logger");
    case CMainFrame::MenuId::GraphSetting: return QStringLiteral("&Graph Setting");
    case CMainFrame::MenuId::Help: return QStringLiteral("&Help");
    }
    return {};
}

// The action of the first entry after key in an ordered map, or null: what a
// new entry must be inserted before to keep the order.
template <typename Key, typename Value, typename ToAction>
QAction* FollowingAction(const QMap<Key, Value>& map, Key key, ToAction toAction)
{
    const auto it = map.upperBound(key);
    return it == map.end() ? nullptr : toAction(it.value());
}

const QString kAutoReconnectKey = QStringLiteral("Link/AutoReconnect");
const QString kConnectedText = QStringLiteral("Connected");
const QString kDisconnectedText = QStringLiteral("Disconnected");
const QString kReconnectingText = QStringLiteral("Reconnecting...");
const QString kReadyText = QStringLiteral("Ready");

} // namespace

CMainFrame::CMainFrame(QWidget* pParent)
    : QMainWindow(pParent)
{
    setWindowTitle(CProgramInfo::Name());
    setWindowIcon(CProgramIcon::Icon());
    m_pLink = std::make_unique<CMeterLink>(nullptr);
    m_pPrompt = std::make_unique<CMessageBoxPrompt>(this, &m_pLink->GuiInvoker());
    m_pLinkPrompt = std::make_unique<CLinkPrompt>(*m_pPrompt, [this](const QString& strText) { ShowLinkMessage(strText); });
    m_pLink->SetPrompt(m_pLinkPrompt.get());
    m_pProtocol = std::make_unique<CMeterProtocol>(m_pLink.get(), m_pPrompt.get());
    m_pLink->SetMeterTextSink(m_pProtocol.get());
    m_pWatchdog = new CLinkWatchdog(*m_pLink, *m_pProtocol, this);
    m_pReconnect = new CLinkReconnect(*m_pLink, this);
    m_pLocks = new CLockIndicators(QGuiApplication::platformName(), this);

    m_pMdiArea = new QMdiArea(this);
    setCentralWidget(m_pMdiArea);
    m_pScan = new CBleScan(m_pLink.get(), this);
    m_pWaitDlg = new CWaitDlg(this);

    CreateToolBar();
    CreateMenus();
    CreateStatusBar();
    CreatePageBar();
    CreateDocuments();
    CreateOscilloscope(); // after the document commands: its File entry goes below them
    CreateExportCommands();
    CreateLogger();
    ConnectProtocol();
    // After ConnectProtocol: an alarm's remark goes beside the reading recording has just added.
    const CPublishHost publishHost{*this, statusBar(), *m_pProtocol, *m_pLink};
    new CAlarmCommands(publishHost, m_pLeftDlg, DocManager(), new CPublishCommands(publishHost, m_pScan));
    resize(1024, 760);

    // Timer 1: until a meter speaks, the panel says so.
    m_timerBlankPanel.setSingleShot(true);
    m_timerBlankPanel.setInterval(kBlankPanelMs);
    connect(&m_timerBlankPanel, &QTimer::timeout, this, &CMainFrame::BlankPanel);
    m_timerBlankPanel.start();
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(m_pLocks);
    // Nothing more comes from the link thread or the reconnect's timers from here on.
    m_pReconnect->Stop();
    m_pLink->Shutdown();
    // The document windows go while the parts that follow them are still here.
    qDeleteAll(m_pMdiArea->subWindowList());
    // Every part that holds the link, the protocol or a prompt goes before them, each
    // after the parts that use it: the order is written here, not left to the members'.
    delete m_pLogger;    // the download, the docs, the recording, the protocol, the link
    delete m_pOsc;       // the protocol, the prompt
    delete m_pRecovery;  // the docs, the prompt
    delete m_pRecording; // the docs
    delete m_pDocs;      // the prompt
    delete m_pScan;      // the link
    delete m_pReconnect; // the link
    delete m_pWatchdog;  // the link, the protocol
    m_pLogger = nullptr;
    m_pOsc = nullptr;
    m_pRecovery = nullptr;
    m_pRecording = nullptr;
    m_pDocs = nullptr;
    m_pScan = nullptr;
    m_pReconnect = nullptr;
    m_pWatchdog = nullptr;
    m_pLink->SetMeterTextSink(nullptr);
    m_pProtocol.reset();
    m_pLink.reset();
    m_pLinkPrompt.reset();
    m_pPrompt.reset();
}

CPrompt& CMainFrame::Prompt()
{
    return *m_pPrompt;
}

void CMainFrame::SetUnattended(bool bUnattended)
{
    m_pPrompt->SetUnattended(bUnattended);
}

QMenu* CMainFrame::Menu(MenuId id)
{
    if (QMenu* pMenu = m_menus.value(id))
        return pMenu;
    auto* pMenu = new QMenu(MenuTitle(id), this);
    QAction* pBefore = FollowingAction(m_menus, id, [](QMenu* pNext) { return pNext->menuAction(); });
    menuBar()->insertMenu(pBefore, pMenu);
    m_menus.insert(id, pMenu);
    return pMenu;
}

void CMainFrame::AddToolButton(ToolButton button, QAction* pAction)
{
    m_pToolBar->insertAction(FollowingAction(m_toolButtons, button, [](QAction* pNext) { return pNext; }), pAction);
    m_toolButtons.insert(button, pAction);
}

void CMainFrame::CreateMenus()
{
    m_pExit = Menu(MenuId::File)->addAction(QStringLiteral("E&xit"), QKeySequence::Quit, this, &QWidget::close);
    m_pExit->setStatusTip(QStringLiteral("Quit the program"));

    QMenu* pView = Menu(MenuId::View);
    QAction* pToolbar = m_pToolBar->toggleViewAction();
    pToolbar->setText(QStringLiteral("&Toolbar"));
    pToolbar->setStatusTip(QStringLiteral("Show or hide the toolbar"));
    pView->addAction(pToolbar);
    QAction* pStatusBar = pView->addAction(QStringLiteral("&Status Bar"));
    pStatusBar->setCheckable(true);
    pStatusBar->setChecked(true);
    pStatusBar->setStatusTip(QStringLiteral("Show or hide the status bar"));
    connect(pStatusBar, &QAction::toggled, this, [this](bool bShow) { statusBar()->setVisible(bShow); });

    QAction* pConnect = Menu(MenuId::ComPort)->addAction(QStringLiteral("ConnectBle"), QKeySequence(Qt::CTRL | Qt::Key_B),
                                                         this, &CMainFrame::OnConnectBle);
    pConnect->setStatusTip(QStringLiteral("Find the meter through the Bluetooth dongle and connect to it"));
    m_pAutoReconnect = Menu(MenuId::ComPort)->addAction(QStringLiteral("&Reconnect Automatically"));
    m_pAutoReconnect->setCheckable(true);
    m_pAutoReconnect->setStatusTip(QStringLiteral("When the link is lost, find the remembered meter again and reconnect, "
                                                  "with no message box to wait on"));
    m_pAutoReconnect->setChecked(QSettings(CDocManager::SettingsPath(), QSettings::IniFormat).value(kAutoReconnectKey).toBool());
    m_pLinkPrompt->SetQuiet(m_pAutoReconnect->isChecked());
    connect(m_pAutoReconnect, &QAction::toggled, this, &CMainFrame::OnAutoReconnectToggled);

    QMenu* pHelp = Menu(MenuId::Help);
    QAction* pHelpAction = pHelp->addAction(QStringLiteral("&Help"), QKeySequence::HelpContents, this, &CMainFrame::OnHelp);
    pHelpAction->setStatusTip(QStringLiteral("Open the help"));
    QAction* pAbout = pHelp->addAction(QStringLiteral("&About Multimeter..."), this, &CMainFrame::OnAbout);
    pAbout->setStatusTip(QStringLiteral("Show the program's version"));
    pAbout->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    AddToolButton(ToolButton::About, pAbout);
}

void CMainFrame::CreateToolBar()
{
    m_pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_pToolBar->setObjectName(QStringLiteral("Toolbar"));
    m_pToolBar->setMovable(false);
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainFrame::CreateStatusBar()
{
    // "Ready", or the recording under way; the messages come and go over it.
    m_pStatusPane = new QLabel(kReadyText);
    m_pStatusPane->setObjectName(QStringLiteral("statusPane"));
    statusBar()->addWidget(m_pStatusPane, 1);
    // The link's state and the meter stay in view.
    m_pMeterPane = new QLabel;
    m_pMeterPane->setObjectName(QStringLiteral("meterPane"));
    m_pMeterPane->setAlignment(Qt::AlignCenter);
    m_pMeterPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pMeterPane->hide();
    statusBar()->addPermanentWidget(m_pMeterPane);
    m_pLinkPane = new QLabel;
    m_pLinkPane->setObjectName(QStringLiteral("linkState"));
    m_pLinkPane->setAlignment(Qt::AlignCenter);
    m_pLinkPane->setMinimumWidth(fontMetrics().horizontalAdvance(kReconnectingText) + 16);
    m_pLinkPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addPermanentWidget(m_pLinkPane);
    const int nPaneWidth = fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 16;
    for (QLabel** ppPane : {&m_pCapPane, &m_pNumPane, &m_pScrlPane}) {
        *ppPane = new QLabel;
        (*ppPane)->setAlignment(Qt::AlignCenter);
        (*ppPane)->setMinimumWidth(nPaneWidth);
        (*ppPane)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(*ppPane);
    }
    qApp->installEventFilter(m_pLocks);
    connect(m_pLocks, &CLockIndicators::Changed, this, &CMainFrame::UpdateLockPanes);
    UpdateLockPanes();
}

void CMainFrame::UpdateLockPanes()
{
    m_pCapPane->setText(m_pLocks->CapsLock() ? QStringLiteral("CAP") : QString());
    m_pNumPane->setText(m_pLocks->NumLock() ? QStringLiteral("NUM") : QString());
    m_pScrlPane->setText(m_pLocks->ScrollLock() ? QStringLiteral("SCRL") : QString());
    // A key that is off leaves no empty box behind.
    for (QLabel* pPane : {m_pCapPane, m_pNumPane, m_pScrlPane})
        pPane->setVisible(!pPane->text().isEmpty());
}

void CMainFrame::UpdateRecordingPane(const QString& strTitle, qsizetype nReadings)
{
    const QString strCount = nReadings == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(nReadings);
    m_pStatusPane->setText(strTitle.isEmpty() ? kReadyText : QStringLiteral("Recording %1: %2").arg(strTitle, strCount));
}

void CMainFrame::UpdateFolderPane(const QString& strFolder, int nFiles, qint64 nReadings, bool bSaveFailing)
{
    const QString strFiles = nFiles == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(nFiles);
    const QString strCount = nReadings == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(nReadings);
    QString strText = QStringLiteral("Logging to %1: %2, %3").arg(QDir::toNativeSeparators(strFolder), strFiles, strCount);
    if (bSaveFailing)
        strText += QStringLiteral(" (a save failed: trying again)");
    m_pStatusPane->setText(strText);
}

QString CMainFrame::StatusPaneText() const
{
    return m_pStatusPane->text();
}

QString CMainFrame::MeterPaneText() const
{
    return m_pMeterPane->text();
}

void CMainFrame::CreatePageBar()
{
    m_pPageBar = new QDockWidget(QStringLiteral("DockPageBar"), this);
    m_pPageBar->setObjectName(QStringLiteral("DockPageBar"));
    // Movable but not closable: nothing else would bring the meter panel back.
    m_pPageBar->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_pPageBar->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);

    auto* pContents = new QWidget(m_pPageBar);
    m_pDockLayout = new QVBoxLayout(pContents);
    m_pDockLayout->setContentsMargins(0, 0, 0, 0);
    m_pDockLayout->setSpacing(2);
    m_pPages = new QTabWidget(pContents);
    m_pPages->setDocumentMode(true);
    m_pLeftDlg = new CLeftDlg(m_pPages);
    m_pPages->addTab(m_pLeftDlg, QStringLiteral("Display"));
    m_pDockLayout->addWidget(m_pPages, 1);
    m_pPageBar->setWidget(pContents);
    addDockWidget(Qt::LeftDockWidgetArea, m_pPageBar);
    resizeDocks({m_pPageBar}, {int(m_pLeftDlg->sizeHint().width() * 1.1)}, Qt::Horizontal);
}

void CMainFrame::CreateOscilloscope()
{
    m_pOsc = new COscWindows(*m_pProtocol, *m_pPrompt, m_pMdiArea, this);
    m_pLeftDlg->SetOscList(m_pOsc->List());
    auto* pOpen = new QAction(QStringLiteral("Open &Osc..."), this);
    pOpen->setStatusTip(QStringLiteral("Open a waveform file (.osc) in a scope window"));
    connect(pOpen, &QAction::triggered, m_pOsc, &COscWindows::OnOpenOsc);
    // Beside the document commands, above the recent files.
    Menu(MenuId::File)->insertAction(DocManager().RecentFilesStart(), pOpen);
}

void CMainFrame::CreateExportCommands()
{
    // "&Export To Excel" and "&Print" act on the current document; they are enabled while it
    // holds readings.
    QMenu* pFile = Menu(MenuId::File);
    QAction* pBefore = DocManager().RecentFilesStart();
    auto* pExport = new QAction(QStringLiteral("&Export To Excel"), this);
    pExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    pExport->setStatusTip(QStringLiteral("Export the data to a spreadsheet file"));
    pExport->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    auto* pPrint = new QMenu(QStringLiteral("&Print"), pFile);
    QAction* pPrintGraph = pPrint->addAction(QStringLiteral("&Graph"));
    pPrintGraph->setShortcut(QKeySequence::Print);
    pPrintGraph->setStatusTip(QStringLiteral("Print the graph with the statistics"));
    pPrintGraph->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    QAction* pPrintData = pPrint->addAction(QStringLiteral("&Data"));
    pPrintData->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    pPrintData->setStatusTip(QStringLiteral("Print the readings as a table"));
    pFile->insertAction(pBefore, pExport);
    pFile->insertMenu(pBefore, pPrint);
    AddToolButton(ToolButton::ExportToExcel, pExport);
    AddToolButton(ToolButton::PrintGraph, pPrintGraph);

    auto onView = [this](void (CMyTalvaView::*pfnCommand)()) {
        return [this, pfnCommand] {
            if (CMyTalvaView* pView = m_pDocs->ActiveView())
                (pView->*pfnCommand)();
        };
    };
    connect(pExport, &QAction::triggered, this, onView(&CMyTalvaView::OnExportToExcel));
    connect(pPrintGraph, &QAction::triggered, this, onView(&CMyTalvaView::OnPrintGraph));
    connect(pPrintData, &QAction::triggered, this, onView(&CMyTalvaView::OnPrintData));

    auto update = [this, pExport, pPrintGraph, pPrintData] {
        CMyTalvaView* pView = m_pDocs->ActiveView();
        const bool bReadings = pView && pView->HasReadings();
        for (QAction* pAction : {pExport, pPrintGraph, pPrintData})
            pAction->setEnabled(bReadings);
    };
    connect(m_pDocs, &CDocManager::ActiveViewChanged, this, [this, update](CMyTalvaView* pView) {
        disconnect(m_currentDocChanged);
        if (pView)
            m_currentDocChanged = connect(pView->GetDocument(), &CMyTalvaDoc::Changed, this, update);
        update();
    });
    update();
}

void CMainFrame::CreateLogger()
{
    m_pLogger = new CLoggerCommands(*this, *this, *m_pWaitDlg, *m_pProtocol, *m_pLink, *m_pDocs, *m_pRecording,
                                    *m_pPrompt, this);
}

void CMainFrame::AddDockPage(QWidget* pPage, const QString& strTitle)
{
    m_pPages->addTab(pPage, strTitle);
}

void CMainFrame::ShowDockPage(QWidget* pPage)
{
    m_pPages->setCurrentWidget(pPage);
}

void CMainFrame::SetGraphControlBar(QToolBar* pBar)
{
    if (m_pGraphControlBar)
        removeToolBar(m_pGraphControlBar);
    m_pGraphControlBar = pBar;
    if (pBar)
        addToolBar(Qt::TopToolBarArea, pBar);
}

void CMainFrame::CreateDocuments()
{
    m_pDocs = new CDocManager(*this, *this, *m_pPrompt, this);
    m_pDocs->AddCommands();
    m_pRecording = new CRealTimeRecording(*m_pDocs, *m_pPrompt, [this] { return m_pLink->IsMeterOnline(); }, this);
    m_pRecording->AddCommands(*this);
    connect(m_pRecording, &CRealTimeRecording::StartRefused, this,
            [this] { ShowLinkMessage(QStringLiteral("No meter is online: connect to it first (Com Port, ConnectBle)")); });
    connect(m_pRecording, &CRealTimeRecording::LiveCountChanged, this, &CMainFrame::UpdateRecordingPane);
    connect(m_pRecording, &CRealTimeRecording::FolderCountChanged, this, &CMainFrame::UpdateFolderPane);
    // Longer than the link's messages: nobody may be watching when it comes. The recording pane
    // keeps saying so while the failure lasts.
    connect(m_pRecording, &CRealTimeRecording::Notice, this,
            [this](const QString& strText) { statusBar()->showMessage(strText, kNoticeMs); });
    m_pRecovery = new CAutoRecovery(*m_pDocs, *m_pPrompt, CAutoRecovery::DefaultRoot(), this);

    // The graph tool bar and "Setting" act on the current document's view.
    m_pGraphBar = new CControlDlgBar;
    m_pGraphBar->SetTargetProvider([this]() -> CGraphCommandTarget* { return m_pDocs->ActiveView(); });
    SetGraphControlBar(m_pGraphBar);
    QAction* pSetting = Menu(MenuId::GraphSetting)->addAction(QStringLiteral("Setting"), this,
                                                               [this] { m_pGraphBar->SendCommand(GraphCommand::kSetting); });
    pSetting->setStatusTip(QStringLiteral("Colours, point marks and y scaling of the graph"));
    pSetting->setEnabled(false);
    connect(m_pDocs, &CDocManager::ActiveViewChanged, pSetting, [pSetting](CMyTalvaView* pView) { pSetting->setEnabled(pView); });
    setAcceptDrops(true);
}

CChildFrame* CMainFrame::AddChildFrame(QWidget* pView)
{
    auto* pFrame = new CChildFrame(pView);
    m_pMdiArea->addSubWindow(pFrame);
    pFrame->show();
    m_pMdiArea->setActiveSubWindow(pFrame);
    return pFrame;
}

void CMainFrame::ConnectProtocol()
{
    // Emitted on the link thread; queued here, in order, with the reading by value.
    connect(m_pProtocol.get(), &CMeterProtocol::DisplayModeChanged, m_pLeftDlg, &CLeftDlg::SetDisplayMode,
            Qt::QueuedConnection);
    connect(m_pProtocol.get(), &CMeterProtocol::PanelShow, m_pLeftDlg,
            [this](int nLayout, const QString&, double, int, const MeterReading& panel) {
                m_pLeftDlg->ShowReading(nLayout, panel);
            },
            Qt::QueuedConnection);
    connect(m_pProtocol.get(), &CMeterProtocol::ReadingDecoded, m_pRecording, &CRealTimeRecording::OnReading,
            Qt::QueuedConnection);
    connect(m_pProtocol.get(), &CMeterProtocol::ShowOscList, m_pLeftDlg,
            [this] { m_pLeftDlg->SetLayout(CLeftDlg::kOscilloscopeLayout); }, Qt::QueuedConnection);

    connect(m_pLink.get(), &CMeterLink::Connected, this, [this] {
        m_pLinkPane->setText(kConnectedText);
        m_pMeterPane->setText(QStringLiteral("%1 on %2").arg(m_pLink->LastAddress(), CSerialPort::PortLabel(m_pLink->LastPort())));
        m_pMeterPane->show();
        ShowLinkMessage(kConnectedText);
        m_pWatchdog->Start();
    });
    connect(m_pLink.get(), &CMeterLink::LinkEstablished, this, [this] { ShowLinkMessage(QStringLiteral("Meter linked")); });
    // Before the link's message box: the window already says what happened.
    connect(m_pLink.get(), &CMeterLink::LinkError, this, &CMainFrame::OnLinkLost);
    connect(m_pScan, &CBleScan::LinkClosedForScan, this, [this] {
        m_pReconnect->Stop();
        ShowDisconnected();
    });
    connect(m_pReconnect, &CLinkReconnect::Progress, this, [this](const QString& strText) {
        if (m_pReconnect->IsActive())
            m_pLinkPane->setText(kReconnectingText);
        ShowLinkMessage(strText);
    });
    connect(m_pScan, &CBleScan::ConnectRequested, this,
            [this](const QString& strAddress) { ShowLinkMessage(QStringLiteral("Connecting to %1...").arg(strAddress)); });

    connect(m_pWatchdog, &CLinkWatchdog::Stalled, this, [this] {
        if (m_pWaitDlg->isVisible())
            m_pWaitDlg->close();
    });
    connect(m_pWatchdog, &CLinkWatchdog::FirstStall, this, &CMainFrame::BlankPanel);
}

void CMainFrame::BlankPanel()
{
    m_pProtocol->ResetDisplay();
    m_pLeftDlg->Blank();
}

void CMainFrame::ShowLinkMessage(const QString& strText)
{
    statusBar()->showMessage(strText, kLinkMessageMs);
}

QString CMainFrame::LinkStateText() const
{
    return m_pLinkPane->text();
}

void CMainFrame::ShowDisconnected()
{
    m_pWatchdog->Stop();
    m_pLinkPane->setText(kDisconnectedText);
    m_pMeterPane->clear();
    m_pMeterPane->hide();
    ShowLinkMessage(kDisconnectedText);
    m_pLeftDlg->SetStale(true);
}

bool CMainFrame::IsLinked() const
{
    return m_pLink->IsPortOpen() && m_pLink->LinkState() == CMeterLink::kConnected;
}

bool CMainFrame::StartReconnect(bool bAtOnce)
{
    // The meter just lost, else the remembered one.
    const bool bLast = !m_pLink->LastAddress().isEmpty();
    const QString strAddress = bLast ? m_pLink->LastAddress() : CPortSettings::ReadMacSetting();
    const QString strPort = bLast ? m_pLink->LastPort() : CPortSettings::ReadPortSetting();
    if (strAddress.isEmpty() || strPort.isEmpty())
        return false;
    m_pLinkPane->setText(kReconnectingText);
    if (bAtOnce)
        m_pReconnect->StartNow(strPort, strAddress);
    else
        m_pReconnect->Start(strPort, strAddress);
    return true;
}

void CMainFrame::OnLinkLost(const QString& strMessage)
{
    // What a recording to a folder holds is on disk before any try to reconnect.
    m_pRecording->SaveFolder();
    ShowDisconnected();
    if (!m_pAutoReconnect->isChecked())
        return;
    // No box waits for the user (the link's prompt is quiet): the status bar tells it.
    ShowLinkMessage(strMessage);
    StartReconnect(false);
}

void CMainFrame::OnAutoReconnectToggled(bool bOn)
{
    QSettings(CDocManager::SettingsPath(), QSettings::IniFormat).setValue(kAutoReconnectKey, bOn);
    m_pLinkPrompt->SetQuiet(bOn);
    qCInfo(LogApp, "Reconnect Automatically %s", bOn ? "on" : "off");
    if (!bOn) {
        if (m_pReconnect->IsActive()) {
            m_pReconnect->Stop();
            ShowDisconnected();
        }
        return;
    }
    // Ticked while no meter is linked: look for it now rather than after the next loss.
    if (IsLinked() || m_pReconnect->IsActive())
        return;
    if (!StartReconnect(true))
        ShowLinkMessage(QStringLiteral("No meter to reconnect to yet: connect to it once (Com Port, ConnectBle)"));
}

void CMainFrame::ConnectAtStartUp()
{
    if (m_pAutoReconnect->isChecked() && !IsLinked() && !m_pReconnect->IsActive())
        StartReconnect(true);
}

void CMainFrame::OnConnectBle()
{
    // The user takes over from the automatic reconnect.
    if (m_pReconnect->IsActive()) {
        m_pReconnect->Stop();
        m_pLinkPane->setText(kDisconnectedText);
    }
    m_pScan->exec();
}

QString CMainFrame::HelpFilePath()
{
    // Beside the program in the build; in share/multimeter/ once installed.
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString strBeside = programDir.filePath(QStringLiteral("help.html"));
    const QString strInstalled = programDir.filePath(QStringLiteral("../share/multimeter/help.html"));
    return QFileInfo::exists(strBeside) || !QFileInfo::exists(strInstalled) ? strBeside : QDir::cleanPath(strInstalled);
}

void CMainFrame::OnHelp()
{
    const QString strPath = HelpFilePath();
    if (!QFileInfo::exists(strPath)) {
        m_pPrompt->Message(QStringLiteral("The help file %1 was not found.").arg(QDir::toNativeSeparators(strPath)),
                           CProgramInfo::Name(), CPrompt::Warning);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(strPath)))
        m_pPrompt->Message(QStringLiteral("No program could open the help file %1.").arg(QDir::toNativeSeparators(strPath)),
                           CProgramInfo::Name(), CPrompt::Warning);
}

void CMainFrame::OnAbout()
{
    CAboutDlg(this).exec();
}

void CMainFrame::AutoConnect(const QString& strPort)
{
    // This meter rather than the one a reconnect may be looking for.
    m_pReconnect->Stop();
    // A temporary port (the demo's) is never remembered in place of the user's.
    m_pLink->SetRememberSettings(false);
    ShowLinkMessage(QStringLiteral("Scanning %1...").arg(strPort));
    auto pConnection = std::make_shared<QMetaObject::Connection>();
    *pConnection = connect(m_pLink.get(), &CMeterLink::DeviceFound, this,
                           [this, pConnection](const QString&, const QString& strAddress, int) {
                               disconnect(*pConnection);
                               ShowLinkMessage(QStringLiteral("Connecting to %1...").arg(strAddress));
                               m_pLink->Connect(strAddress);
                           });
    m_pLink->Scan(strPort);
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    // The documents first: whoever cancels their save question keeps the link too. While the
    // questions are open, readings wait instead of entering the documents being asked about.
    m_pRecording->Hold();
    // A recording to a folder writes its files itself: its window has nothing to ask then.
    m_pRecording->SaveFolder();
    if (!m_pDocs->CloseAll()) {
        m_pRecording->Resume();
        pEvent->ignore();
        return;
    }
    m_pRecording->DropHeld();
    qCInfo(LogApp, "exit");
    // The link thread is stopped cooperatively (a wait of it for this thread
    // is released first) and the port closed; only then the window goes.
    m_pReconnect->Stop();
    m_pLink->Shutdown();
    m_pWaitDlg->close();
    pEvent->accept();
}

bool CMainFrame::OpenFile(const QString& strPath)
{
    if (strPath.endsWith(COscFile::Extension(), Qt::CaseInsensitive))
        return m_pOsc->OpenOscFile(strPath) != nullptr;
    if (strPath.endsWith(DocumentType::Extension(), Qt::CaseInsensitive))
        return m_pDocs->OpenDocumentFile(strPath) != nullptr;
    m_pPrompt->Message(QStringLiteral("\"%1\" is neither a recording (%2) nor a waveform (%3), so it was not opened.")
                           .arg(QDir::toNativeSeparators(strPath), DocumentType::Extension(), COscFile::Extension()),
                       CProgramInfo::Name(), CPrompt::Warning);
    return false;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent)
{
    for (const QUrl& url : pEvent->mimeData()->urls()) {
        if (url.isLocalFile()) {
            pEvent->acceptProposedAction();
            return;
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* pEvent)
{
    for (const QUrl& url : pEvent->mimeData()->urls()) {
        if (url.isLocalFile())
            OpenFile(url.toLocalFile());
    }
    pEvent->acceptProposedAction();
}
