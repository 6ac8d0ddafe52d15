#pragma once

#include "app/CCommandHost.h"
#include "app/CDockPages.h"
#include "app/CDocumentArea.h"
#include "link/CMeterLink.h"

#include <QMainWindow>
#include <QMap>
#include <QTimer>

#include <memory>

class CAutoRecovery;
class CBleScan;
class CChildFrame;
class CControlDlgBar;
class CDocManager;
class CLeftDlg;
class CLinkPrompt;
class CLinkReconnect;
class CLinkWatchdog;
class CLockIndicators;
class CLoggerCommands;
class CMessageBoxPrompt;
class CMeterProtocol;
class COscWindows;
class CPrompt;
class CRealTimeRecording;
class CWaitDlg;
class QDockWidget;
class QLabel;
class QMdiArea;
class QTabWidget;
class QToolBar;
class QVBoxLayout;

// The main window. Owns the link to the meter and its protocol, the meter
// panel in the left dock, the document area, the oscilloscope's slots and
// windows, the scan and wait dialogs and the timers: 1 blanks the panel
// 500 ms after start, 2 is the link watchdog.
//
// Other parts reach it through narrow interfaces: they add their commands
// through CCommandHost (Menu(), AddToolButton(), which keep the menus and the
// toolbar in their fixed order whatever the order of the calls), their
// document windows through CDocumentArea and their dock pages through
// CDockPages; SetGraphControlBar() places the graph tool bar.
class CMainFrame : public QMainWindow, public CCommandHost, public CDocumentArea, public CDockPages
{
    Q_OBJECT
public:
    static constexpr int kBlankPanelMs = 500;

    explicit CMainFrame(QWidget* pParent = nullptr);
    ~CMainFrame() override;

