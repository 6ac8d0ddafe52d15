#include "link/CMeterLink.h"

#include "base/CProgramInfo.h"
#include "base/LogCategories.h"
#include "link/CMeterTextSink.h"
#include "link/CPortError.h"
#include "link/CPortSettings.h"
#include "link/CPrompt.h"
#include "link/CSerialPort.h"

#include <QDateTime>
#include <QTimer>

namespace {
const QByteArray kEventStart = QByteArrayLiteral("04ff");

int HexByteAt(const QByteArray& strHex, int nChar)
{
    return QByteArray::fromRawData(strHex.constData() + nChar, 2).toInt(nullptr, 16);
}

}

CMeterLink::CMeterLink(CPrompt* pPrompt, QObject* pParent)
    : QObject(pParent)
    , m_pPrompt(pPrompt)
{
}

CMeterLink::~CMeterLink()
{
    Shutdown();
}

void CMeterLink::Shutdown()
{
    StopLinkThread();
    if (m_comPort.IsOpen())
        qCInfo(LogLink, "closing %s", qUtf8Printable(CSerialPort::PortLabel(m_comPort.PortName())));
    m_comPort.Close();
    m_bMeterOnline = false;
}

void CMeterLink::OnComReceive(const unsigned char* pData, int nCount)
{
    m_tLastRx = QDateTime::currentSecsSinceEpoch();
    // The dongle's own traffic (a scan, a lost link) is not the meter.
    if (m_nLinkState.load() == kConnected)
        m_bMeterOnline = true;
    const QByteArray strHex = QByteArray::fromRawData(reinterpret_cast<const char*>(pData), nCount).toHex();
    qint64 nDropped = 0;
    {
        std::lock_guard lock(m_rxLock);
        m_strRxHex += strHex;
        if (m_strRxHex.size() > kMaxRxHex) {
            // The link thread cannot keep up: the oldest text goes (whole bytes,
            // so the packet search stays on byte boundaries) and the thread's
            // packet in hand is no longer at the front.
            const qsizetype nCut = (m_strRxHex.size() - kMaxRxHex + 1) & ~qsizetype(1);
            m_strRxHex.remove(0, nCut);
            ++m_nRxGeneration;
            nDropped = m_nRxDropped += nCut / 2;
        }
        m_bRxHex = true;
        ++m_nRxSeq;
        m_rxWake.notify_one();
    }
    if (nDropped > 0) {
        const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
        if (nNow - m_nLastOverflowReportMs >= 1000) {
            m_nLastOverflowReportMs = nNow;
            qCWarning(LogLink, "the link thread fell behind the line: %lld received bytes dropped so far", nDropped);
            emit ReceiveOverflow(nDropped);
        }
    }
}

void CMeterLink::OnComError(const QString& strError)
{
    // Called on the reader or a writer thread: the close must happen on ours,
    // and only if the port that failed is still the one open by then.
    const quint64 nGeneration = m_comPort.Generation();
    m_handoff.Post([this, strError, nGeneration] {
        if (nGeneration == m_comPort.Generation())
            ClosePortAfterError(strError);
        else
            qCInfo(LogLink, "a failure of a port closed since is ignored: %s", qUtf8Printable(strError));
    });
}

void CMeterLink::ReportLinkEnded()
{
    // Posted by the link thread; a close or a new Connect since then wins.
    if (m_nLinkState.load() != kIdle || !m_comPort.IsOpen())
        return;
    const QString strMessage = QStringLiteral("The meter ended the link on %1").arg(CSerialPort::PortLabel(m_comPort.PortName()));
    m_bMeterOnline = false;
    qCInfo(LogLink, "lost: %s", qUtf8Printable(strMessage));
    // Receivers show the lost link before the message box waits for the user.
    emit LinkError(strMessage);
    if (m_pPrompt)
        m_pPrompt->Message(strMessage, CProgramInfo::Name(), CPrompt::Warning);
}

