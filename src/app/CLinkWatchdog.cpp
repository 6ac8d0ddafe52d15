#include "app/CLinkWatchdog.h"

#include "link/CMeterLink.h"
#include "protocol/CMeterProtocol.h"

#include <QDateTime>

CLinkWatchdog::CLinkWatchdog(CMeterLink& link, CMeterProtocol& protocol, QObject* pParent)
    : QObject(pParent)
    , m_link(link)
    , m_protocol(protocol)
    , m_clock([] { return QDateTime::currentSecsSinceEpoch(); })
{
    m_timer.setInterval(kPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &CLinkWatchdog::OnTick);
}

void CLinkWatchdog::Start()
{
    m_timer.start();
}

void CLinkWatchdog::OnTick()
{
    const qint64 nSilent = m_clock() - m_link.LastReceiptTime();
    if (m_protocol.IsSeries9Armed()) {
        if (nSilent > kSeries9Seconds) {
            m_protocol.SetSeries9Armed(false);
            m_link.SetMeterOffline();
        }
        return;
    }
    if (nSilent <= kStallSeconds)
        return;
    m_link.SetMeterOffline();
    // Without this a transfer cut off mid-way would leave the dispatcher
    // ignoring every later frame.
    if (m_protocol.IsBlockMode())
        m_protocol.LeaveBlockMode();
    ++m_nLossCount;
    emit Stalled();
    if (m_nLossCount < 2)
        emit FirstStall();
}
