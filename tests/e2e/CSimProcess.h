#pragma once

#include "CProgramRun.h"
#include "CTestProcess.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// meter-sim running on its own pseudo-terminal for one test.
//
// Started with posix_spawn, not QProcess: QProcess forks with a shared address space,
// and its child then runs ThreadSanitizer's hooks on the state of the parent's thread,
// which makes the TSan job report races in the link that are not there.
class CSimProcess
{
public:
    explicit CSimProcess(const QStringList& args = {})
    {
        int hPipe[2];
        if (::pipe2(hPipe, O_CLOEXEC) != 0)
            return;
        const bool bStarted = m_process.StartWithStdout(QStringLiteral(METER_SIM_PATH), args, hPipe[1]);
        ::close(hPipe[1]);
        m_hStdout = hPipe[0];
        if (bStarted)
            m_strPort = ReadLine(5000);
    }
    ~CSimProcess()
    {
        Stop();
        if (m_hStdout >= 0)
            ::close(m_hStdout);
    }
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;

    // Ends the simulator now: its side of the pseudo-terminal goes away as if unplugged.
    void Stop() { m_process.Stop(); }
    QString Port() const { return m_strPort; }

private:
    // The first line the simulator prints (its port), or nothing after nTimeoutMs.
    QString ReadLine(int nTimeoutMs)
    {
        const QDeadlineTimer deadline(nTimeoutMs);
        QByteArray line;
        char c = 0;
        pollfd wait { m_hStdout, POLLIN, 0 };
        while (::poll(&wait, 1, int(deadline.remainingTime())) > 0 && ::read(m_hStdout, &c, 1) == 1 && c != '\n')
            line += c;
        return c == '\n' ? QString::fromLocal8Bit(line).trimmed() : QString();
    }

    CTestProcess m_process;
    int m_hStdout = -1;
    QString m_strPort;
};

struct CCliResult
{
    int nStatus = -1;
    QStringList lines;  //!< stdout, one entry per line
    QString strError;   //!< stderr
};

// Runs multimeter-cli to the end (bounded).
inline CCliResult RunCli(const QStringList& args, int nTimeoutMs = 30000)
{
    const CRun run = RunToEnd(QStringLiteral(METER_CLI_PATH), args, nTimeoutMs);
    return { run.nStatus, QString::fromUtf8(run.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts), run.strError };
}
