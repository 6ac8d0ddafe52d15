// --demo in-process, and the program's command line.
#include "app/CDemoMeter.h"
#include "app/CLinkWatchdog.h"
#include "app/CMainFrame.h"
#include "document/CMyTalvaDoc.h"
#include "draw/CGraphColors.h"
#include "link/CPortSettings.h"
#include "panel/CLeftDlg.h"
#include "panel/CPanelPainter.h"

#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct CRun
{
    int nStatus = -1;
    QString strError;
};

CRun RunProgram(const QStringList& args)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(MULTIMETER_PATH), args);
    CRun run;
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished(2000);
        run.strError = QStringLiteral("timed out");
        return run;
    }
    run.nStatus = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    run.strError = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

int CountColour(const QImage& image, const std::function<bool(const QColor&)>& test)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

} // namespace

TEST(Demo, BuiltInMeterStreamsReadingsToThePanel)
{
    // The user's remembered port and meter survive the demo's temporary ones.
    CPortSettings::WritePortSetting(QStringLiteral("/dev/ttyUSB7"));
    CPortSettings::WriteMacSetting(QStringLiteral("c8:fd:19:00:00:01"));
    CDemoMeter demo;
    QString strError;
    ASSERT_TRUE(demo.Start(&strError)) << qPrintable(strError);
    CMainFrame frame;
    frame.show();
    QSignalSpy shown(frame.LeftDlg(), &CLeftDlg::ReadingShown);
    frame.AutoConnect(demo.PortPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= 2; }, 15000));
    EXPECT_EQ(shown.first().first().toInt(), 1); // the demo opens with layout 1
    EXPECT_EQ(frame.LeftDlg()->State().m_reading.m_strUnit, QStringLiteral("VDC"));
    EXPECT_EQ(frame.LeftDlg()->DisplayMode(), 6);
    EXPECT_TRUE(frame.Watchdog().IsActive());
    EXPECT_EQ(CPortSettings::ReadPortSetting(), QStringLiteral("/dev/ttyUSB7"));
    EXPECT_EQ(CPortSettings::ReadMacSetting(), QStringLiteral("c8:fd:19:00:00:01"));

    // Closing while readings flow stops the link thread and closes the port.
    frame.close();
    EXPECT_FALSE(frame.Link().IsLinkThreadRunning());
    EXPECT_FALSE(frame.Link().IsPortOpen());
    QCoreApplication::processEvents(); // readings queued before the close
    const int nShown = shown.count();
    QTest::qWait(700);                 // three frame periods of the demo meter
    EXPECT_EQ(shown.count(), nShown);
}

TEST(CommandLine, RejectsWhatItDoesNotKnow)
{
    const CRun bogus = RunProgram({QStringLiteral("--bogus")});
    EXPECT_EQ(bogus.nStatus, 64);
    EXPECT_TRUE(bogus.strError.contains(QStringLiteral("bogus"))) << qPrintable(bogus.strError);

    const CRun missing = RunProgram({QStringLiteral("--screenshot")});
    EXPECT_EQ(missing.nStatus, 64);
}

TEST(CommandLine, ScreenshotAfterStartUpShowsTheWaitingPanel)
{
    QTemporaryDir dir;
    const QString strPng = dir.filePath(QStringLiteral("start.png"));
    const CRun run = RunProgram({QStringLiteral("--screenshot"), strPng});
    ASSERT_EQ(run.nStatus, 0) << qPrintable(run.strError);
    QImage shot(strPng);
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(shot.width(), 600);
    EXPECT_GT(CountColour(shot, [](const QColor& c) { return c == CPanelPainter::DisplayColor(); }), 10000);
    // "NO RECV" in the display: timer 1 has run before the picture.
    QRect display;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) == CPanelPainter::DisplayColor())
                display |= QRect(x, y, 1, 1);
    EXPECT_GT(CountColour(shot.copy(display), [](const QColor& c) { return c.red() > 150 && c.green() < 90 && c.blue() < 90; }),
              100);

    const CRun bad = RunProgram({QStringLiteral("--screenshot"), dir.filePath(QStringLiteral("no/such/dir/x.png"))});
    EXPECT_EQ(bad.nStatus, 1);
    EXPECT_TRUE(bad.strError.contains(QStringLiteral("cannot write the picture"))) << qPrintable(bad.strError);
}

TEST(CommandLine, FilesNamedOpenAsDocuments)
{
    QTemporaryDir dir;
    const QString strFile = dir.filePath(QStringLiteral("named.mLog"));
    {
        CMyTalvaDoc doc;
        for (int i = 0; i < 30; ++i)
            doc.AddReading(0, QStringLiteral("V"), i, QStringLiteral("t"), QStringLiteral("VDC"), i % 5, 0.0, 10.0f,
                           float(i % 5));
        ASSERT_TRUE(doc.SaveFile(strFile, nullptr));
    }
    const QString strPng = dir.filePath(QStringLiteral("named.png"));
    const CRun run = RunProgram({QStringLiteral("--screenshot"), strPng, strFile});
    ASSERT_EQ(run.nStatus, 0) << qPrintable(run.strError);
    QImage shot(strPng);
    ASSERT_FALSE(shot.isNull());
    // The document's graph fills the client area.
    EXPECT_GT(CountColour(shot, [](const QColor& c) { return c == CGraphColors().m_bkColor; }), 50000);

    // A file that does not load says so, and the run fails.
    const CRun bad = RunProgram({QStringLiteral("--screenshot"), strPng, dir.filePath(QStringLiteral("missing.mLog"))});
    EXPECT_EQ(bad.nStatus, 1);
    EXPECT_TRUE(bad.strError.contains(QStringLiteral("Cannot open"))) << qPrintable(bad.strError);
}
