// The program under a virtual X server (run through xvfb-run): real windows,
// the built-in meter, and --demo --screenshot as a user would run it.
#include "CImageCheck.h"
#include "app/CDemoMeter.h"
#include "app/CMainFrame.h"
#include "document/CMyTalvaDoc.h"
#include "panel/CLeftDlg.h"
#include "panel/CPanelPainter.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COSCGraph.h"
#include "scope/ui/COSCList.h"
#include "scope/ui/COscScreenPainter.h"
#include "scope/ui/COscWindows.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
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

TEST(UnderX, TheCaptionNamesTheProgramOnce)
{
    const QString strXwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    if (strXwininfo.isEmpty())
        GTEST_SKIP() << "xwininfo (x11-utils, which scripts/setup.sh installs) is needed to read the caption";
    // A recording opened maximised: the caption names the program and the document.
    QTemporaryDir dir;
    const QString strFile = dir.filePath(QStringLiteral("bench.mLog"));
    CMyTalvaDoc doc;
    doc.AddReading(0, QStringLiteral("V"), 0, QStringLiteral("t0"), QStringLiteral("VDC"), 1.25, 0.0, 10.0f, 1.25f);
    QString strError;
    ASSERT_TRUE(doc.SaveFile(strFile, &strError)) << qPrintable(strError);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(MULTIMETER_PATH), { strFile });
    const QString strProgram = CMainFrame().windowTitle();
    QString strCaption;
    const bool bFound = QTest::qWaitFor([&] {
        QProcess tree;
        tree.start(strXwininfo, { QStringLiteral("-root"), QStringLiteral("-tree") });
        tree.waitForFinished(5000);
        for (const QString& strLine : QString::fromUtf8(tree.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            if (strLine.contains(QStringLiteral("[bench.mLog]"))) {
                strCaption = strLine.section(QLatin1Char('"'), 1, 1);
                return true;
            }
        }
        return false;
    }, 30000);
    program.terminate();
    program.waitForFinished(5000);
    ASSERT_TRUE(bFound) << "no window showed the recording";
    EXPECT_EQ(strCaption.count(strProgram), 1) << qPrintable(strCaption);
    EXPECT_TRUE(strCaption.startsWith(strProgram)) << qPrintable(strCaption);
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

TEST(UnderX, DemoShowsTheScopeWindowWhenTheMeterEntersItsOscilloscope)
{
    CDemoMeter demo;
    QString strError;
    ASSERT_TRUE(demo.Start(&strError)) << qPrintable(strError);
    CMainFrame frame;
    frame.resize(1280, 960); // the size of the picture in docs/ (no window manager maximises here)
    frame.showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.AutoConnect(demo.PortPath());

    // The tour ends with the oscilloscope, after about 30 s of readings at five frames a second.
    COscWindows& osc = frame.Oscilloscope();
    ASSERT_TRUE(QTest::qWaitFor([&] { return osc.ScopeWindow() && osc.ScopeWindow()->isVisible(); }, 120000));
    EXPECT_TRUE(osc.List()->isVisible());
    EXPECT_EQ(frame.LeftDlg()->Layout(), CLeftDlg::kOscilloscopeLayout);
    // Its stored waveforms reach the list, then live screens come again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return osc.List()->Picture(4) == 284; }, 20000));
    EXPECT_EQ(osc.List()->Picture(2), 252);
    const QString strInfo = osc.ScopeWindow()->Info();
    ASSERT_TRUE(QTest::qWaitFor([&] { return osc.ScopeWindow() && osc.ScopeWindow()->Info() != strInfo; }, 10000));
    QCoreApplication::processEvents();

    const QImage shot = frame.grab().toImage();
    ImageCheck::SaveShot(shot, "demo-scope.png");
    const COSCGraph* pGraph = osc.ScopeWindow()->Graph();
    const double dRatio = shot.devicePixelRatio();
    const QRect rcGraph(pGraph->mapTo(&frame, QPoint(0, 0)) * dRatio, pGraph->size() * dRatio);
    EXPECT_GT(ImageCheck::CountColor(shot, rcGraph, COscScreenPainter::TraceColor().rgb()), 300);
    EXPECT_GT(ImageCheck::CountColor(shot, rcGraph, COscScreenPainter::BackgroundColor().rgb()), 10000);

    // Back to readings: the scope window closes and the list makes way for them.
    ASSERT_TRUE(QTest::qWaitFor([&] { return osc.ScopeWindow() == nullptr; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LeftDlg()->Layout() == 1; }, 10000));
    EXPECT_FALSE(osc.List()->isVisible());
    frame.close();
}
