// --demo in-process, and the program's command line.
#include "CAppTestHelpers.h"
#include "app/CDemoMeter.h"
#include "app/CDocManager.h"
#include "app/CRealTimeRecording.h"
#include "base/CProgramInfo.h"
#include "e2e/CSimProcess.h"
#include "protocol/CMeterProtocol.h"
#include "sim/CSimMeter.h"
#include "app/CLinkWatchdog.h"
#include "app/CMainFrame.h"
#include "document/CMyTalvaDoc.h"
#include "draw/CGraphColors.h"
#include "link/CPortSettings.h"
#include "panel/CLeftDlg.h"
#include "panel/CPanelPainter.h"
#include "scope/COscFile.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COscScreenPainter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using AppTest::CountColour;
using AppTest::CRun;
using AppTest::RunProgram;

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

TEST(Demo, TheTourNeverOpensADocumentByItself)
{
    // The built-in tour, frame by frame through the window's own dispatcher and cut into the
    // dongle's notifications of 20 bytes, for twenty rounds: every frequency frame is a plain
    // series-8 reading, nothing arms the statistics mode, and no document opens.
    CMainFrame frame;
    CSimMeterOptions options;
    options.strScenarioPath = CDemoMeter::ScenarioPath();
    CSimMeter meter(options);
    QString strError;
    ASSERT_TRUE(meter.Load(&strError)) << qPrintable(strError);
    meter.Start(0);
    int nDecoded = 0;
    int nFrequency = 0;
    int nStatistics = 0;
    QObject::connect(&frame.Protocol(), &CMeterProtocol::ReadingDecoded, &frame, [&](const CDecodedReading& d) {
        ++nDecoded;
        nFrequency += d.nLayout == 7 && d.bSeries8Frame ? 1 : 0;
        nStatistics += d.bSeries9 ? 1 : 0;
    });
    constexpr qint64 kRoundMs = 36000; // 177 frames at 5 a second
    for (qint64 nNow = 0; nNow < 20 * kRoundMs; nNow += 200) {
        for (const QByteArray& frameBytes : meter.Poll(nNow)) {
            for (qsizetype i = 0; i < frameBytes.size(); i += 20) {
                frame.Protocol().AppendMeterHex(frameBytes.mid(i, 20).toHex());
                frame.Protocol().OnMeterData();
                EXPECT_FALSE(frame.Protocol().IsSeries9Armed()) << "at " << nNow << " ms";
            }
        }
        QCoreApplication::processEvents();
    }
    EXPECT_GT(nDecoded, 19 * 154);
    EXPECT_GE(nFrequency, 19 * 22);
    EXPECT_EQ(nStatistics, 0);
    EXPECT_TRUE(frame.DocManager().Views().isEmpty());
    EXPECT_FALSE(frame.Recording().IsRecording());
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

TEST(CommandLine, FilesOpenByWhatTheyAreAndOthersAreRefused)
{
    QTemporaryDir dir;
    OscRecord record;
    record.m_unit = QStringLiteral("V");
    record.m_slot = 3;
    const QString strWave = dir.filePath(QStringLiteral("wave.osc"));
    ASSERT_TRUE(COscFile::SaveFile(strWave, record, nullptr));
    const QString strPng = dir.filePath(QStringLiteral("shot.png"));

    const CRun wave = RunProgram({QStringLiteral("--screenshot"), strPng, strWave});
    EXPECT_EQ(wave.nStatus, 0) << qPrintable(wave.strError);
    // A scope window, not a recording's graph.
    const QImage waveShot(strPng);
    ASSERT_FALSE(waveShot.isNull());
    EXPECT_GT(CountColour(waveShot, [](const QColor& c) { return c == COscScreenPainter::BackgroundColor(); }), 20000);
    EXPECT_LT(CountColour(waveShot, [](const QColor& c) { return c == CGraphColors().m_bkColor; }), 1000);

    QFile notes(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("shopping list");
    notes.close();
    const CRun other = RunProgram({QStringLiteral("--screenshot"), strPng, notes.fileName()});
    EXPECT_EQ(other.nStatus, 1);
    EXPECT_TRUE(other.strError.contains(QStringLiteral("\"%1\" is neither a recording (.mLog) nor a waveform (.osc)")
                                            .arg(notes.fileName())))
        << qPrintable(other.strError);

    // A FIFO would hold the window before it ever showed: refused at once.
    const QString strFifo = dir.filePath(QStringLiteral("pipe.mLog"));
    ASSERT_EQ(::mkfifo(strFifo.toLocal8Bit().constData(), 0600), 0);
    const CRun fifo = RunProgram({QStringLiteral("--screenshot"), strPng, strFifo}, 20000);
    EXPECT_EQ(fifo.nStatus, 1) << qPrintable(fifo.strError);
    EXPECT_TRUE(fifo.strError.contains(QStringLiteral("Cannot open \"%1\": it is not a regular file.").arg(strFifo)))
        << qPrintable(fifo.strError);

    // In the window: the waveform in a scope window of its own, the recording as a document.
    CMainFrame frame;
    ASSERT_TRUE(frame.OpenFile(strWave));
    const QList<QMdiSubWindow*> windows = frame.MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(qobject_cast<COSCDlg*>(windows.first()->widget()));
    const QString strRecording = dir.filePath(QStringLiteral("r.mLog"));
    ASSERT_TRUE(CMyTalvaDoc().SaveFile(strRecording, nullptr));
    ASSERT_TRUE(frame.OpenFile(strRecording));
    EXPECT_EQ(frame.DocManager().Views().size(), 1);
}

TEST(CommandLine, WithReconnectAutomaticallyOnTheProgramConnectsTheRememberedMeterAndLogsIt)
{
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20") });
    ASSERT_FALSE(sim.Port().isEmpty());
    // The settings of a user who connected once and ticked Reconnect Automatically.
    QTemporaryDir config;
    QTemporaryDir data;
    const QDir settings(QDir(config.path()).filePath(CProgramInfo::SettingsFolderName()));
    ASSERT_TRUE(settings.mkpath(QStringLiteral(".")));
    const auto write = [&](const QString& strName, const QByteArray& text) {
        QFile file(settings.filePath(strName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write(QStringLiteral("MultipleSetInfo.ini"), "[Q7R_PORT]\nCOMPORT=" + sim.Port().toUtf8() + "\nMAC=c8:fd:19:0a:bc:de\n");
    write(QStringLiteral("multimeter.ini"), "[Link]\nAutoReconnect=true\n");

    const QString strLog = data.filePath(QStringLiteral("multimeter.log"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(MULTIMETER_PATH), { QStringLiteral("--log"), strLog });
    const auto log = [&] {
        QFile file(strLog);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QString strConnected = QStringLiteral("multimeter.link: connected to c8:fd:19:0a:bc:de on ") + sim.Port();
    const bool bConnected = QTest::qWaitFor([&] { return log().contains(strConnected); }, 30000);
    program.terminate();
    program.waitForFinished(5000);
    ASSERT_TRUE(bConnected) << qPrintable(log()) << qPrintable(QString::fromLocal8Bit(program.readAllStandardError()));
    const QString strLogText = log();
    const QRegularExpression first(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} multimeter\\.app: %1 %2 started\\n")
                                       .arg(QRegularExpression::escape(CProgramInfo::Name()), CProgramInfo::Version()),
                                   QRegularExpression::MultilineOption);
    EXPECT_TRUE(first.match(strLogText).hasMatch()) << qPrintable(strLogText);
    EXPECT_TRUE(strLogText.contains(QStringLiteral("multimeter.link: opening ") + sim.Port()));
    EXPECT_TRUE(strLogText.contains(QStringLiteral("multimeter.link: reconnect: looking for c8:fd:19:0a:bc:de on ") + sim.Port()));
    // Nothing of it on stderr without logging rules.
    EXPECT_FALSE(QString::fromLocal8Bit(program.readAllStandardError()).contains(QStringLiteral("multimeter.link")));
}
