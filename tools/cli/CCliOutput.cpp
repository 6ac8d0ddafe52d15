#include "CCliOutput.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {
std::mutex g_stdoutMutex; //!< keeps lines written from the link thread whole; guards g_onFailure
std::atomic<int> g_nFailure { 0 };
std::function<void()> g_onFailure; //!< guarded by g_stdoutMutex

void WriteStderr(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}
}

namespace CliOutput {

QString ExitStatusHelp()
{
    return QStringLiteral(
        "Exit status:\n"
        "  0    done\n"
        "  1    failed: a file could not be read or written, or writing to stdout failed, or the MQTT\n"
        "       broker refused the credentials or did not get every reading\n"
        "  2    the port cannot be opened (missing, busy or no permission)\n"
        "  3    the link to the meter was lost\n"
        "  4    no meter found (or not the one given with --mac)\n"
        "  5    the link did not come up\n"
        "  64   bad usage (unknown verb or option, bad value)\n"
        "  141  the reader of stdout went away (nothing is printed)\n");
}

void Error(const QString& strText)
{
    WriteStderr(QStringLiteral("%1: error: %2\n").arg(QLatin1String(kProgram), strText).toUtf8());
}

void Note(const QString& strText)
{
    WriteStderr(QStringLiteral("%1: note: %2\n").arg(QLatin1String(kProgram), strText).toUtf8());
}

int UsageError(const QString& strVerb, const QString& strText)
{
    Error(strText);
    const QString strHelp = strVerb.isEmpty() ? QStringLiteral("--help") : strVerb + QStringLiteral(" --help");
    WriteStderr(QStringLiteral("Try '%1 %2'.\n").arg(QLatin1String(kProgram), strHelp).toUtf8());
    return CliStatus::kUsage;
}

bool Write(const QByteArray& data)
{
    std::unique_lock lock(g_stdoutMutex);
    if (g_nFailure != 0)
        return false;
    const char* p = data.constData();
    qsizetype nLeft = data.size();
    while (nLeft > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p, size_t(nLeft));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int nError = n < 0 ? errno : EIO;
            if (nError == EPIPE) {
                g_nFailure = CliStatus::kPipeClosed;
            } else {
                g_nFailure = CliStatus::kFailed;
                Error(QStringLiteral("cannot write to stdout: %1").arg(QString::fromLocal8Bit(std::strerror(nError))));
            }
            const std::function<void()> onFailure = g_onFailure;
            lock.unlock();
            if (onFailure)
                onFailure();
            return false;
        }
        p += n;
        nLeft -= n;
    }
    return true;
}

bool WriteLine(const QString& strLine)
{
    QByteArray utf8 = strLine.toUtf8();
    utf8.append('\n');
    return Write(utf8);
}

int FailureStatus()
{
    return g_nFailure;
}

void SetFailureHandler(std::function<void()> onFailure)
{
    std::lock_guard lock(g_stdoutMutex);
    g_onFailure = std::move(onFailure);
}

int Combine(int nStatus)
{
    return nStatus != 0 ? nStatus : FailureStatus();
}

}
