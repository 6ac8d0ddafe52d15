// The window when the link goes: the status, the panel, the automatic reconnect,
// and "Scan" pressed while a meter is connected.
#include "CAppTestHelpers.h"
#include "app/CLinkWatchdog.h"
#include "app/CLoggerCommands.h"
#include "app/CMainFrame.h"
#include "app/CRealTimeRecording.h"
#include "app/CDocManager.h"
#include "document/ui/CMyTalvaView.h"
#include "link/CLinkReconnect.h"
#include "link/CPortSettings.h"
#include "link/ui/CBleScan.h"
#include "panel/CLeftDlg.h"
#include "sim/CSimServer.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {
using CSim = AppTest::CSimThread;

// Pixels of the panel's display area that are the red of the stale mark.
int StaleMarkPixels(CLeftDlg* pPanel)
{
    const QImage image = pPanel->grab(pPanel->DisplayArea()).toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 150 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    return n;
}

// Connects the window to the simulator's first meter and waits for two readings.
void ConnectAndWaitForReadings(CMainFrame& frame, const CSim& sim, QSignalSpy& shown)
{
    frame.AutoConnect(sim.server->PortPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= 2; }, 15000));
    EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Connected"));
    EXPECT_FALSE(frame.LeftDlg()->IsStale());
}

// The window, without Reconnect Automatically, linked to the simulator and showing its readings.
struct CConnectedWindow
{
    explicit CConnectedWindow(double dDropAfterS = 0)
        : sim(dDropAfterS)
    {
        frame.AutoReconnectAction()->setChecked(false);
        frame.show();
        if (sim.bOpen)
            ConnectAndWaitForReadings(frame, sim, shown);
    }
    CSim sim;
    CMainFrame frame;
    QSignalSpy shown { frame.LeftDlg(), &CLeftDlg::ReadingShown };
};
}

TEST(LinkLoss, StatusSaysDisconnectedBeforeTheMessageBoxAndTheLastReadingIsMarkedStale)
{
    CSim sim(1.0);
    ASSERT_TRUE(sim.bOpen);
    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.resize(1024, 760);
    frame.show();
    QSignalSpy shown(frame.LeftDlg(), &CLeftDlg::ReadingShown);
    ConnectAndWaitForReadings(frame, sim, shown);
    EXPECT_EQ(StaleMarkPixels(frame.LeftDlg()), 0);

    // What the window shows while the link's message box waits for the user.
    QString strStateUnderBox;
    QString strBoxText;
    bool bStaleUnderBox = false;
    int nMarkUnderBox = 0;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!pBox)
            return;
        poll.stop();
        strBoxText = pBox->text();
        strStateUnderBox = frame.LinkStateText();
        bStaleUnderBox = frame.LeftDlg()->IsStale();
        nMarkUnderBox = StaleMarkPixels(frame.LeftDlg());
        const QByteArray dir = qgetenv("MULTIMETER_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            frame.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("link-lost.png")));
        pBox->accept();
    });
    poll.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !strBoxText.isEmpty(); }, 10000));
    EXPECT_TRUE(strBoxText.contains(QStringLiteral("ended the link"))) << qPrintable(strBoxText);
    EXPECT_EQ(strStateUnderBox, QStringLiteral("Disconnected"));
    EXPECT_TRUE(bStaleUnderBox);
    EXPECT_GT(nMarkUnderBox, 50);
    // The reading stays (veiled): it is not blanked to "no data".
    EXPECT_EQ(frame.LeftDlg()->Layout(), 1);
    // No automatic reconnect unless asked for: nothing more happens.
    EXPECT_FALSE(frame.Reconnector().IsActive());
    EXPECT_FALSE(frame.Watchdog().IsActive());
    EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Disconnected"));
}

TEST(LinkLoss, ReconnectAutomaticallyFindsTheRememberedMeterAgain)
{
    CSim sim(1.0, 2);
    ASSERT_TRUE(sim.bOpen);
    {
        // The option sits in the Com Port menu and is remembered.
        CMainFrame frame;
        QAction* pOption = frame.AutoReconnectAction();
        ASSERT_NE(pOption, nullptr);
        EXPECT_TRUE(frame.Menu(CMainFrame::MenuId::ComPort)->actions().contains(pOption));
        EXPECT_TRUE(pOption->isCheckable());
        pOption->setChecked(true);
    }
    CMainFrame frame;
    ASSERT_TRUE(frame.AutoReconnectAction()->isChecked());
    frame.show();
    // With the option on, a dropout asks nothing of the user: no box to wait on.
    int nBoxes = 0;
    QTimer boxWatch;
    boxWatch.setInterval(20);
    QObject::connect(&boxWatch, &QTimer::timeout, [&] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++nBoxes;
            pBox->reject();
        }
    });
    boxWatch.start();
    QSignalSpy shown(frame.LeftDlg(), &CLeftDlg::ReadingShown);
    QSignalSpy reconnected(&frame.Reconnector(), &CLinkReconnect::Reconnected);
    ConnectAndWaitForReadings(frame, sim, shown);
    EXPECT_EQ(frame.Link().LastAddress(), QStringLiteral("c8:fd:19:0a:bc:de"));

    for (int nDrop = 1; nDrop <= 2; ++nDrop) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LeftDlg()->IsStale(); }, 10000)) << "drop " << nDrop;
        EXPECT_TRUE(frame.Reconnector().IsActive());
        EXPECT_NE(frame.LinkStateText(), QStringLiteral("Connected"));
        const int nBefore = int(shown.count());
        ASSERT_TRUE(QTest::qWaitFor([&] { return reconnected.count() == nDrop && shown.count() > nBefore; }, 15000))
            << "drop " << nDrop;
        EXPECT_EQ(frame.Reconnector().TryCount(), 1);
        EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Connected"));
        EXPECT_FALSE(frame.LeftDlg()->IsStale());
        EXPECT_TRUE(frame.Watchdog().IsActive());
    }
    EXPECT_EQ(nBoxes, 0);
    frame.AutoReconnectAction()->setChecked(false);
}

