#include "CAppTestHelpers.h"
#include "app/CAboutDlg.h"
#include "app/CChildFrame.h"
#include "app/CLockIndicators.h"
#include "app/CMainFrame.h"
#include "graph/CControlDlgBar.h"
#include "link/ui/CBleScan.h"
#include "panel/CLeftDlg.h"
#include "protocol/CMeterProtocol.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COSCList.h"
#include "scope/ui/COscWindows.h"
#include "scope/COscTestFrame.h"
#include "sim/CSimFrameEncoder.h"

#include <QAction>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

using AppTest::Texts;

namespace {

QAction* FindAction(CMainFrame& frame, const QString& strMenu, const QString& strItem)
{
    for (QAction* pMenu : frame.menuBar()->actions()) {
        if (pMenu->text() != strMenu)
            continue;
        for (QAction* pItem : pMenu->menu()->actions()) {
            if (pItem->text() == strItem)
                return pItem;
        }
    }
    return nullptr;
}

// Runs fn on the next modal dialog while the caller's own exec() waits.
void OnModal(std::function<void(QWidget*)> fn)
{
    QTimer::singleShot(0, [fn] {
        if (QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000))
            fn(QApplication::activeModalWidget());
        else
            ADD_FAILURE() << "no modal dialog appeared";
    });
}

class CUrlRecorder : public QObject
{
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

QStringList StatusTexts(CMainFrame& frame)
{
    QStringList texts;
    for (QLabel* pLabel : frame.statusBar()->findChildren<QLabel*>())
        texts << pLabel->text();
    return texts;
}

} // namespace

TEST(MainFrame, MenusHoldOnlyWorkingCommandsInTheirFixedOrder)
{
    CMainFrame frame;
    EXPECT_EQ(Texts(frame.menuBar()->actions()),
              QStringList({"&File", "&View", "&Com Port", "&Real Time", "Data&Logger", "&Graph Setting", "&Help"}));
    // No recent files in a fresh profile: the two separators around their place stay.
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::File)->actions()),
              QStringList({"&New", "&Open...", "Open &Series...", "&Close", "&Save", "Save &As...", "Open &Osc...", "&Export To Excel",
                           "&Print", "-", "-", "E&xit"}));
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::View)->actions()), QStringList({"&Toolbar", "&Status Bar"}));
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::ComPort)->actions()),
              QStringList({"ConnectBle", "&Reconnect Automatically", "-", "&Publish..."}));
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::DataLogger)->actions()), QStringList({"Download Multimeter Logger"}));
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::Help)->actions()),
              QStringList({"&Help", "&About Multimeter..."}));
    EXPECT_EQ(frame.ExitAction()->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_EQ(Texts(frame.ToolBar()->actions()), QStringList({"&Open...", "&Save", "&Export To Excel", "Start", "Stop",
                                                               "&Graph", "&About Multimeter..."}));

    // Later parts add buttons in any order; each lands in its place.
    QAction print(QStringLiteral("Print"));
    frame.AddToolButton(CMainFrame::ToolButton::PrintGraph, &print);
    EXPECT_EQ(Texts(frame.ToolBar()->actions()), QStringList({"&Open...", "&Save", "&Export To Excel", "Start", "Stop",
                                                               "&Graph", "Print", "&About Multimeter..."}));
}

TEST(MainFrame, ViewMenuTogglesTheBars)
{
    CMainFrame frame;
    frame.show();
    QAction* pToolbar = FindAction(frame, QStringLiteral("&View"), QStringLiteral("&Toolbar"));
    QAction* pStatus = FindAction(frame, QStringLiteral("&View"), QStringLiteral("&Status Bar"));
    ASSERT_TRUE(pToolbar && pStatus);
    EXPECT_TRUE(frame.ToolBar()->isVisible());
    pToolbar->trigger();
    EXPECT_FALSE(frame.ToolBar()->isVisible());
    EXPECT_TRUE(frame.statusBar()->isVisible());
    pStatus->trigger();
    EXPECT_FALSE(frame.statusBar()->isVisible());
    pStatus->trigger();
    pToolbar->trigger();
    EXPECT_TRUE(frame.statusBar()->isVisible());
    EXPECT_TRUE(frame.ToolBar()->isVisible());
}

