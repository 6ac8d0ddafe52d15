#include "link/CReadComThread.h"

#include "link/CComReceiver.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <unistd.h>

CReadComThread::CReadComThread(CComReceiver* pReceiver, const std::atomic<int>& nReadSize)
    : m_pReceiver(pReceiver)
    , m_nReadSize(nReadSize)
{
}

CReadComThread::~CReadComThread()
{
    Join();
}

void CReadComThread::Start(int fd, int hStop)
{
    m_fd = fd;
    m_hStop = hStop;
    m_thread = std::thread([this] {
        m_readerId.store(std::this_thread::get_id());
        Run();
    });
}

void CReadComThread::Join()
{
    // Waiting for ourselves would never end, and detaching would leave a thread
    // running on a port that is being torn down. Asked before m_thread is read: the
    // reader may run before its starter has finished assigning it.
    if (IsReaderThread())
        qFatal("CReadComThread::Join called on the reader thread: a receiver must post the close");
    if (!m_thread.joinable())
        return;
    m_thread.join();
    m_readerId.store(std::thread::id());
}

void CReadComThread::Deliver(int nLen)
{
    if (nLen > 0)
        m_pReceiver->OnComReceive(m_buffer, nLen);
}

void CReadComThread::Run()
{
    using Clock = std::chrono::steady_clock;
    int nHave = 0;
    Clock::time_point quietDeadline;
    QString strError;

    for (;;) {
        const int nWant = std::clamp(m_nReadSize.load(), 1, kBufferSize);
        if (nHave >= nWant) {
            Deliver(nHave);
            nHave = 0;
        }
        int nTimeout = -1;
        if (nHave > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(quietDeadline - Clock::now());
            nTimeout = int(std::max<long long>(0, left.count()));
        }
        pollfd fds[2] = { { m_hStop, POLLIN, 0 }, { m_fd, POLLIN, 0 } };
        const int nReady = ::poll(fds, 2, nTimeout);
        if (nReady < 0) {
            if (errno == EINTR)
                continue;
            strError = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        if (fds[0].revents != 0)
            break; // stop requested
        if (nReady == 0) {
            Deliver(nHave); // the line has been quiet long enough
            nHave = 0;
            continue;
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            const ssize_t n = ::read(m_fd, m_buffer + nHave, size_t(nWant - nHave));
            if (n > 0) {
                nHave += int(n);
                quietDeadline = Clock::now() + std::chrono::milliseconds(kQuietMs);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            strError = n == 0 ? QStringLiteral("the device was closed")
                              : QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
    }
    Deliver(nHave);
    if (!strError.isEmpty())
        m_pReceiver->OnComError(strError);
}
