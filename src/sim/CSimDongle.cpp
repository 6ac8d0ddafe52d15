#include "sim/CSimDongle.h"

namespace {
enum : int {
    kOpDeviceInit = 0xFE00,
    kOpDiscovery = 0xFE04,
    kOpCancelDiscovery = 0xFE05,
    kOpEstablishLink = 0xFE09,
    kOpTerminateLink = 0xFE0A,
    kOpWriteCharValue = 0xFD92,

    kEvCommandStatus = 0x067F,
    kEvDeviceInitDone = 0x0600,
    kEvDiscoveryDone = 0x0601,
    kEvDeviceInformation = 0x060D,
    kEvLinkEstablished = 0x0605,
    kEvLinkTerminated = 0x0606,
    kEvWriteResponse = 0x0513,
    kEvNotification = 0x051B,

    kStatusIncorrectMode = 0x12,
    kNotifyHandle = 0x0015,
    kCommandHandle = 0x0012,
    kValueHandle = 0x0011,
};

void AppendU16(QByteArray& a, int v)
{
    a.append(char(v & 0xFF));
    a.append(char((v >> 8) & 0xFF));
}

QByteArray AddressBytes(const std::array<quint8, 6>& address)
{
    return QByteArray(reinterpret_cast<const char*>(address.data()), 6);
}

std::array<quint8, 6> MakeAddress(std::initializer_list<int> msbFirst)
{
    std::array<quint8, 6> a {};
    int i = 5;
    for (int v : msbFirst)
        a[size_t(i--)] = quint8(v);
    return a;
}
}

CSimDongle::CSimDongle(const CSimDongleOptions& options)
    : m_options(options)
    , m_random(options.nSeed)
{
}

CSimDongle::~CSimDongle() = default;

QList<CSimAdvertiser> CSimDongle::DefaultAdvertisers()
{
    return {
        { QStringLiteral("ORVEX-M1"), MakeAddress({ 0xc8, 0xfd, 0x19, 0x0a, 0xbc, 0xde }), -58, CSimAdvertiser::kMeter, true },
        { QStringLiteral("ORV-BT-2"), MakeAddress({ 0xc8, 0xfd, 0x19, 0x11, 0x22, 0x33 }), -71, CSimAdvertiser::kMeter, true },
        { QStringLiteral("ORVEX-TAG"), MakeAddress({ 0x10, 0x20, 0x30, 0x40, 0x50, 0x60 }), -80, CSimAdvertiser::kNoService, true },
        { QStringLiteral("Headphones"), MakeAddress({ 0x70, 0x71, 0x72, 0x73, 0x74, 0x75 }), -66, CSimAdvertiser::kMeter, true },
        { QStringLiteral("ORVEX-ODD"), MakeAddress({ 0x01, 0x02, 0x03, 0x04, 0x05, 0x06 }), -75, CSimAdvertiser::kDisplacedName, false },
    };
}

bool CSimDongle::Load(QString* pstrError)
{
    CSimMeter probe(m_options.meter);
    return probe.Load(pstrError);
}

QByteArray CSimDongle::Event(int nOpcode, int nStatus, const QByteArray& params)
{
    QByteArray a;
    a.append(char(0x04));
    a.append(char(0xFF));
    a.append(char(3 + params.size()));
    AppendU16(a, nOpcode);
    a.append(char(nStatus));
    a.append(params);
    return a;
}

QByteArray CSimDongle::CommandStatus(int nCommandOpcode, int nStatus)
{
    QByteArray params;
    AppendU16(params, nCommandOpcode);
    params.append(char(0)); // no data
    return Event(kEvCommandStatus, nStatus, params);
}

QByteArray CSimDongle::DeviceInformation(const CSimAdvertiser& adv, bool bScanResponse)
{
    const QByteArray name = adv.strName.toLatin1();
    QByteArray data;
    if (bScanResponse) {
        data.append(char(name.size() + 1));
        data.append(char(0x09));
        data.append(name);
    } else {
        data.append("\x02\x01\x06", 3); // flags
        if (adv.kind == CSimAdvertiser::kDisplacedName)
            data.append("\x02\x0a\x04", 3); // a tx-power record before the service list
        if (adv.kind == CSimAdvertiser::kNoService)
            data.append("\x03\x03\x0f\x18", 4); // battery service only
        else
            data.append("\x03\x03\xf0\xff", 4);
        data.append(char(name.size() + 1));
        data.append(char(0x09));
        data.append(name);
    }
    QByteArray params;
    params.append(char(bScanResponse ? 4 : 0)); // event type
    params.append(char(0));                     // public address
    params.append(AddressBytes(adv.address));
    params.append(char(qint8(adv.nRssi)));
    params.append(char(data.size()));
    params.append(data);
    return Event(kEvDeviceInformation, 0, params);
}