TEST(MainFrame, ComPortMenuOpensTheScanDialog)
{
    CMainFrame frame;
    QAction* pConnectBle = FindAction(frame, QStringLiteral("&Com Port"), QStringLiteral("ConnectBle"));
    ASSERT_NE(pConnectBle, nullptr);
    OnModal([&](QWidget* pModal) {
        EXPECT_EQ(pModal, frame.ScanDialog());
        frame.ScanDialog()->reject();
    });
    pConnectBle->trigger();
    EXPECT_FALSE(frame.ScanDialog()->isVisible());
}

TEST(MainFrame, LeftDockHoldsTheDisplayPageAndRoomForMore)
{
    CMainFrame frame;
    frame.show();
    EXPECT_EQ(frame.PageBar()->objectName(), QStringLiteral("DockPageBar"));
    EXPECT_EQ(frame.dockWidgetArea(frame.PageBar()), Qt::LeftDockWidgetArea);
    EXPECT_FALSE(frame.PageBar()->features() & QDockWidget::DockWidgetClosable);
    ASSERT_EQ(frame.Pages()->count(), 2);
    EXPECT_EQ(frame.Pages()->tabText(0), QStringLiteral("Display"));
    EXPECT_EQ(frame.Pages()->widget(0), frame.LeftDlg());
    EXPECT_EQ(frame.Pages()->tabText(1), QStringLiteral("Logger List"));
    EXPECT_GT(frame.LeftDlg()->width(), 200);

    auto* pPage = new QWidget;
    frame.AddDockPage(pPage, QStringLiteral("More"));
    EXPECT_EQ(frame.Pages()->tabText(2), QStringLiteral("More"));
}

TEST(MainFrame, GraphToolBarDocksAlongTheTopEdgeWithTheToolbar)
{
    CMainFrame frame;
    frame.show();
    QToolBar* pBar = frame.GraphControlBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pBar->isVisible(); }));
    EXPECT_EQ(frame.toolBarArea(pBar), Qt::TopToolBarArea);
    EXPECT_EQ(frame.toolBarArea(frame.ToolBar()), Qt::TopToolBarArea);
    EXPECT_FALSE(frame.PageBar()->isAncestorOf(pBar));
    // Above the dock and the document area, on the toolbar's row.
    const int nBottom = pBar->mapTo(&frame, QPoint(0, pBar->height())).y();
    EXPECT_LE(nBottom, frame.PageBar()->mapTo(&frame, QPoint()).y());
    EXPECT_LE(nBottom, frame.MdiArea()->mapTo(&frame, QPoint()).y());
    EXPECT_EQ(pBar->mapTo(&frame, QPoint()).y(), frame.ToolBar()->mapTo(&frame, QPoint()).y());

    // Another bar takes its place there.
    auto* pOther = new QToolBar(QStringLiteral("graph tools"));
    frame.SetGraphControlBar(pOther);
    EXPECT_EQ(frame.toolBarArea(pOther), Qt::TopToolBarArea);
    EXPECT_EQ(frame.toolBarArea(pBar), Qt::NoToolBarArea);
}

TEST(MainFrame, DocumentWindowsOpenMaximised)
{
    CMainFrame frame;
    frame.show();
    auto* pView = new QWidget;
    pView->setWindowTitle(QStringLiteral("New File1"));
    CChildFrame* pChild = frame.AddChildFrame(pView);
    EXPECT_TRUE(pChild->isMaximized());
    EXPECT_EQ(pChild->View(), pView);
    EXPECT_EQ(frame.MdiArea()->activeSubWindow(), pChild);
    EXPECT_EQ(pChild->windowTitle(), QStringLiteral("New File1"));
}

TEST(MainFrame, StatusBarSaysReadyAndShowsTheLockKeys)
{
    CMainFrame frame;
    frame.show();
    EXPECT_TRUE(StatusTexts(frame).contains(QStringLiteral("Ready")));
    EXPECT_FALSE(StatusTexts(frame).contains(QStringLiteral("SCRL")));
    // Offscreen key events carry no lock bits; Scroll Lock toggles on its key,
    // once, although the event passes the window and several widgets.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QTest::keyClick(frame.windowHandle(), Qt::Key_ScrollLock);
    EXPECT_TRUE(StatusTexts(frame).contains(QStringLiteral("SCRL")));
    QTest::keyClick(frame.windowHandle(), Qt::Key_ScrollLock);
    EXPECT_FALSE(StatusTexts(frame).contains(QStringLiteral("SCRL")));
}

