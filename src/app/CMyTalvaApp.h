#pragma once

#include <QString>

#include <memory>

class CDemoMeter;
class CDiagnosticLog;
class CMainFrame;
class QApplication;

// The application: the Qt application object, the command line, the main
// frame and, with --demo, the built-in meter.
//
//   multimeter [--demo] [--screenshot PNG] [--log FILE] [FILE.mLog | FILE.osc ...]
//
// The files named open by what they are: recordings as documents, waveforms in
// scope windows. After a crash the copies of the unsaved recordings are offered
// for restoring. With Reconnect Automatically on, the remembered meter is
// connected. --screenshot saves a picture of the main window once start-up is
// done (with --demo: once the first reading is on the panel) and ends the
// program. --log also writes the diagnostic log to FILE.
class CMyTalvaApp
{
public:
    // Exit statuses besides 0.
    static constexpr int kFailed = 1;
    static constexpr int kBadUsage = 64;
    // How long --demo --screenshot waits for the first reading.
    static constexpr int kFirstReadingTimeoutMs = 30000;

    CMyTalvaApp(int& argc, char** argv);
    ~CMyTalvaApp();

    // Start-up: false when the program must end at once with ExitStatus().
    bool InitInstance();
    // InitInstance, then the event loop; the program's exit status.
    int Run();
    int ExitStatus() const { return m_nExitStatus; }
    CMainFrame* MainFrame() const { return m_pFrame.get(); }

private:
    void ScreenshotWhenReady();
    void SaveScreenshot();
    void Fail(const QString& strMessage, int nStatus);

    std::unique_ptr<CDiagnosticLog> m_pLog; // first in, last out: everything may log
    std::unique_ptr<QApplication> m_pApp;
    std::unique_ptr<CDemoMeter> m_pDemo;   // outlives the frame: the frame's link talks to it
    std::unique_ptr<CMainFrame> m_pFrame;
    QString m_strScreenshot;
    bool m_bScreenshotTaken = false;
    int m_nExitStatus = 0;
};
