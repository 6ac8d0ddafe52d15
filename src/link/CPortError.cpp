#include "link/CPortError.h"

#include "link/CSerialPort.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace CPortError {

QString OwnerGroup(const QString& strDevice)
{
    struct stat st {};
    if (::stat(strDevice.toLocal8Bit().constData(), &st) != 0)
        return {};
    if (const group* pGroup = ::getgrgid(st.st_gid))
        return QString::fromLocal8Bit(pGroup->gr_name);
    return QString::number(st.st_gid);
}

QString Reason(const QString& strDevice, int nError)
{
    switch (nError) {
    case 0:
        return {};
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("%1 does not exist: is the dongle plugged in?").arg(strDevice);
    case EBUSY:
    case EWOULDBLOCK:
        return QStringLiteral("%1 is busy: another program is using it.").arg(strDevice);
    case EACCES:
    case EPERM: {
        const QString strGroup = OwnerGroup(strDevice);
        if (strGroup.isEmpty())
            return QStringLiteral("permission denied for %1.").arg(strDevice);
        return QStringLiteral("permission denied for %1: you must be in the group \"%2\" that owns it "
                              "(sudo usermod -aG %2 $USER, then log in again).")
            .arg(strDevice, strGroup);
    }
    case ENOTTY:
        return QStringLiteral("%1 is not a serial port.").arg(strDevice);
    default:
        return QStringLiteral("%1: %2.").arg(strDevice, QString::fromLocal8Bit(std::strerror(nError)));
    }
}

int Probe(const QString& strDevice)
{
    const int fd = ::open(strDevice.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int nError = 0;
    termios tio {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::tcgetattr(fd, &tio) != 0)
        nError = errno;
    ::close(fd);
    return nError;
}

QString Describe(const QString& strPort)
{
    const QString strDevice = CSerialPort::DeviceName(strPort);
    return Reason(strDevice, Probe(strDevice));
}

}
