#pragma once

#include "link/CReadComThread.h"
#include "link/CSerialPort.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// The one serial port of the program: open with the dongle's line settings,
// the reader thread, serialised writes, orderly close.
class CComPort
{
public:
    // Called on the reader thread for every chunk of at least one byte; the
    // bytes are valid only during the call.
    using ReceiveFn = void (*)(void* pUser, const unsigned char* pData, int nCount);
    // Called at most once per open port, on the thread that met the failure
    // (reader or writer). Must not close the port itself: post the close.
    using ErrorFn = void (*)(void* pUser, const QString& strError);

    static constexpr int kWriteTimeoutMs = 2000;

    CComPort() = default;
    virtual ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Opens the port and starts the reader; false when the port cannot be opened.
    bool Open(const QString& strPort, int nBaud);
    // Stops the reader promptly and closes the port; nothing when not open.
    void Close();
    // Writes all bytes or reports the failure; returns the count written.
    int Write(const void* pData, int nCount);

    bool IsOpen() const;
    void SetReadSize(int nBytes);
    int ReadSize() const;
    QString LastOpenError() const { return m_strOpenError; }

    void* m_pUser = nullptr;
    ReceiveFn m_pfnReceive = nullptr;
    ErrorFn m_pfnError = nullptr;
    QString m_strPort;          //!< the port given to the last successful Open

private:
    friend class CReadComThread;
    void DeliverReceived(const unsigned char* pData, int nLen);
    void ReportError(const QString& strError);

    std::unique_ptr<CSerialPort> m_pSerial;
    std::unique_ptr<CReadComThread> m_pReadThread;
    int m_hStopPipe[2] = { -1, -1 };
    mutable std::mutex m_writeMutex; //!< one write at a time; also guards the handle against Close
    std::atomic<bool> m_bErrorReported { false }; //!< the failure of this open has been told
    QString m_strOpenError;
};
