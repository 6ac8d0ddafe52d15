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
    auto pSerial = std::make_unique<CSerialPort>();
    try {
        pSerial->Open(strPort, nBaud);
    } catch (const CSerialException& e) {
        m_strOpenError = e.ErrorMessage();
        return false;
    }
    int hStopPipe[2] = { -1, -1 };
    if (::pipe2(hStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_strOpenError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_strPort = strPort;
    {
        std::lock_guard lock(m_writeMutex);
        m_hStopPipe[0] = hStopPipe[0];
        m_hStopPipe[1] = hStopPipe[1];
        m_pReceiver = pReceiver;
        m_pSerial = std::move(pSerial);
        m_bErrorReported = false;
        ++m_nGeneration;
    }
    m_bOpen = true;
    CComReceiver* pSelf = this; // the port filters what the reader tells
    m_pReadThread = std::make_unique<CReadComThread>(pSelf, m_nReadSize);
    m_pReadThread->Start(m_pSerial->Handle(), m_hStopPipe[0]);
    return true;
}

void CComPort::Close()
{
    m_bOpen = false;
    // One byte in the stop pipe ends the reader and wakes a write waiting for room.
    if (m_hStopPipe[1] >= 0) {
        const char cStop = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_hStopPipe[1], &cStop, 1);
    }
    if (m_pReadThread) {
        m_pReadThread->Join();
        m_pReadThread.reset();
    }
    std::lock_guard lock(m_writeMutex);
    const bool bWasOpen = m_pSerial != nullptr;
    m_pSerial.reset();
    m_pReceiver = nullptr;
    for (int& h : m_hStopPipe) {
        if (h >= 0)
            ::close(h);
        h = -1;
    }
    if (bWasOpen)
        ++m_nGeneration;
}

int CComPort::Write(const void* pData, int nCount)
{
    std::unique_lock lock(m_writeMutex);
    if (!m_pSerial || !m_pSerial->IsOpen())
        return 0;
    const int fd = m_pSerial->Handle();
    const quint64 nGeneration = m_nGeneration.load();
    bool bClosing = false;
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
        // Output queue full: wait for room, but never for ever, and not past a Close.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd pfds[2] = { { fd, POLLOUT, 0 }, { m_hStopPipe[0], POLLIN, 0 } };
        if (left.count() <= 0 || ::poll(pfds, 2, int(left.count())) == 0) {
            strError = QStringLiteral("write timed out");
            break;
        }
        if (pfds[1].revents != 0) {
            bClosing = true; // the owner is closing the port: nothing to report
            break;
        }
        if (pfds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            strError = QStringLiteral("the device was closed");
            break;
        }
    }
    lock.unlock();
    if (!strError.isEmpty() && !bClosing)
        ReportError(strError, nGeneration);
    return nDone;
}

void CComPort::OnComReceive(const unsigned char* pData, int nCount)
{
    if (m_pReceiver)
        m_pReceiver->OnComReceive(pData, nCount);
}

void CComPort::OnComError(const QString& strError)
{
    // The reader belongs to the open port: Open bumps the generation only after
    // Close has joined it.
    ReportError(strError, m_nGeneration.load());
}

void CComPort::ReportError(const QString& strError, quint64 nGeneration)
{
    // Told under the lock, so Open and Close cannot swap the port or the receiver
    // meanwhile; the receiver only posts the close (it must not write here).
    std::lock_guard lock(m_writeMutex);
    if (nGeneration != m_nGeneration.load() || m_bErrorReported || !m_pReceiver)
        return;
    m_bErrorReported = true;
    m_pReceiver->OnComError(strError);
}