QByteArray CSimDongle::Notification(const QByteArray& value)
{
    QByteArray params;
    AppendU16(params, 0); // connection handle
    params.append(char(value.size() + 2));
    AppendU16(params, kValueHandle);
    params.append(value);
    return Event(kEvNotification, 0, params);
}

QByteArray CSimDongle::FloodBurst() const
{
    // Filler no frame marker can be read in, whatever the alignment.
    const QByteArray packet = Notification(QByteArray(kMaxNotification, char(0x55)));
    QByteArray burst;
    burst.reserve(packet.size() * m_options.nFloodPackets);
    for (int i = 0; i < m_options.nFloodPackets; ++i)
        burst += packet;
    return burst;
}

QByteArray CSimDongle::Noise()
{
    QByteArray a;
    for (int i = 0; i < m_options.nNoiseBytes; ++i) {
        int v = int(m_random() % 256);
        if (v == 0x04)
            v = 0x05; // never the first byte of an event packet
        a.append(char(v));
    }
    return a;
}

void CSimDongle::Schedule(qint64 atMs, const QByteArray& bytes)
{
    m_due.emplace(atMs, Noise() + bytes);
}

void CSimDongle::Feed(const QByteArray& bytes, qint64 nowMs)
{
    m_input += bytes;
    for (;;) {
        const int nStart = int(m_input.indexOf(char(0x01)));
        if (nStart < 0) {
            m_input.clear();
            return;
        }
        m_input.remove(0, nStart);
        if (m_input.size() < 4)
            return;
        const int nLen = quint8(m_input[3]);
        if (m_input.size() < 4 + nLen)
            return;
        const int nOpcode = quint8(m_input[1]) | (quint8(m_input[2]) << 8);
        const QByteArray params = m_input.mid(4, nLen);
        m_input.remove(0, 4 + nLen);
        HandleCommand(nOpcode, params, nowMs);
    }
}