TEST(LockIndicators, ReadTheNativeLockBitsOfEachWindowSystem)
{
    CLockIndicators x11(QStringLiteral("xcb"));
    QSignalSpy changed(&x11, &CLockIndicators::Changed);
    x11.Update(QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 97, 0x02 | 0x10));
    EXPECT_TRUE(x11.CapsLock());
    EXPECT_TRUE(x11.NumLock());
    EXPECT_FALSE(x11.ScrollLock());
    EXPECT_EQ(changed.count(), 1);
    x11.Update(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, 97, 0x10));
    EXPECT_FALSE(x11.CapsLock());
    EXPECT_TRUE(x11.NumLock());

    // X11 keeps Scroll Lock in no modifier bit: its key toggles it.
    const QKeyEvent scroll(QEvent::KeyPress, Qt::Key_ScrollLock, Qt::NoModifier, 78, 0xff14, 0x10);
    x11.Update(scroll);
    EXPECT_TRUE(x11.ScrollLock());
    x11.Update(QKeyEvent(QEvent::KeyPress, Qt::Key_ScrollLock, Qt::NoModifier, 78, 0xff14, 0x10, QString(), true));
    EXPECT_TRUE(x11.ScrollLock()); // auto-repeat does not toggle
    x11.Update(scroll);
    EXPECT_FALSE(x11.ScrollLock());

    CLockIndicators windows(QStringLiteral("windows"));
    windows.Update(QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 30, 65, 0x100 | 0x400));
    EXPECT_TRUE(windows.CapsLock());
    EXPECT_FALSE(windows.NumLock());
    EXPECT_TRUE(windows.ScrollLock());
}

TEST(MainFrame, HelpOpensTheFileBesideTheProgramOrSaysItIsMissing)
{
    // The program's own build ships the help file beside it.
    QFile shipped(QFileInfo(QStringLiteral(MULTIMETER_PATH)).dir().filePath(QStringLiteral("help.html")));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly)) << qPrintable(shipped.fileName());
    EXPECT_TRUE(shipped.readAll().contains("Orvex Multimeter Software"));

    CMainFrame frame;
    const QString strPath = CMainFrame::HelpFilePath();
    QFile::remove(strPath);
    QString strMessage;
    OnModal([&](QWidget* pModal) {
        auto* pBox = qobject_cast<QMessageBox*>(pModal);
        ASSERT_NE(pBox, nullptr);
        strMessage = pBox->text();
        pBox->accept();
    });
    frame.OnHelp();
    EXPECT_TRUE(strMessage.contains(QStringLiteral("help.html"))) << qPrintable(strMessage);

    ASSERT_TRUE(QFile::copy(shipped.fileName(), strPath));
    CUrlRecorder opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "Open");
    QAction* pHelp = FindAction(frame, QStringLiteral("&Help"), QStringLiteral("&Help"));
    ASSERT_NE(pHelp, nullptr);
    EXPECT_EQ(pHelp->shortcut(), QKeySequence(QKeySequence::HelpContents));
    pHelp->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QFile::remove(strPath);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0], QUrl::fromLocalFile(strPath));
}

TEST(MainFrame, AboutShowsTheVersionLine)
{
    EXPECT_EQ(CAboutDlg::VersionLine(), QStringLiteral("Orvex Multimeter Software Version 1.2"));
    CMainFrame frame;
    QStringList texts;
    QString strTitle;
    OnModal([&](QWidget* pModal) {
        strTitle = pModal->windowTitle();
        for (QLabel* pLabel : pModal->findChildren<QLabel*>())
            texts << pLabel->text();
        QTest::keyClick(pModal, Qt::Key_Return);
    });
    frame.ToolBar()->actions().last()->trigger();
    EXPECT_EQ(strTitle, QStringLiteral("About Multimeter"));
    EXPECT_TRUE(texts.contains(QStringLiteral("Orvex Multimeter Software Version 1.2")));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MainFrame, PanelIsBlankedHalfASecondAfterStart)
{
    CMainFrame frame;
    EXPECT_EQ(frame.LeftDlg()->Layout(), 0);
    EXPECT_TRUE(frame.BlankPanelTimer().isActive());
    EXPECT_TRUE(frame.BlankPanelTimer().isSingleShot());
    EXPECT_EQ(frame.BlankPanelTimer().interval(), 500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LeftDlg()->Layout() == -1; }, 5000));
    EXPECT_EQ(frame.LeftDlg()->DisplayMode(), 0);
    EXPECT_EQ(frame.Protocol().Layout(), -1);
    EXPECT_FALSE(frame.BlankPanelTimer().isActive());
}

