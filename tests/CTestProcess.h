#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

// A helper program started by a test with posix_spawn (not QProcess: its shared-memory fork
// confuses ThreadSanitizer in a process whose other threads run). Its output goes to
// strLogFile (appended), or nowhere; its errors there too, or to strErrorFile.
class CTestProcess
{
public:
    CTestProcess() = default;
    CTestProcess(const CTestProcess&) = delete;
    CTestProcess& operator=(const CTestProcess&) = delete;
    ~CTestProcess() { Stop(); }

    bool Start(const QString& strProgram, const QStringList& args, const QString& strLogFile = QString(),
               const QString& strErrorFile = QString())
    {
        const QByteArray log = strLogFile.isEmpty() ? QByteArrayLiteral("/dev/null") : strLogFile.toLocal8Bit();
        const QByteArray errors = strErrorFile.toLocal8Bit();
        return Spawn(strProgram, args, [&](posix_spawn_file_actions_t& actions) {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (strErrorFile.isEmpty())
                posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
            else
                posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        });
    }

    // Started with its stdout on hStdout (the write end of a pipe, say); stderr stays the test's.
    bool StartWithStdout(const QString& strProgram, const QStringList& args, int hStdout)
    {
        return Spawn(strProgram, args, [&](posix_spawn_file_actions_t& actions) {
            posix_spawn_file_actions_adddup2(&actions, hStdout, STDOUT_FILENO);
        });
    }

    // Runs a program to its end (at most nTimeoutMs); its exit status, or -1.
    static int Run(const QString& strProgram, const QStringList& args, const QString& strLogFile = QString(), int nTimeoutMs = 30000)
    {
        CTestProcess process;
        if (!process.Start(strProgram, args, strLogFile))
            return -1;
        return process.Wait(nTimeoutMs);
    }

    // Waits for the end; the exit status, or -1 (killed after nTimeoutMs, or by a signal).
    int Wait(int nTimeoutMs)
    {
        if (m_pid <= 0)
            return -1;
        const QDeadlineTimer deadline(nTimeoutMs);
        int nStatus = 0;
        while (::waitpid(m_pid, &nStatus, WNOHANG) == 0) {
            if (deadline.hasExpired()) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &nStatus, 0);
                m_pid = -1;
                return -1;
            }
            QThread::msleep(5);
        }
        m_pid = -1;
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }

    // SIGTERM (or nSignal) and the wait for the end.
    void Stop(int nSignal = SIGTERM)
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, nSignal);
        Wait(5000);
    }
    bool IsRunning() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

private:
    template<typename Redirect>
    bool Spawn(const QString& strProgram, const QStringList& args, Redirect redirect)
    {
        Stop();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        redirect(actions);
        QByteArrayList argStore { strProgram.toLocal8Bit() };
        for (const QString& strArg : args)
            argStore << strArg.toLocal8Bit();
        std::vector<char*> argv;
        for (QByteArray& arg : argStore)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return m_pid > 0;
    }

    pid_t m_pid = -1;
};
