#include "link/ui/CBleScan.h"
#include "link/CMeterLink.h"
#include "link/CPortList.h"
#include "link/CPortSettings.h"

#include "CPromptRecorder.h"
#include "sim/CSimServer.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {
class BleScan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(CPortSettings::SettingsFilePath());
    }
    void TearDown() override { QFile::remove(CPortSettings::SettingsFilePath()); }

    CPromptRecorder m_prompt;
    CMeterLink m_link { &m_prompt };
};
}

TEST_F(BleScan, ShowsTheSavedPortAndTheDeviceListColumns)
{
    CBleScan dialog(&m_link);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Scan Device"));
    // Nothing saved: the first USB serial port the system has (none on a machine without one).
    EXPECT_EQ(dialog.PortText(), CPortList::FirstUsbPort());
    const auto* pBox = dialog.findChild<QComboBox*>();
    ASSERT_TRUE(pBox);
    QStringList items;
    for (int i = 0; i < pBox->count(); ++i)
        items << pBox->itemText(i);
    EXPECT_EQ(items, CPortList::PortChoices(CPortList::FirstUsbPort()));
    QTableWidget* pList = dialog.DeviceList();
    const QStringList headers = { QStringLiteral("ID"), QStringLiteral("Device name"), QStringLiteral("Device Mac"), QStringLiteral("Rssi") };
    const int widths[] = { 31, 120, 120, 85 };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pList->horizontalHeaderItem(i)->text(), headers[i]);
        if (i < 3) {
            EXPECT_EQ(pList->columnWidth(i), widths[i]);
        }
    }
    dialog.hide();
    CPortSettings::WritePortSetting(QStringLiteral("/dev/ttyACM9"));
    dialog.show();
    EXPECT_EQ(dialog.PortText(), QStringLiteral("/dev/ttyACM9"));
    EXPECT_EQ(pBox->itemText(0), QStringLiteral("/dev/ttyACM9"));
    EXPECT_EQ(pBox->count(), CPortList::PortChoices(QStringLiteral("/dev/ttyACM9")).size());
}

TEST_F(BleScan, ConnectWithoutASelectionSaysSo)
{
    CBleScan dialog(&m_link);
    dialog.show();
    QTest::mouseClick(dialog.ConnectButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.StatusText(), QStringLiteral(" no device selected!"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(BleScan, AMissingPortWarnsAndKeepsScanDisabledForTenSeconds)
{
    CBleScan dialog(&m_link);
    dialog.show();
    dialog.SetPortText(QStringLiteral("/dev/no-such-dongle"));
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    // The warning, then why.
    EXPECT_EQ(m_prompt.Texts(), QStringList { QStringLiteral("Warning:Can't open /dev/no-such-dongle!\n"
                                                             "/dev/no-such-dongle does not exist: is the dongle plugged in?") });
    EXPECT_FALSE(dialog.ScanButton()->isEnabled());
    EXPECT_FALSE(m_link.IsLinkThreadRunning());
    EXPECT_TRUE(dialog.ScanTimer().isActive());
    EXPECT_EQ(dialog.ScanTimer().interval(), 10000);
    // An empty or blank box, or "0", asks for a port and opens nothing.
    for (const QString& strPort : { QString(), QStringLiteral("  "), QStringLiteral("0") }) {
        dialog.SetPortText(strPort);
        dialog.ScanButton()->setEnabled(true);
        QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
        EXPECT_EQ(m_prompt.Texts().size(), 1);
        EXPECT_EQ(dialog.StatusText(), QStringLiteral(" type the dongle's port, e.g. /dev/ttyACM0"));
        EXPECT_TRUE(dialog.ScanButton()->isEnabled());
    }
}

TEST_F(BleScan, ScanListsMetersAndConnectLinksToTheSelectedOne)
{
    CSimDongleOptions options;
    options.advertisers = CSimDongle::DefaultAdvertisers();
    CSimServer sim(options);
    QString strError;
    ASSERT_TRUE(sim.Open(&strError)) << qPrintable(strError);
    sim.StartThread();

    CBleScan dialog(&m_link);
    dialog.show();
    dialog.SetPortText(sim.PortPath());
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.DeviceList()->rowCount() >= 2; }, 5000));
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 2);
    EXPECT_EQ(dialog.DeviceList()->item(0, 0)->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.DeviceList()->item(1, 1)->text(), QStringLiteral("ORV-BT-2"));
    EXPECT_EQ(dialog.DeviceList()->item(1, 3)->text(), QStringLiteral("-71"));
    EXPECT_EQ(CPortSettings::ReadPortSetting(), sim.PortPath());

    QSignalSpy connected(&m_link, &CMeterLink::Connected);
    dialog.DeviceList()->selectRow(0);
    QTest::mouseClick(dialog.ConnectButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(CPortSettings::ReadMacSetting(), QStringLiteral("c8:fd:19:0a:bc:de"));
    EXPECT_TRUE(connected.wait(3000));
    m_link.Shutdown();
    sim.StopThread();
}