void CMeterLink::ConfirmConnection(bool bLink, bool bNotifications)
{
    if (bLink)
        m_bLinkConfirmed = true;
    if (bNotifications && m_bNotifyRequested)
        m_bNotifyConfirmed = true;
    // Told on the link's own thread: receivers (single-shot ones too) never run
    // across threads.
    if (m_bLinkConfirmed && m_bNotifyConfirmed && !m_bConnectedTold.exchange(true))
        m_handoff.Post([this] {
            qCInfo(LogLink, "connected to %s on %s", qUtf8Printable(m_strLastAddress),
                   qUtf8Printable(CSerialPort::PortLabel(m_strLastPort)));
            emit Connected();
        });
}

void CMeterLink::ClosePortAfterError(const QString& strError)
{
    const QString strPort = CSerialPort::PortLabel(m_comPort.PortName());
    m_comPort.Close();
    m_bMeterOnline = false;
    SetLinkState(kIdle);
    const QString strMessage = QStringLiteral("The connection on %1 was lost: %2").arg(strPort, strError);
    qCInfo(LogLink, "lost: %s", qUtf8Printable(strMessage));
    // Receivers show the lost link before the message box waits for the user.
    emit LinkError(strMessage);
    if (m_pPrompt)
        m_pPrompt->Message(strMessage, CProgramInfo::Name(), CPrompt::Warning);
}

QByteArray CMeterLink::RxHexSnapshot() const
{
    std::lock_guard lock(m_rxLock);
    return m_strRxHex;
}

void CMeterLink::EmptyRxHex()
{
    std::lock_guard lock(m_rxLock);
    m_strRxHex.clear();
    ++m_nRxGeneration;
}

void CMeterLink::SetLinkState(int nState)
{
    std::lock_guard lock(m_rxLock);
    m_nLinkState = nState;
    ++m_nRxSeq;
    m_rxWake.notify_one();
}

void CMeterLink::TransitionFrom(int nFrom, int nTo)
{
    // A state the GUI has set in the meantime wins over the thread's own move.
    m_nLinkState.compare_exchange_strong(nFrom, nTo);
}

bool CMeterLink::SendPacket(const QByteArray& packet)
{
    return m_comPort.Write(packet.constData(), int(packet.size())) == packet.size();
}

bool CMeterLink::SendKeyFrame(const std::array<quint8, 4>& frame)
{
    return SendPacket(CDonglePackets::CommandFrame(frame));
}

void CMeterLink::SetReadSize(int nBytes)
{
    m_comPort.SetReadSize(nBytes);
}

bool CMeterLink::OpenDonglePort(const QString& strPort)
{
    const QString strTrimmed = strPort.trimmed();
    if (strTrimmed.isEmpty() || strTrimmed == QLatin1String("0"))
        return false;
    const QString strLabel = CSerialPort::PortLabel(strTrimmed);
    if (m_comPort.IsOpen())
        qCInfo(LogLink, "closing %s", qUtf8Printable(CSerialPort::PortLabel(m_comPort.PortName())));
    m_comPort.Close();
    m_bMeterOnline = false;
    m_strOpenPort = strTrimmed;
    // The read size and the receiver are in place before the reader starts,
    // so the first bytes are neither lost nor read in odd chunks.
    m_comPort.SetReadSize(100);
    m_nRxDropped = 0;
    qCInfo(LogLink, "opening %s", qUtf8Printable(strLabel));
    bool bOpen = false;
    for (int i = 0; i < kOpenTries && !bOpen; ++i)
        bOpen = m_comPort.Open(strTrimmed, kBaud, this);
    if (!bOpen) {
        m_strOpenFailure = QStringLiteral("Warning:Can't open %1!").arg(strLabel) + QLatin1Char('\n')
            + CPortError::Describe(strTrimmed);
        qCInfo(LogLink, "cannot open %s: %s", qUtf8Printable(strLabel), qUtf8Printable(m_comPort.LastOpenError()));
        if (m_pPrompt)
            m_pPrompt->Message(m_strOpenFailure, CProgramInfo::Name(), CPrompt::Information);
        return false;
    }
    m_strOpenFailure.clear();
    qCInfo(LogLink, "%s open", qUtf8Printable(strLabel));
    StopLinkThread();
    StartLinkThread();

    EmptyRxHex();
    SetLinkState(kDiscard);
    SendPacket(CDonglePackets::DeviceInit());
    SetLinkState(kIdle);
    SendPacket(CDonglePackets::TerminateLink());
    if (m_bRememberSettings)
        CPortSettings::WritePortSetting(strTrimmed);
    return true;
}

