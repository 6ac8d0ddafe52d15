#include "app/CMyTalvaApp.h"

#include "app/CAutoRecovery.h"
#include "app/CDocManager.h"
#include "app/CDemoMeter.h"
#include "app/CMainFrame.h"
#include "app/CProgramIcon.h"
#include "base/CDiagnosticLog.h"
#include "base/CProgramInfo.h"
#include "base/LogCategories.h"
#include "link/CPrompt.h"
#include "panel/CLeftDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

#include <cstdio>

CMyTalvaApp::CMyTalvaApp(int& argc, char** argv)
    : m_pLog(std::make_unique<CDiagnosticLog>())
    , m_pApp(std::make_unique<QApplication>(argc, argv))
{
    // The settings folder is shared with multimeter-cli. No display name: the platform would
    // add it to a caption that names the program already.
    CProgramInfo::SetSettingsIdentity();
    QApplication::setApplicationVersion(CProgramInfo::Version());
    QApplication::setWindowIcon(CProgramIcon::Icon());
}

CMyTalvaApp::~CMyTalvaApp()
{
    // The window goes while the application that made it is still there.
    m_pFrame.reset();
    m_pDemo.reset();
    m_pApp.reset();
}

void CMyTalvaApp::Fail(const QString& strMessage, int nStatus)
{
    m_nExitStatus = nStatus;
    // With a screenshot to take the frame's messages go to stderr.
    if (m_pFrame)
        m_pFrame->Prompt().Message(strMessage, CProgramInfo::Name(), CPrompt::Critical);
    else
        std::fprintf(stderr, "multimeter: %s\n", qPrintable(strMessage));
}

bool CMyTalvaApp::InitInstance()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Desktop companion for the Bluetooth multimeter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demoOption(QStringLiteral("demo"),
                                        QStringLiteral("Start the built-in simulated meter and connect to it."));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the main window to <PNG> once it is ready (with --demo: once the first "
                       "reading is shown), then quit."),
        QStringLiteral("PNG"));
    const QCommandLineOption logOption(CDiagnosticLog::OptionName(), CDiagnosticLog::OptionHelp(), QStringLiteral("FILE"));
    const QCommandLineOption seriesOption(
        QStringLiteral("series"),
        QStringLiteral("Open <FILE.mLog> with its continuation files (FILE-2.mLog, FILE-3.mLog, ...) as one recording."),
        QStringLiteral("FILE.mLog"));
    parser.addOption(demoOption);
    parser.addOption(seriesOption);
    parser.addOption(screenshotOption);
    parser.addOption(logOption);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Recordings (.mLog) and waveforms (.osc) to open."),
                                 QStringLiteral("[FILE...]"));
    if (!parser.parse(QApplication::arguments())) {
        Fail(parser.errorText(), kBadUsage);
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    m_strScreenshot = parser.value(screenshotOption);
    if (parser.isSet(logOption)) {
        QString strError;
        if (!m_pLog->OpenFile(parser.value(logOption), &strError)) {
            Fail(strError, kFailed);
            return false;
        }
    }
    qCInfo(LogApp, "%s %s started", qUtf8Printable(CProgramInfo::Name()), qUtf8Printable(CProgramInfo::Version()));

    m_pFrame = std::make_unique<CMainFrame>();
    m_pFrame->SetUnattended(!m_strScreenshot.isEmpty());
    m_pFrame->showMaximized();
    // Nobody is there to answer while a screenshot is taken: the copies wait for the next start.
    if (m_strScreenshot.isEmpty())
        m_pFrame->Recovery().OfferRestore();
    bool bAllOpened = true;
    for (const QString& strFile : parser.positionalArguments())
        bAllOpened = m_pFrame->OpenFile(strFile) && bAllOpened;
    for (const QString& strFirst : parser.values(seriesOption))
        bAllOpened = m_pFrame->DocManager().OpenSeries(strFirst) && bAllOpened;
    if (!bAllOpened && !m_strScreenshot.isEmpty()) {
        m_nExitStatus = kFailed;
        return false;
    }
    if (parser.isSet(demoOption)) {
        m_pDemo = std::make_unique<CDemoMeter>();
        QString strError;
        if (!m_pDemo->Start(&strError)) {
            Fail(QStringLiteral("The simulated meter could not start: %1").arg(strError), kFailed);
            return false;
        }
        m_pFrame->AutoConnect(m_pDemo->PortPath());
    } else if (m_strScreenshot.isEmpty()) {
        m_pFrame->ConnectAtStartUp();
    }
    if (!m_strScreenshot.isEmpty())
        ScreenshotWhenReady();
    return true;
}

int CMyTalvaApp::Run()
{
    if (!InitInstance())
        return m_nExitStatus;
    const int nStatus = QApplication::exec();
    return m_nExitStatus != 0 ? m_nExitStatus : nStatus;
}

void CMyTalvaApp::ScreenshotWhenReady()
{
    CMainFrame* pFrame = m_pFrame.get();
    const auto takeSoon = [this, pFrame] { QTimer::singleShot(0, pFrame, [this] { SaveScreenshot(); }); };
    if (!m_pDemo) {
        // Start-up is done once timer 1 has put the panel in its resting state.
        QObject::connect(&pFrame->BlankPanelTimer(), &QTimer::timeout, pFrame, takeSoon, Qt::SingleShotConnection);
        return;
    }
    QObject::connect(pFrame->LeftDlg(), &CLeftDlg::ReadingShown, pFrame, takeSoon, Qt::SingleShotConnection);
    QTimer::singleShot(kFirstReadingTimeoutMs, pFrame, [this, pFrame] {
        if (m_bScreenshotTaken)
            return;
        Fail(QStringLiteral("no reading arrived from the simulated meter within %1 s").arg(kFirstReadingTimeoutMs / 1000),
             kFailed);
        pFrame->close();
        QApplication::exit(m_nExitStatus);
    });
}

void CMyTalvaApp::SaveScreenshot()
{
    if (m_bScreenshotTaken)
        return;
    m_bScreenshotTaken = true;
    const QImage shot = m_pFrame->grab().toImage();
    if (!shot.save(m_strScreenshot, "PNG"))
        Fail(QStringLiteral("cannot write the picture \"%1\"").arg(QDir::toNativeSeparators(m_strScreenshot)), kFailed);
    m_pFrame->close();
    QApplication::exit(m_nExitStatus);
}