    CMeterLink& Link() { return *m_pLink; }
    CMeterProtocol& Protocol() { return *m_pProtocol; }
    CPrompt& Prompt();
    // Nobody at the screen (a screenshot run): messages go to stderr instead of boxes.
    void SetUnattended(bool bUnattended);
    CBleScan* ScanDialog() const { return m_pScan; }
    CLeftDlg* LeftDlg() const { return m_pLeftDlg; }
    CWaitDlg* WaitDlg() const { return m_pWaitDlg; }
    CLinkWatchdog& Watchdog() { return *m_pWatchdog; }
    // The waveform slots, the scope windows and the stored-waveform list.
    COscWindows& Oscilloscope() { return *m_pOsc; }
    const QTimer& BlankPanelTimer() const { return m_timerBlankPanel; }
    QMdiArea* MdiArea() const override { return m_pMdiArea; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QDockWidget* PageBar() const { return m_pPageBar; }
    QTabWidget* Pages() const { return m_pPages; }
    // The recording documents and their file commands, real-time recording, the recovery
    // copies, the graph tool bar.
    CDocManager& DocManager() { return *m_pDocs; }
    CRealTimeRecording& Recording() { return *m_pRecording; }
    CAutoRecovery& Recovery() { return *m_pRecovery; }
    CControlDlgBar* GraphControlBar() const { return m_pGraphBar; }
    // "Download Multimeter Logger", the logger list page and the logger-data view.
    CLoggerCommands& Logger() { return *m_pLogger; }

    // CCommandHost
    QMenu* Menu(MenuId id) override;
    QAction* ExitAction() const override { return m_pExit; }
    void AddToolButton(ToolButton button, QAction* pAction) override;
    QWidget* CommandWindow() override { return this; }
    // CDockPages: a page of the left dock after "Display" (the logger list).
    void AddDockPage(QWidget* pPage, const QString& strTitle) override;
    void ShowDockPage(QWidget* pPage) override;
    // The graph tool bar, docked along the top edge beside the toolbar.
    void SetGraphControlBar(QToolBar* pBar);
    // CDocumentArea: a document window in the client area, maximised and active.
    CChildFrame* AddChildFrame(QWidget* pView) override;

    // A file named on the command line or dropped, opened by what it is: a waveform (.osc) in
    // a scope window of its own, a recording (.mLog) as a document. Anything else, or a file
    // that does not load, is reported and opens nothing: false.
    bool OpenFile(const QString& strPath);

    // "ConnectBle": the scan dialog, modal.
    void OnConnectBle();
    // "&Help": the help file beside the program, in the desktop's viewer.
    void OnHelp();
    // "&About Multimeter...".
    void OnAbout();
    // Scans the port and connects to the first meter found (the --demo start).
    void AutoConnect(const QString& strPort);
    // With Reconnect Automatically on, connects to the remembered meter on the remembered
    // port, trying again as after a lost link until it answers (the program's start).
    void ConnectAtStartUp();

    // The link pane of the status bar: "Connected", "Disconnected", "Reconnecting...", or empty.
    QString LinkStateText() const;
    // The status bar's meter pane: "ADDRESS on PORT" while connected, else empty.
    QString MeterPaneText() const;
    // "Ready", or what the recording under way has recorded.
    QString StatusPaneText() const;
    // Com Port > Reconnect Automatically: after a lost link, find the remembered meter again;
    // no message box waits for the user meanwhile.
    QAction* AutoReconnectAction() const { return m_pAutoReconnect; }
    CLinkReconnect& Reconnector() { return *m_pReconnect; }

    // The help file shipped beside the executable, or installed under share/multimeter/.
    static QString HelpFilePath();

protected:
    // Every modified document is offered for saving first; a cancel keeps the window and the link.
    void closeEvent(QCloseEvent* pEvent) override;
    // Recording files dropped on the window open.
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePageBar();
    void CreateDocuments();
    void CreateOscilloscope();
    void CreateExportCommands();
    void CreateLogger();
    void ConnectProtocol();
    void BlankPanel();
    void ShowLinkMessage(const QString& strText);
    // The link is gone (lost, or closed for a new scan): say so, mark the last reading.
    void ShowDisconnected();
    void OnLinkLost(const QString& strMessage);
    void OnAutoReconnectToggled(bool bOn);
    // Looks for the meter of the last connect (else the remembered one) until it is back;
    // false when there is none to look for.
    bool StartReconnect(bool bAtOnce);
    bool IsLinked() const;
    void UpdateLockPanes();
    void UpdateRecordingPane(const QString& strTitle, qsizetype nReadings);
    void UpdateFolderPane(const QString& strFolder, int nFiles, qint64 nReadings, bool bSaveFailing);

    std::unique_ptr<CMessageBoxPrompt> m_pPrompt;
    std::unique_ptr<CLinkPrompt> m_pLinkPrompt; //!< the link's messages: boxes, or the status bar while reconnecting by itself
    std::unique_ptr<CMeterLink> m_pLink;
    std::unique_ptr<CMeterProtocol> m_pProtocol;
    CLinkWatchdog* m_pWatchdog;
    CLinkReconnect* m_pReconnect;
    QAction* m_pAutoReconnect = nullptr;
    QLabel* m_pStatusPane = nullptr;
    QLabel* m_pLinkPane = nullptr;
    QLabel* m_pMeterPane = nullptr;
    COscWindows* m_pOsc = nullptr;
    QTimer m_timerBlankPanel;

    QMdiArea* m_pMdiArea;
    QDockWidget* m_pPageBar = nullptr;
    QTabWidget* m_pPages = nullptr;
    QVBoxLayout* m_pDockLayout = nullptr;
    QToolBar* m_pGraphControlBar = nullptr;
    CLeftDlg* m_pLeftDlg = nullptr;
    CWaitDlg* m_pWaitDlg;
    CBleScan* m_pScan;
    CDocManager* m_pDocs = nullptr;
    CRealTimeRecording* m_pRecording = nullptr;
    CAutoRecovery* m_pRecovery = nullptr;
    CControlDlgBar* m_pGraphBar = nullptr;
    CLoggerCommands* m_pLogger = nullptr;

    QMap<MenuId, QMenu*> m_menus;
    QAction* m_pExit = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QMap<ToolButton, QAction*> m_toolButtons;
    QMetaObject::Connection m_currentDocChanged; //!< enables export and printing as readings arrive

    CLockIndicators* m_pLocks;
    QLabel* m_pCapPane = nullptr;
    QLabel* m_pNumPane = nullptr;
    QLabel* m_pScrlPane = nullptr;
};
