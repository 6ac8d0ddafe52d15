#include "sim/CSimPty.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

CSimPty::~CSimPty()
{
    Close();
}

bool CSimPty::Open(const QString& strLinkPath, QString* pstrError)
{
    auto fail = [&](const char* what) {
        if (pstrError)
            *pstrError = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        Close();
        return false;
    };
    m_hMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_hMaster < 0)
        return fail("posix_openpt");
    if (::grantpt(m_hMaster) != 0 || ::unlockpt(m_hMaster) != 0)
        return fail("unlockpt");
    char name[128] = {};
    if (::ptsname_r(m_hMaster, name, sizeof name) != 0)
        return fail("ptsname");
    m_strSlave = QString::fromLocal8Bit(name);
    m_hSlaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_hSlaveKeep < 0)
        return fail("open slave");
    // A fresh slave edits lines, echoes and eats ^C: the dongle's bytes must pass untouched.
    termios tio {};
    if (::tcgetattr(m_hSlaveKeep, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    if (::tcsetattr(m_hSlaveKeep, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    termios mtio {};
    if (::tcgetattr(m_hMaster, &mtio) == 0) {
        cfmakeraw(&mtio);
        ::tcsetattr(m_hMaster, TCSANOW, &mtio);
    }
    ::fcntl(m_hMaster, F_SETFL, ::fcntl(m_hMaster, F_GETFL) | O_NONBLOCK);
    if (!strLinkPath.isEmpty()) {
        QFile::remove(strLinkPath);
        if (!QFile::link(m_strSlave, strLinkPath)) {
            errno = EEXIST;
            return fail("symlink");
        }
        m_strLink = strLinkPath;
    }
    return true;
}

void CSimPty::Close()
{
    for (int* h : { &m_hMaster, &m_hSlaveKeep }) {
        if (*h >= 0)
            ::close(*h);
        *h = -1;
    }
    if (!m_strLink.isEmpty())
        QFile::remove(m_strLink);
    m_strLink.clear();
}
