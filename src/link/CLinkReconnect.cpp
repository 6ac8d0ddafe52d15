#include "link/CLinkReconnect.h"

#include "base/LogCategories.h"
#include "link/CMeterLink.h"

#include <algorithm>

namespace {
QString Seconds(int nMs)
{
    return QString::number(nMs / 1000.0, 'g', 3);
}
}

int CLinkReconnect::PauseMs(int nTry)
{
    // 1, 2, 4, 8, 16, 30, 30, ... seconds
    const int nShift = std::clamp(nTry, 0, 15);
    return std::min(kMaxPauseMs, kFirstPauseMs << nShift);
}

CLinkReconnect::CLinkReconnect(CMeterLink& link, QObject* pParent)
    : QObject(pParent)
    , m_link(link)
{
    m_pause.setSingleShot(true);
    m_tryTimeout.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &CLinkReconnect::Try);
    connect(&m_tryTimeout, &QTimer::timeout, this, [this] {
        TryFailed(m_bSawMeter ? QStringLiteral("the link to %1 did not come up").arg(m_strAddress)
                              : QStringLiteral("%1 was not found").arg(m_strAddress));
    });
    connect(&m_link, &CMeterLink::DeviceFound, this, [this](const QString&, const QString& strAddress, int) {
        if (!m_bTrying || m_bSawMeter || strAddress.compare(m_strAddress, Qt::CaseInsensitive) != 0)
            return;
        m_bSawMeter = true;
        if (!m_link.Connect(m_strAddress))
            TryFailed(QStringLiteral("the port closed"));
    });
    // Both must have happened, in either order: the dongle's word and the notifications.
    connect(&m_link, &CMeterLink::LinkEstablished, this, [this] {
        m_bLinked = m_bTrying;
        if (m_bTrying && m_bNotifying)
            Succeeded();
    });
    connect(&m_link, &CMeterLink::Connected, this, [this] {
        m_bNotifying = m_bTrying;
        if (m_bTrying && m_bLinked)
            Succeeded();
    });
}

void CLinkReconnect::Start(const QString& strPort, const QString& strAddress)
{
    Begin(strPort, strAddress, false);
}

void CLinkReconnect::StartNow(const QString& strPort, const QString& strAddress)
{
    Begin(strPort, strAddress, true);
}

void CLinkReconnect::Begin(const QString& strPort, const QString& strAddress, bool bAtOnce)
{
    if (m_bActive && m_bTrying && strAddress == m_strAddress) {
        // Lost again in the middle of a try: that try failed, the pauses keep growing.
        TryFailed(QStringLiteral("the link to %1 was lost again").arg(m_strAddress));
        return;
    }
    m_strPort = strPort;
    m_strAddress = strAddress;
    m_bActive = true;
    m_bTrying = false;
    m_tryTimeout.stop();
    m_nTry = 0;
    if (bAtOnce) {
        Tell(QStringLiteral("looking for %1 on %2").arg(m_strAddress, m_strPort));
        m_pause.start(0);
    } else {
        ScheduleTry();
    }
}

void CLinkReconnect::Tell(const QString& strText)
{
    qCInfo(LogLink, "reconnect: %s", qUtf8Printable(strText));
    emit Progress(strText);
}

void CLinkReconnect::Stop()
{
    if (m_bActive)
        qCInfo(LogLink, "reconnect: stopped after %d tries", m_nTry);
    m_bActive = m_bTrying = false;
    m_pause.stop();
    m_tryTimeout.stop();
}

void CLinkReconnect::ScheduleTry()
{
    const int nPause = PauseMs(m_nTry);
    Tell(QStringLiteral("looking for %1 in %2 s").arg(m_strAddress, Seconds(nPause)));
    m_pause.start(nPause);
}

void CLinkReconnect::Try()
{
    if (!m_bActive)
        return;
    ++m_nTry;
    m_bTrying = true;
    m_bSawMeter = m_bLinked = m_bNotifying = false;
    qCInfo(LogLink, "reconnect: try %d", m_nTry);
    Tell(QStringLiteral("scanning %1 for %2").arg(m_strPort, m_strAddress));
    if (!m_link.Scan(m_strPort)) {
        TryFailed(QStringLiteral("%1 cannot be opened").arg(m_strPort));
        return;
    }
    m_tryTimeout.start(kTryTimeoutMs);
}

void CLinkReconnect::TryFailed(const QString& strWhy)
{
    m_bTrying = false;
    m_tryTimeout.stop();
    Tell(strWhy);
    if (m_bActive)
        ScheduleTry();
}

void CLinkReconnect::Succeeded()
{
    m_bActive = m_bTrying = false;
    m_tryTimeout.stop();
    Tell(QStringLiteral("reconnected to %1").arg(m_strAddress));
    emit Reconnected();
}