bool CMeterLink::Scan(const QString& strPort)
{
    if (!OpenDonglePort(strPort))
        return false;
    QTimer::singleShot(kDiscoveryDelayMs, this, [this] {
        if (!m_comPort.IsOpen())
            return;
        qCInfo(LogLink, "scanning %s for meters", qUtf8Printable(CSerialPort::PortLabel(m_strOpenPort)));
        EmptyRxHex();
        {
            std::lock_guard lock(m_rxLock);
            m_foundThisScan.clear();
        }
        SetLinkState(kDiscovering);
        SendPacket(CDonglePackets::DeviceDiscovery());
    });
    return true;
}

bool CMeterLink::Connect(const QString& strAddress)
{
    CDonglePackets::Address address {};
    if (!CDonglePackets::ParseAddress(strAddress, &address) || !m_comPort.IsOpen())
        return false;
    if (m_bRememberSettings)
        CPortSettings::WriteMacSetting(strAddress);
    m_strLastPort = m_strOpenPort;
    m_strLastAddress = strAddress;
    qCInfo(LogLink, "connecting to %s on %s", qUtf8Printable(strAddress),
           qUtf8Printable(CSerialPort::PortLabel(m_strOpenPort)));
    m_bLinkConfirmed = false;
    m_bNotifyRequested = false;
    m_bNotifyConfirmed = false;
    m_bConnectedTold = false;
    SetLinkState(kCancellingDiscovery);
    SendPacket(CDonglePackets::CancelDiscovery());
    SetLinkState(kConnecting);
    SendPacket(CDonglePackets::EstablishLink(address));
    QTimer::singleShot(kConnectDelayMs, this, [this] {
        if (!m_comPort.IsOpen())
            return;
        SetLinkState(kConnected);
        m_comPort.SetReadSize(100);
        // Connected follows the dongle's answers (ConfirmConnection), not the clock.
        m_bNotifyRequested = true;
        SendPacket(CDonglePackets::EnableNotifications());
    });
    return true;
}

void CMeterLink::StartLinkThread()
{
    if (m_linkThread.joinable())
        return;
    {
        std::lock_guard lock(m_rxLock);
        m_bStopLink = false;
    }
    m_linkThread = std::thread([this] { LinkThreadMain(); });
}

void CMeterLink::StopLinkThread()
{
    if (!m_linkThread.joinable())
        return;
    {
        std::lock_guard lock(m_rxLock);
        m_bStopLink = true;
        m_rxWake.notify_one();
    }
    // The thread may be waiting for the GUI, which is us: release it first.
    m_guiInvoker.Cancel();
    m_linkThread.join();
    m_guiInvoker.Reset();
}

void CMeterLink::LinkThreadMain()
{
    std::unique_lock lock(m_rxLock);
    while (!m_bStopLink) {
        if (ProcessOnce(lock))
            continue;
        const quint64 nSeen = m_nRxSeq;
        ++m_nRests;
        m_rxWake.wait(lock, [&] { return m_bStopLink || m_nRxSeq != nSeen; });
    }
}

bool CMeterLink::Resynchronise()
{
    // Only even positions are byte boundaries; an odd match would shift every later byte.
    int nPos = 2;
    while ((nPos = int(m_strRxHex.indexOf(kEventStart, nPos))) > 0 && (nPos & 1))
        ++nPos;
    if (nPos > 0) {
        m_strRxHex.remove(0, nPos);
        return true;
    }
    // No packet start yet: keep only the last byte, which may begin one.
    if (m_strRxHex.size() > 2) {
        m_strRxHex.remove(0, m_strRxHex.size() - 2);
    }
    return false;
}

