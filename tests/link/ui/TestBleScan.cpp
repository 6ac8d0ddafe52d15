#include "link/ui/CBleScan.h"
#include "link/CMeterLink.h"
#include "link/CPortList.h"
#include "link/CPortSettings.h"

#include "CPromptRecorder.h"
#include "CSimThread.h"

#include <QComboBox>
#include <QDir>
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

TEST_F(BleScan, APortThatDoesNotOpenSaysWhyAndTheRightPortScansAtOnce)
{
    CSimThread sim;
    ASSERT_TRUE(sim.bOpen);

    CBleScan dialog(&m_link);
    dialog.show();
    dialog.SetPortText(QStringLiteral("/dev/no-such-dongle"));
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    // The warning, then why; the dialog says it too, and nothing scans.
    const QString strWhy = QStringLiteral("Warning:Can't open /dev/no-such-dongle!\n"
                                          "/dev/no-such-dongle does not exist: is the dongle plugged in?");
    EXPECT_EQ(m_prompt.Texts(), QStringList { strWhy });
    EXPECT_EQ(dialog.StatusText(), QString(strWhy).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    EXPECT_FALSE(dialog.IsScanning());
    EXPECT_FALSE(m_link.IsLinkThreadRunning());
    // So "Scan" can be pressed again at once, with the right port, and finds the meters.
    EXPECT_TRUE(dialog.ScanButton()->isEnabled());
    EXPECT_FALSE(dialog.ScanTimer().isActive());
    dialog.SetPortText(sim.Port());
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.IsScanning());
    EXPECT_FALSE(dialog.ScanButton()->isEnabled());
    EXPECT_EQ(dialog.ScanTimer().interval(), 10000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning(); }, 5000));
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 2);
    EXPECT_EQ(dialog.StatusText(), CBleScan::FoundText(2) + QStringLiteral(": pick one and press Connect"));
    EXPECT_TRUE(dialog.ScanButton()->isEnabled());

    // An empty or blank box, or "0", asks for a port and opens nothing.
    for (const QString& strPort : { QString(), QStringLiteral("  "), QStringLiteral("0") }) {
        dialog.SetPortText(strPort);
        QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
        EXPECT_EQ(m_prompt.Texts().size(), 1);
        EXPECT_EQ(dialog.StatusText(), QStringLiteral(" type the dongle's port, e.g. /dev/ttyACM0"));
        EXPECT_TRUE(dialog.ScanButton()->isEnabled());
    }
    m_link.Shutdown();
}

TEST_F(BleScan, SaysScanningThenNoMeterFoundWithAHint)
{
    // Only things that are no meter advertise.
    QList<CSimAdvertiser> others;
    for (const CSimAdvertiser& adv : CSimDongle::DefaultAdvertisers()) {
        if (!adv.strName.startsWith(QLatin1String("ORV")) || adv.kind != CSimAdvertiser::kMeter)
            others << adv;
    }
    ASSERT_FALSE(others.isEmpty());
    CSimThread sim(0, 1, others);
    ASSERT_TRUE(sim.bOpen);

    CBleScan dialog(&m_link);
    dialog.show();
    dialog.SetPortText(sim.Port());
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.StatusText(), CBleScan::ScanningText());
    const QByteArray dir = qgetenv("MULTIMETER_SCREENSHOT_DIR");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning(); }, 5000));
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 0);
    EXPECT_EQ(dialog.StatusText(), CBleScan::NoMeterText());
    EXPECT_TRUE(dialog.StatusText().startsWith(QStringLiteral("No meter found")));
    EXPECT_TRUE(dialog.ScanButton()->isEnabled());
    if (!dir.isEmpty()) {
        QCoreApplication::processEvents(); // the layout follows the new text
        dialog.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("scan-no-meter.png")));
    }
    m_link.Shutdown();
}

TEST_F(BleScan, EachScanStartsWithAnEmptyListAndListsEachMeterOnce)
{
    CSimThread sim;
    ASSERT_TRUE(sim.bOpen);

    CBleScan dialog(&m_link);
    dialog.resize(420, 320);
    dialog.show();
    dialog.SetPortText(sim.Port());
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    // While it scans, it says so and how many it has found.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.DeviceList()->rowCount() >= 1; }, 5000));
    if (dialog.IsScanning()) {
        EXPECT_EQ(dialog.StatusText(), CBleScan::ScanningText() + QLatin1Char(' ') + CBleScan::FoundText(dialog.DeviceList()->rowCount()));
        const QByteArray dir = qgetenv("MULTIMETER_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QCoreApplication::processEvents();
            dialog.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("scan-scanning.png")));
        }
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning(); }, 5000));
    ASSERT_EQ(dialog.DeviceList()->rowCount(), 2);
    // A meter that advertises again keeps its row, with its latest strength.
    emit m_link.DeviceFound(QStringLiteral("ORVEX-M1"), QStringLiteral("C8:FD:19:0A:BC:DE"), -40);
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 2);
    EXPECT_EQ(dialog.DeviceList()->item(0, 3)->text(), QStringLiteral("-40"));

    // The next scan forgets the last one's meters at once.
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton); // still disabled: nothing happens
    dialog.ScanButton()->setEnabled(true);
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 0);
    EXPECT_EQ(dialog.StatusText(), CBleScan::ScanningText());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning(); }, 5000));
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 2);

    // Closed and opened again (after a lost link, say): the old list is not shown as if current.
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 0);
    EXPECT_TRUE(dialog.StatusText().isEmpty());
    m_link.Shutdown();
}

TEST_F(BleScan, ScanListsMetersAndConnectLinksToTheSelectedOne)
{
    CSimThread sim;
    ASSERT_TRUE(sim.bOpen);

    CBleScan dialog(&m_link);
    dialog.show();
    dialog.SetPortText(sim.Port());
    QTest::mouseClick(dialog.ScanButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.DeviceList()->rowCount() >= 2; }, 5000));
    EXPECT_EQ(dialog.DeviceList()->rowCount(), 2);
    EXPECT_EQ(dialog.DeviceList()->item(0, 0)->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.DeviceList()->item(1, 1)->text(), QStringLiteral("ORV-BT-2"));
    EXPECT_EQ(dialog.DeviceList()->item(1, 3)->text(), QStringLiteral("-71"));
    EXPECT_EQ(CPortSettings::ReadPortSetting(), sim.Port());

    QSignalSpy connected(&m_link, &CMeterLink::Connected);
    dialog.DeviceList()->selectRow(0);
    QTest::mouseClick(dialog.ConnectButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(CPortSettings::ReadMacSetting(), QStringLiteral("c8:fd:19:0a:bc:de"));
    EXPECT_TRUE(connected.wait(3000));
    m_link.Shutdown();
}
