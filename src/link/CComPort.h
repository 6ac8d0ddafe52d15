#pragma once

#include "link/CComReceiver.h"
#include "link/CReadComThread.h"
#include "link/CSerialPort.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// The one serial port of the program: open with the dongle's line settings,
// the reader thread, serialised writes, orderly close. Open and Close belong
// to one thread (the owner's); Write, SetReadSize, ReadSize, IsOpen and
// Generation are safe from any thread, also while the port is being closed.
// A failure is told to the receiver only while the port that failed is still
// the open one: a write that stalled on the previous port never reaches the next.
class CComPort : private CComReceiver
{
public:
    static constexpr int kWriteTimeoutMs = 2000;
    static constexpr int kDefaultReadSize = 100;

    CComPort() = default;
    virtual ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Opens the port and starts the reader, which hands what it reads and its
    // failure to pReceiver (installed before the reader starts, kept until
    // Close has returned); false when the port cannot be opened.
    bool Open(const QString& strPort, int nBaud, CComReceiver* pReceiver);
    // Stops the reader and any write waiting for room promptly, and closes the
    // port; nothing when not open.
    void Close();
    // Writes all bytes or reports the failure; returns the count written.
    int Write(const void* pData, int nCount);

    // Never waits for a write in progress.
    bool IsOpen() const { return m_bOpen.load(); }
    // Changes with every Open and Close: what was told of one open port can be
    // recognised once another has taken its place.
    quint64 Generation() const { return m_nGeneration.load(); }
    // Bytes per read request from the next request on; kept across opens.
    void SetReadSize(int nBytes) { m_nReadSize = nBytes; }
    int ReadSize() const { return m_nReadSize.load(); }
    QString LastOpenError() const { return m_strOpenError; }
    // The port given to the last successful Open (owner's thread).
    QString PortName() const { return m_strPort; }

private:
    // From the reader: passed on, the failure only once per open.
    void OnComReceive(const unsigned char* pData, int nCount) override;
    void OnComError(const QString& strError) override;
    // Tells the receiver of the failure of the open port nGeneration, unless
    // that port is gone or its failure was told already.
    void ReportError(const QString& strError, quint64 nGeneration);

    std::unique_ptr<CSerialPort> m_pSerial;
    std::unique_ptr<CReadComThread> m_pReadThread;
    int m_hStopPipe[2] = { -1, -1 };
    mutable std::mutex m_writeMutex; //!< one write at a time; also guards the handle, the stop pipe and the receiver against Close
    std::atomic<bool> m_bOpen { false };          //!< set by Open once the port is in place, cleared first thing by Close
    std::atomic<quint64> m_nGeneration { 0 };     //!< bumped under m_writeMutex by Open and Close
    bool m_bErrorReported = false;                //!< under m_writeMutex: the failure of this open has been told
    // Owned by the port, not the reader, so a change from any thread never
    // touches a reader that Close is freeing.
    std::atomic<int> m_nReadSize { kDefaultReadSize };
    CComReceiver* m_pReceiver = nullptr; //!< set by Open before the reader starts, cleared by Close after the join
    QString m_strOpenError;
    QString m_strPort;
};
