#include "link/CComPort.h"

#include "link/CSerialException.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

CComPort::~CComPort()
{
    Close();
}

bool CComPort::Open(const QString& strPort, int nBaud, CComReceiver* pReceiver)
{
    Close();
    m_bErrorReported = false;
    auto pSerial = std::make_unique<CSerialPort>();
    try {
        pSerial->Open(strPort, nBaud);
    } catch (const CSerialException& e) {
        m_strOpenError = e.ErrorMessage();
        return false;
    }
    if (::pipe2(m_hStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_strOpenError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_strPort = strPort;
    {
        std::lock_guard lock(m_writeMutex);
        m_pReceiver = pReceiver;
        m_pSerial = std::move(pSerial);
    }
    CComReceiver* pSelf = this; // the port filters what the reader tells
    m_pReadThread = std::make_unique<CReadComThread>(pSelf, m_nReadSize);
    m_pReadThread->Start(m_pSerial->Handle(), m_hStopPipe[0]);
    return true;
}

void CComPort::Close()
{
    if (m_pReadThread) {
        const char cStop = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_hStopPipe[1], &cStop, 1);
        m_pReadThread->Join();
        m_pReadThread.reset();
    }
    for (int& h : m_hStopPipe) {
        if (h >= 0)
            ::close(h);
        h = -1;
    }
    std::lock_guard lock(m_writeMutex);
    m_pSerial.reset();
    m_pReceiver = nullptr;
}

bool CComPort::IsOpen() const
{
    std::lock_guard lock(m_writeMutex);
    return m_pSerial && m_pSerial->IsOpen();
}

int CComPort::Write(const void* pData, int nCount)
{
    std::unique_lock lock(m_writeMutex);
    if (!m_pSerial || !m_pSerial->IsOpen())
        return 0;
    const int fd = m_pSerial->Handle();
    const auto* p = static_cast<const unsigned char*>(pData);
    int nDone = 0;
    QString strError;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    while (nDone < nCount) {
        const ssize_t n = ::write(fd, p + nDone, size_t(nCount - nDone));
        if (n > 0) {
            nDone += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            strError = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        // Output queue full: wait for room, but never for ever.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd pfd { fd, POLLOUT, 0 };
        if (left.count() <= 0 || ::poll(&pfd, 1, int(left.count())) == 0) {
            strError = QStringLiteral("write timed out");
            break;
        }
        if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            strError = QStringLiteral("the device was closed");
            break;
        }
    }
    lock.unlock();
    if (!strError.isEmpty())
        OnComError(strError);
    return nDone;
}

void CComPort::OnComReceive(const unsigned char* pData, int nCount)
{
    if (m_pReceiver)
        m_pReceiver->OnComReceive(pData, nCount);
}

void CComPort::OnComError(const QString& strError)
{
    if (m_bErrorReported.exchange(true))
        return;
    // A writer may fail while Close runs on the owner's thread: the receiver
    // pointer is read under the lock Close clears it with.
    CComReceiver* pReceiver = nullptr;
    {
        std::lock_guard lock(m_writeMutex);
        pReceiver = m_pReceiver;
    }
    if (pReceiver)
        pReceiver->OnComError(strError);
}