bool CMeterLink::ProcessOnce(std::unique_lock<std::mutex>& lock)
{
    if (!m_bRxHex || m_strRxHex.size() < 13)
        return false;
    const int nState = m_nLinkState.load();
    switch (nState) {
    case kDiscardThenInit:
    case kDiscard:
        m_strRxHex.clear();
        TransitionFrom(nState, nState + 1);
        return true;
    case kDiscovering:
    case kConnecting:
    case kConnected:
    case kCancellingDiscovery:
        break;
    default:
        return false; // idle: the input stays as it is
    }
    if (!m_strRxHex.startsWith(kEventStart))
        return Resynchronise();
    const int L = HexByteAt(m_strRxHex, 4);
    const int nPacketChars = 2 * (L + 3);
    // While discovering, the thread also waits for the start of the next
    // packet, but not behind the end of the discovery, which nothing follows.
    const bool bDiscoveryDone = m_strRxHex.size() >= 10 && m_strRxHex.mid(6, 4) == "0106";
    const int nNeeded = nState == kDiscovering && !bDiscoveryDone ? 2 * L + 12 : nPacketChars;
    if (m_strRxHex.size() < nNeeded)
        return false;
    const QByteArray packet = QByteArray::fromHex(m_strRxHex.left(nPacketChars));
    const quint64 nGeneration = m_nRxGeneration;

    CDonglePackets::CDongleEvent event;
    const int nResult = CDonglePackets::ClassifyEvent(reinterpret_cast<const quint8*>(packet.constData()),
                                                      int(packet.size()), &event);
    if (nState == kConnected) {
        lock.unlock();
        if (nResult == CDonglePackets::kNotification) {
            ConfirmConnection(false, true); // a notification proves them enabled
            if (m_pSink) {
                m_pSink->AppendMeterHex(event.value.toHex());
                m_pSink->OnMeterData();
            }
        } else if (nResult == CDonglePackets::kLinkEstablished) {
            emit LinkEstablished();
            ConfirmConnection(true, false);
        } else if (nResult == CDonglePackets::kWriteResponse) {
            ConfirmConnection(false, true);
        } else if (nResult == CDonglePackets::kLinkTerminated && m_bLinkConfirmed) {
            // The meter (or the air) ended the link: nothing will come any more.
            TransitionFrom(kConnected, kIdle);
            m_handoff.Post([this] { ReportLinkEnded(); });
        }
        lock.lock();
        // Text emptied by a new command meanwhile is not ours to cut any more.
        if (nGeneration == m_nRxGeneration)
            m_strRxHex.remove(0, nPacketChars);
        return true;
    }

    m_strRxHex.remove(0, nPacketChars);
    if (nState == kDiscovering && nResult == CDonglePackets::kDeviceInformation
        && event.strName.startsWith(QLatin1String("ORV"))) {
        const auto* info = reinterpret_cast<const quint8*>(event.info.constData());
        const QString strAddress = CDonglePackets::FormatAddress(info + 8);
        const int nRssi = qint8(info[14]);
        const bool bNew = !m_foundThisScan.contains(strAddress);
        m_foundThisScan.insert(strAddress);
        lock.unlock();
        if (bNew)
            qCInfo(LogLink, "found %s %s (rssi %d)", qUtf8Printable(event.strName), qUtf8Printable(strAddress), nRssi);
        emit DeviceFound(event.strName, strAddress, nRssi);
        lock.lock();
    } else if (nState == kDiscovering && nResult == CDonglePackets::kDiscoveryDone) {
        const int nFound = int(m_foundThisScan.size());
        lock.unlock();
        qCInfo(LogLink, "scan done: %d meter(s) found", nFound);
        emit DiscoveryDone();
        lock.lock();
    } else if (nState == kConnecting && nResult == CDonglePackets::kCommandStatus) {
        // Old meter text goes before the state says connected.
        lock.unlock();
        if (m_pSink)
            m_pSink->ClearMeterHex();
        lock.lock();
        TransitionFrom(kConnecting, kConnected);
    } else if (nState == kConnecting && nResult == CDonglePackets::kLinkEstablished) {
        lock.unlock();
        emit LinkEstablished();
        ConfirmConnection(true, false);
        lock.lock();
    } else if (nState == kCancellingDiscovery && nResult == CDonglePackets::kCommandStatus) {
        TransitionFrom(kCancellingDiscovery, kDiscard);
    }
    return true;
}