TEST(LinkLoss, ScanWhileConnectedDisconnectsAndSaysSoInsteadOfFreezingTheReading)
{
    CConnectedWindow w;
    ASSERT_TRUE(w.sim.bOpen);
    CSim& sim = w.sim;
    CMainFrame& frame = w.frame;
    QSignalSpy& shown = w.shown;

    CBleScan* pScan = frame.ScanDialog();
    pScan->show();
    pScan->SetPortText(sim.server->PortPath());
    QTest::mouseClick(pScan->ScanButton(), Qt::LeftButton);
    // The live link is closed by the scan, and everything says so.
    EXPECT_EQ(pScan->StatusText(), CBleScan::ClosedForScanText() + QStringLiteral(". ") + CBleScan::ScanningText());
    EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Disconnected"));
    EXPECT_TRUE(frame.LeftDlg()->IsStale());
    EXPECT_FALSE(frame.Watchdog().IsActive());

    // Picking the meter again brings the live reading back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pScan->DeviceList()->rowCount() > 0; }, 10000));
    pScan->DeviceList()->selectRow(0);
    const int nBefore = int(shown.count());
    QTest::mouseClick(pScan->ConnectButton(), Qt::LeftButton);
    EXPECT_FALSE(pScan->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > nBefore + 1; }, 10000));
    EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Connected"));
    EXPECT_FALSE(frame.LeftDlg()->IsStale());

    // Scanning while nothing is connected says nothing of a disconnect; Close closes.
    frame.Link().Shutdown();
    pScan->show();
    QTest::qWait(0);
    QSignalSpy closed(pScan, &CBleScan::LinkClosedForScan);
    pScan->SetPortText(sim.server->PortPath());
    pScan->OnScan();
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(pScan->StatusText(), CBleScan::ScanningText());
    QTest::mouseClick(pScan->CloseButton(), Qt::LeftButton);
    EXPECT_FALSE(pScan->isVisible());
    EXPECT_EQ(pScan->result(), QDialog::Rejected);
}

TEST(LinkLoss, ALostLinkTakesTheMeterOfflineSoStartAndTheLoggerAskNothingOfIt)
{
    CConnectedWindow w(1.0);
    ASSERT_TRUE(w.sim.bOpen);
    CMainFrame& frame = w.frame;
    EXPECT_TRUE(frame.Link().IsMeterOnline());
    {
        // The meter ends the link; its box is answered.
        AppTest::CModalWatch modals;
        ASSERT_TRUE(QTest::qWaitFor([&] { return modals.Count() == 1; }, 10000));
        EXPECT_TRUE(modals.Texts()[0].contains(QStringLiteral("ended the link"))) << qPrintable(modals.Texts()[0]);
    }
    EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Disconnected"));
    EXPECT_FALSE(frame.Link().IsMeterOnline());

    // Start finds no meter: no empty "New File1", no Stop to press.
    QSignalSpy refused(&frame.Recording(), &CRealTimeRecording::StartRefused);
    frame.Recording().StartAction()->trigger();
    EXPECT_EQ(refused.count(), 1);
    EXPECT_FALSE(frame.Recording().IsRecording());
    EXPECT_TRUE(frame.DocManager().Views().isEmpty());
    EXPECT_FALSE(frame.Recording().StopAction()->isEnabled());
    // The logger download says the meter is not connected instead of asking the void.
    auto pAnswer = AppTest::AnswerNextBox(QMessageBox::Ok);
    frame.Logger().DownloadAction()->trigger();
    EXPECT_TRUE(pAnswer->bShown);
    EXPECT_TRUE(pAnswer->strText.contains(QStringLiteral("not connected"))) << qPrintable(pAnswer->strText);
    EXPECT_FALSE(frame.Logger().Download().IsDownloading());
}
