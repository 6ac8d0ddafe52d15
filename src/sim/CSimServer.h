#pragma once

#include "sim/CSimDongle.h"
#include "sim/CSimPty.h"

#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <thread>

// Serves the simulated dongle on a pseudo-terminal: moves bytes between the
// master side and the dongle logic, sleeping in poll() until something is due.
class CSimServer
{
public:
    explicit CSimServer(const CSimDongleOptions& options, const QString& strLinkPath = QString());
    ~CSimServer();

    // Writes a line for each reading sent to this file (the meter's bLogReadings); before Open.
    void SetReadingLog(const QString& strPath) { m_readingLog.setFileName(strPath); }
    // Creates the pseudo-terminal and checks the meter's scenario.
    bool Open(QString* pstrError);
    // The path the program opens.
    QString PortPath() const { return m_pty.PortPath(); }

    // Serves until Stop() or the configured disconnect (0), or until the
    // pseudo-terminal fails (1, LastError says why).
    int Run();
    QString LastError() const { return m_strError; }
    // Safe from any thread or a signal handler.
    void Stop();

    // Runs the server on its own thread (the GUI's built-in meter).
    void StartThread();
    void StopThread();

private:
    bool Flush();

    CSimDongle m_dongle;
    CSimPty m_pty;
    QString m_strLinkPath;
    QFile m_readingLog;       //!< open while serving when a path was set
    QByteArray m_pendingOut;  //!< bytes the pseudo-terminal could not take yet
    QString m_strError;       //!< the serving thread's fatal error, read after it ended
    int m_hStopPipe[2] = { -1, -1 };
    std::thread m_thread;
};
