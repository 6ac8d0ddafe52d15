#pragma once

#include <QString>

// The open serial device: line settings on open, the handle, close.
// POSIX terminal devices here; the rest of the program sees only port names.
class CSerialPort
{
public:
    CSerialPort() = default;
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens the port at nBaud, 8N1, no flow control; DTR and RTS stay as the
    // driver has them. Closes what was open first. Throws CSerialException.
    void Open(const QString& strPort, int nBaud);
    void Close();

    bool IsOpen() const { return m_hComm >= 0; }
    int Handle() const { return m_hComm; }
    const QString& PortName() const { return m_strPort; }

    // Turns what the user typed into a device name: a number n means COMn on
    // Windows and /dev/ttyS(n-1) elsewhere; anything else is a path as typed.
    static QString DeviceName(const QString& strPort);
    // The port as messages name it: COMn for a number n, else the name as typed.
    static QString PortLabel(const QString& strPort);
    // The port as a later run should find it: a relative device path made absolute (it
    // names a file in the current folder); numbers and absolute paths as they are.
    static QString AbsoluteName(const QString& strPort);

private:
    int m_hComm = -1;      //!< file descriptor, -1 when closed
    QString m_strPort;     //!< the port it was last asked to open
};