void CSimDongle::HandleCommand(int nOpcode, const QByteArray& params, qint64 nowMs)
{
    switch (nOpcode) {
    case kOpDeviceInit: {
        Schedule(nowMs + 5, CommandStatus(nOpcode, 0));
        QByteArray done;
        done.append(QByteArray::fromHex("665544332211")); // our own address
        AppendU16(done, 27);                               // data packet length
        done.append(char(4));                              // data packets
        done.append(32, '\0');                             // keys
        Schedule(nowMs + 20, Event(kEvDeviceInitDone, 0, done));
        break;
    }
    case kOpTerminateLink:
        if (!m_bLinked) {
            Schedule(nowMs + 5, CommandStatus(nOpcode, kStatusIncorrectMode));
            break;
        }
        Schedule(nowMs + 5, CommandStatus(nOpcode, 0));
        Schedule(nowMs + 30, Event(kEvLinkTerminated, 0, QByteArray::fromHex("000013")));
        m_bLinked = m_bNotifying = false;
        m_nDropAt = -1;
        m_pMeter.reset();
        break;
    case kOpDiscovery: {
        Schedule(nowMs + 5, CommandStatus(nOpcode, 0));
        qint64 t = nowMs + 60;
        QByteArray list;
        for (const CSimAdvertiser& adv : m_options.advertisers) {
            Schedule(t, DeviceInformation(adv, false));
            if (adv.bScanResponse)
                Schedule(t + 10, DeviceInformation(adv, true));
            t += 40;
            list.append(char(0));
            list.append(char(0));
            list.append(AddressBytes(adv.address));
        }
        list.prepend(char(m_options.advertisers.size()));
        Schedule(t + 200, Event(kEvDiscoveryDone, 0, list));
        break;
    }
    case kOpCancelDiscovery:
        m_due.clear(); // the adverts still queued are not sent any more
        Schedule(nowMs + 5, CommandStatus(nOpcode, 0));
        break;
    case kOpEstablishLink: {
        Schedule(nowMs + 5, CommandStatus(nOpcode, 0));
        const QByteArray wanted = params.mid(3, 6);
        if (m_options.bNeverLink)
            break; // the request is taken, the link never comes up
        for (const CSimAdvertiser& adv : m_options.advertisers) {
            if (adv.kind != CSimAdvertiser::kMeter || AddressBytes(adv.address) != wanted)
                continue;
            QByteArray link;
            link.append(char(0));
            link.append(wanted);
            link.append(QByteArray::fromHex("0000" "5000" "0000" "d007" "00"));
            Schedule(nowMs + 150, Event(kEvLinkEstablished, 0, link));
            m_bLinked = true;
            CSimMeterOptions meter = m_options.meter;
            meter.nSeed += quint32(m_nLinks++); // the values of each link differ
            m_pMeter = std::make_unique<CSimMeter>(meter);
            QString strError;
            m_pMeter->Load(&strError);
            if (m_options.dDisconnectAfterS > 0)
                m_nDisconnectAt = nowMs + 150 + qint64(m_options.dDisconnectAfterS * 1000);
            if (m_options.dDropAfterS > 0 && m_nDropsDone < m_options.nDrops)
                m_nDropAt = nowMs + 150 + qint64(m_options.dDropAfterS * 1000);
            break;
        }
        // An address nobody advertises: the link never comes up.
        break;
    }
    case kOpWriteCharValue: {
        Schedule(nowMs + 5, CommandStatus(nOpcode, m_bLinked ? 0 : kStatusIncorrectMode));
        if (!m_bLinked || params.size() < 4)
            break;
        const int nHandle = quint8(params[2]) | (quint8(params[3]) << 8);
        const QByteArray value = params.mid(4);
        Schedule(nowMs + 15, Event(kEvWriteResponse, 0, QByteArray::fromHex("000000")));
        if (nHandle == kNotifyHandle && value == QByteArray::fromHex("0100")) {
            if (!m_bNotifying)
                m_pMeter->Start(nowMs + 20);
            m_bNotifying = true;
        } else if (nHandle == kCommandHandle && m_pMeter) {
            m_pMeter->OnCommand(value);
        }
        break;
    }
    default:
        Schedule(nowMs + 5, CommandStatus(nOpcode, 0x01)); // unknown command
        break;
    }
}

QByteArray CSimDongle::TakeDue(qint64 nowMs)
{
    if (m_nDropAt >= 0 && nowMs >= m_nDropAt) {
        // The radio link is gone (supervision timeout): nothing more of this meter.
        m_nDropAt = -1;
        ++m_nDropsDone;
        m_bLinked = m_bNotifying = false;
        m_pMeter.reset();
        if (m_options.meter.bLogReadings)
            m_readingLog << QStringLiteral("# link ended");
        Schedule(nowMs, Event(kEvLinkTerminated, 0, QByteArray::fromHex("000008")));
    }
    if (m_bNotifying && m_pMeter) {
        for (const QByteArray& frame : m_pMeter->Poll(nowMs)) {
            for (int i = 0; i < frame.size(); i += kMaxNotification)
                Schedule(nowMs, Notification(frame.mid(i, kMaxNotification)));
        }
        if (m_options.meter.bLogReadings)
            m_readingLog += m_pMeter->TakeReadingLog();
    }
    QByteArray out;
    while (!m_due.empty() && m_due.begin()->first <= nowMs) {
        out += m_due.begin()->second;
        m_due.erase(m_due.begin());
    }
    return out;
}

qint64 CSimDongle::MsUntilNext(qint64 nowMs) const
{
    qint64 nNext = -1;
    if (!m_due.empty())
        nNext = qMax<qint64>(0, m_due.begin()->first - nowMs);
    if (m_bNotifying && m_pMeter) {
        const qint64 nMeter = m_pMeter->MsUntilNext(nowMs);
        if (nMeter >= 0 && (nNext < 0 || nMeter < nNext))
            nNext = nMeter;
    }
    if (m_nDropAt >= 0) {
        const qint64 nDrop = qMax<qint64>(0, m_nDropAt - nowMs);
        if (nNext < 0 || nDrop < nNext)
            nNext = nDrop;
    }
    if (m_nDisconnectAt >= 0) {
        const qint64 nDisc = qMax<qint64>(0, m_nDisconnectAt - nowMs);
        if (nNext < 0 || nDisc < nNext)
            nNext = nDisc;
    }
    return nNext;
}
