#include "sim/CSimServer.h"

#include <cstring>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

CSimServer::CSimServer(const CSimDongleOptions& options, const QString& strLinkPath)
    : m_dongle(options)
    , m_strLinkPath(strLinkPath)
{
}

CSimServer::~CSimServer()
{
    StopThread();
    for (int h : m_hStopPipe) {
        if (h >= 0)
            ::close(h);
    }
}

bool CSimServer::Open(QString* pstrError)
{
    if (!m_dongle.Load(pstrError))
        return false;
    if (::pipe2(m_hStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (pstrError)
            *pstrError = QStringLiteral("cannot create a pipe");
        return false;
    }
    if (!m_readingLog.fileName().isEmpty() && !m_readingLog.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        if (pstrError)
            *pstrError = QStringLiteral("cannot write %1: %2").arg(m_readingLog.fileName(), m_readingLog.errorString());
        return false;
    }
    return m_pty.Open(m_strLinkPath, pstrError);
}

void CSimServer::Stop()
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(m_hStopPipe[1], &c, 1);
}

void CSimServer::StartThread()
{
    m_thread = std::thread([this] { Run(); });
}

void CSimServer::StopThread()
{
    if (!m_thread.joinable())
        return;
    Stop();
    m_thread.join();
}

bool CSimServer::Flush()
{
    while (!m_pendingOut.isEmpty()) {
        const ssize_t n = ::write(m_pty.MasterFd(), m_pendingOut.constData(), size_t(m_pendingOut.size()));
        if (n > 0) {
            m_pendingOut.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN; // full for now; anything else is fatal
    }
    return true;
}

int CSimServer::Run()
{
    QElapsedTimer clock;
    clock.start();
    char buffer[512];
    for (;;) {
        const qint64 now = clock.elapsed();
        m_pendingOut += m_dongle.TakeDue(now);
        const QStringList sent = m_dongle.TakeReadingLog();
        if (!sent.isEmpty() && m_readingLog.isOpen()) {
            // Flushed at once: a test reads it while we serve.
            m_readingLog.write((sent.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
            m_readingLog.flush();
        }
        // A flood keeps the port full, but only a little ahead of it.
        const bool bFlooding = m_dongle.IsFlooding();
        if (bFlooding && m_pendingOut.size() < 64 * 1024)
            m_pendingOut += m_dongle.FloodBurst();
        if (!Flush()) {
            m_strError = QStringLiteral("writing to the pseudo-terminal failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (m_dongle.DisconnectAt() >= 0 && now >= m_dongle.DisconnectAt())
            break;
        qint64 nTimeout = m_dongle.MsUntilNext(now);
        if (!m_pendingOut.isEmpty() && (nTimeout < 0 || nTimeout > 20))
            nTimeout = 20;
        if (bFlooding && (nTimeout < 0 || nTimeout > 1))
            nTimeout = 1;
        pollfd fds[2] = { { m_hStopPipe[0], POLLIN, 0 }, { m_pty.MasterFd(), POLLIN, 0 } };
        if (::poll(fds, 2, int(nTimeout)) < 0 && errno != EINTR) {
            m_strError = QStringLiteral("waiting for the pseudo-terminal failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (fds[0].revents != 0)
            break;
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(m_pty.MasterFd(), buffer, sizeof buffer);
            if (n > 0)
                m_dongle.Feed(QByteArray(buffer, int(n)), clock.elapsed());
        }
    }
    m_pty.Close();
    return m_strError.isEmpty() ? 0 : 1;
}
