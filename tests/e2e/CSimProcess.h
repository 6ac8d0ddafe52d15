#pragma once

#include <QProcess>
#include <QStringList>

// meter-sim running on its own pseudo-terminal for one test.
class CSimProcess
{
public:
    explicit CSimProcess(const QStringList& args = {})
    {
        m_process.start(QStringLiteral(METER_SIM_PATH), args);
        if (m_process.waitForReadyRead(5000))
            m_strPort = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~CSimProcess() { Stop(); }
    // Ends the simulator now: its side of the pseudo-terminal goes away as if unplugged.
    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
    QString Port() const { return m_strPort; }

private:
    QProcess m_process;
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
    QProcess cli;
    cli.start(QStringLiteral(METER_CLI_PATH), args);
    CCliResult r;
    if (!cli.waitForFinished(nTimeoutMs)) {
        cli.kill();
        cli.waitForFinished(1000);
        r.strError = QStringLiteral("timed out");
        return r;
    }
    r.nStatus = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -2;
    r.lines = QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.strError = QString::fromUtf8(cli.readAllStandardError());
    return r;
}
