#include "link/CSerialPort.h"

#include "link/CSerialException.h"

#include <QDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
speed_t BaudConstant(int nBaud)
{
    switch (nBaud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: throw CSerialException(EINVAL);
    }
}
}

CSerialPort::~CSerialPort()
{
    Close();
}

QString CSerialPort::DeviceName(const QString& strPort)
{
    const QString strTrimmed = strPort.trimmed();
    bool bNumber = false;
    const int nPort = strTrimmed.toInt(&bNumber);
    if (!bNumber)
        return strTrimmed;
#ifdef Q_OS_WIN
    return PortLabel(strTrimmed);
#else
    return QStringLiteral("/dev/ttyS%1").arg(nPort - 1);
#endif
}

QString CSerialPort::PortLabel(const QString& strPort)
{
    const QString strTrimmed = strPort.trimmed();
    bool bNumber = false;
    const int nPort = strTrimmed.toInt(&bNumber);
    return bNumber ? QStringLiteral("COM%1").arg(nPort) : strTrimmed;
}

QString CSerialPort::AbsoluteName(const QString& strPort)
{
    const QString strTrimmed = strPort.trimmed();
#ifdef Q_OS_WIN
    return strTrimmed; // COM<n> names no file
#else
    bool bNumber = false;
    strTrimmed.toInt(&bNumber);
    if (bNumber || strTrimmed.isEmpty() || QDir::isAbsolutePath(strTrimmed))
        return strTrimmed;
    return QDir::cleanPath(QDir::current().absoluteFilePath(strTrimmed));
#endif
}

void CSerialPort::Open(const QString& strPort, int nBaud)
{
    Close();
    m_strPort = strPort;
    const speed_t speed = BaudConstant(nBaud);
    const QByteArray device = DeviceName(strPort).toLocal8Bit();
    const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw CSerialException();
    // No sharing, as the dongle cannot serve two programs.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        const int nError = errno;
        ::close(fd);
        throw CSerialException(nError);
    }
    // The exclusive flag stays on the device after close: every failure from
    // here on clears it again, as Close does.
    auto fail = [fd] {
        const int nError = errno;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        throw CSerialException(nError);
    };
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        fail();
    // Binary line: no echo, no line editing, no character translation.
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        fail();
    ::tcflush(fd, TCIOFLUSH);
    m_hComm = fd;
}

void CSerialPort::Close()
{
    if (m_hComm >= 0) {
        // Otherwise the next non-root program could not open the device.
        ::ioctl(m_hComm, TIOCNXCL);
        ::close(m_hComm);
        m_hComm = -1;
    }
}
