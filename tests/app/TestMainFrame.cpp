#include "app/CMainFrame.h"

#include "link/ui/CBleScan.h"

#include "sim/CSimServer.h"

#include <QAction>
#include <QMenuBar>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

TEST(MainFrame, ComPortMenuOpensTheScanDialog)
{
    CMainFrame frame;
    QAction* pConnectBle = nullptr;
    for (QAction* pMenu : frame.menuBar()->actions()) {
        if (pMenu->text() != QStringLiteral("&Com Port"))
            continue;
        for (QAction* pItem : pMenu->menu()->actions()) {
            if (pItem->text() == QStringLiteral("ConnectBle"))
                pConnectBle = pItem;
        }
    }
    ASSERT_NE(pConnectBle, nullptr);
    QTimer::singleShot(200, frame.ScanDialog(), [&] {
        EXPECT_TRUE(frame.ScanDialog()->isVisible());
        frame.ScanDialog()->reject();
    });
    pConnectBle->trigger();
    EXPECT_FALSE(frame.ScanDialog()->isVisible());
}

TEST(MainFrame, DemoConnectsToTheBuiltInMeterAndShowsReadings)
{
    CSimDongleOptions options;
    options.advertisers = CSimDongle::DefaultAdvertisers();
    options.meter.dRate = 10;
    CSimServer sim(options);
    QString strError;
    ASSERT_TRUE(sim.Open(&strError)) << qPrintable(strError);
    sim.StartThread();
    {
        CMainFrame frame;
        frame.show();
        frame.AutoConnect(sim.PortPath());
        QTRY_VERIFY_WITH_TIMEOUT(frame.ReadingText().startsWith(QStringLiteral("VDC")), 5000);
        EXPECT_TRUE(frame.ReadingText().contains(QStringLiteral(" V ")));
        const QImage shot = frame.grab().toImage();
        EXPECT_EQ(shot.size(), frame.size());
        if (qEnvironmentVariableIsSet("MULTIMETER_SCREENSHOT"))
            shot.save(qEnvironmentVariable("MULTIMETER_SCREENSHOT"));
        frame.close(); // stops the link while readings still flow
    }
    sim.StopThread();
}