TEST(MainFrame, PanelFollowsTheDecodedFrames)
{
    CMainFrame frame;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.BlankPanelTimer().isActive(); }, 5000));
    const auto decode = [&](const CSimReading& reading) {
        frame.Protocol().AppendMeterHex(CSimFrameEncoder::Encode(reading).toHex());
        frame.Protocol().OnMeterData(); // the link thread's call; its signals reach the panel queued
        QCoreApplication::processEvents();
    };
    CSimReading vac;
    vac.m_nFunction = 1;
    vac.m_strUnit = QStringLiteral("VAC");
    vac.m_fValue = 229.8f;
    vac.m_fRange = 600.0f;
    vac.m_nDecimals = 1;
    decode(vac);
    EXPECT_EQ(frame.LeftDlg()->Layout(), 1);
    EXPECT_EQ(frame.LeftDlg()->DisplayMode(), 5);
    EXPECT_EQ(frame.LeftDlg()->State().m_reading.m_fValue, 229.8f);

    // Frequency alone (flag E) shows the picture of mode 10 ...
    CSimReading hz;
    hz.m_nLayout = 7;
    hz.m_fValue = 50.0f;
    hz.m_nStatus = CSimReading::kFlagE;
    decode(hz);
    EXPECT_EQ(frame.LeftDlg()->Layout(), 7);
    EXPECT_EQ(frame.LeftDlg()->DisplayMode(), 10);
    EXPECT_EQ(frame.Protocol().DisplayMode(), 10);
    // ... which holds for the next frequency frame and gives way to the next AC volts.
    hz.m_nStatus = 0;
    decode(hz);
    EXPECT_EQ(frame.LeftDlg()->DisplayMode(), 10);
    decode(vac);
    EXPECT_EQ(frame.LeftDlg()->DisplayMode(), 5);

    // The meter's oscilloscope mode empties the display area.
    frame.Protocol().AppendMeterHex("a2a2a2a2");
    frame.Protocol().OnMeterData();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.LeftDlg()->Layout(), 10);
    EXPECT_EQ(frame.LeftDlg()->DisplayMode(), 11);
}

TEST(MainFrame, OscilloscopeModeShowsTheWaveformListInThePanelAndLiveScreensInTheScopeWindow)
{
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.BlankPanelTimer().isActive(); }, 5000));
    const auto receive = [&](const QByteArray& strHex) {
        frame.Protocol().AppendMeterHex(strHex);
        frame.Protocol().OnMeterData();
        QCoreApplication::processEvents();
    };
    COSCList* pList = frame.Oscilloscope().List();
    EXPECT_EQ(pList->parentWidget(), frame.LeftDlg());
    EXPECT_FALSE(pList->isVisible());

    receive("a2a2a2a2");
    ASSERT_TRUE(pList->isVisible());
    // Over the panel's display area, inside the panel.
    const QRect rcList = pList->geometry();
    EXPECT_TRUE(frame.LeftDlg()->rect().contains(rcList));
    EXPECT_GT(rcList.width(), frame.LeftDlg()->DisplayArea().width() * 3 / 4);
    EXPECT_LT(rcList.bottom(), frame.LeftDlg()->height() / 2 + 20);

    // A live screen opens the scope window in the document area.
    EXPECT_EQ(frame.Oscilloscope().ScopeWindow(), nullptr);
    receive(COscTestFrame().Hex());
    COSCDlg* pScope = frame.Oscilloscope().ScopeWindow();
    ASSERT_NE(pScope, nullptr);
    EXPECT_TRUE(pScope->isVisible());
    EXPECT_TRUE(frame.MdiArea()->isAncestorOf(pScope));

    // Readings again: the window closes and the list makes way for them.
    CSimReading vdc;
    vdc.m_strUnit = QStringLiteral("VDC");
    vdc.m_fRange = 6.0f;
    receive(CSimFrameEncoder::Encode(vdc).toHex());
    EXPECT_EQ(frame.LeftDlg()->Layout(), 1);
    EXPECT_FALSE(pList->isVisible());
    EXPECT_EQ(frame.Oscilloscope().ScopeWindow(), nullptr);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());

    // File -> Open Osc... asks for a waveform file; cancelled, nothing opens.
    QAction* pOpen = FindAction(frame, QStringLiteral("&File"), QStringLiteral("Open &Osc..."));
    ASSERT_NE(pOpen, nullptr);
    bool bAsked = false;
    OnModal([&](QWidget* pModal) {
        bAsked = pModal->inherits("QFileDialog");
        pModal->close();
    });
    pOpen->trigger();
    EXPECT_TRUE(bAsked);
    EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());
}

#include "TestMainFrame.moc"
