// The program under a virtual X server (run through xvfb-run): real windows,
// the built-in meter, and --demo --screenshot as a user would run it.
#include "app/CDemoMeter.h"
#include "app/CMainFrame.h"
#include "panel/CLeftDlg.h"
#include "panel/CPanelPainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The panel's display area in the widget's pixels.
QRect DisplayIn(const QWidget& panel)
{
    const double dScale = qMin(panel.width() / CPanelPainter::kWidth, panel.height() / CPanelPainter::kHeight);
    const QPointF origin((panel.width() - CPanelPainter::kWidth * dScale) / 2, 0);
    const QRectF area = CPanelPainter::DisplayArea();
    return QRectF(origin + area.topLeft() * dScale, area.size() * dScale).toAlignedRect();
}

QRect Changed(const QImage& a, const QImage& b)
{
    QRect changed;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    return changed;
}

} // namespace

TEST(UnderX, DemoChangesTheDisplayAreaBetweenTwoReadings)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    CDemoMeter demo;
    QString strError;
    ASSERT_TRUE(demo.Start(&strError)) << qPrintable(strError);
    CMainFrame frame;
    frame.showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    CLeftDlg* pPanel = frame.LeftDlg();
    QSignalSpy shown(pPanel, &CLeftDlg::ReadingShown);
    frame.AutoConnect(demo.PortPath());

    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= 1; }, 15000));
    QCoreApplication::processEvents();
    const QImage first = pPanel->grab().toImage();
    const int nFirst = shown.count();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > nFirst; }, 5000));
    QCoreApplication::processEvents();
    const QImage second = pPanel->grab().toImage();

    const QRect changed = Changed(first, second);
    ASSERT_FALSE(changed.isEmpty());
    const double dRatio = first.devicePixelRatio();
    const QRect display = DisplayIn(*pPanel);
    const QRect displayPixels(display.topLeft() * dRatio, display.size() * dRatio);
    EXPECT_TRUE(displayPixels.adjusted(-1, -1, 1, 1).contains(changed))
        << "changed " << changed.x() << "," << changed.y() << " " << changed.width() << "x" << changed.height();
    frame.close();
}

TEST(UnderX, DemoScreenshotShowsTheLivePanel)
{
    QTemporaryDir dir;
    const QString strPng = dir.filePath(QStringLiteral("demo.png"));
    QProcess program;
    program.start(QStringLiteral(MULTIMETER_PATH), {QStringLiteral("--demo"), QStringLiteral("--screenshot"), strPng});
    ASSERT_TRUE(program.waitForFinished(60000));
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(program.exitCode(), 0) << program.readAllStandardError().constData();

    QImage shot(strPng);
    ASSERT_FALSE(shot.isNull());
    int nDisplay = 0, nRed = 0, nInk = 0;
    QRect display;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c == CPanelPainter::DisplayColor()) {
                ++nDisplay;
                display |= QRect(x, y, 1, 1);
            }
        }
    }
    // In the display area only: the graph tool bar's icons have red in them.
    for (int y = display.top(); y <= display.bottom(); ++y) {
        for (int x = display.left(); x <= display.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            nInk += c.value() < 60;
            nRed += c.red() > 150 && c.green() < 90 && c.blue() < 90;
        }
    }
    EXPECT_GT(nDisplay, 20000);
    EXPECT_EQ(nRed, 0);     // not "NO RECV": a reading is shown
    EXPECT_GT(nInk, 500);   // digits, clock, indicators
}
