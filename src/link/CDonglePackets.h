#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// The dongle's command packets (bytes fixed by the dongle's command set) and
// the classifier of its event packets. Multi-byte numbers are little-endian.
namespace CDonglePackets {

using Address = std::array<quint8, 6>; //!< least significant byte first, as on the air

QByteArray DeviceInit();
QByteArray TerminateLink();
QByteArray DeviceDiscovery();
QByteArray CancelDiscovery();
QByteArray EstablishLink(const Address& address);
QByteArray EnableNotifications();
// Wraps a 4-byte meter command frame for the meter's command handle 0x0012.
QByteArray CommandFrame(const std::array<quint8, 4>& frame);

// "c8:fd:19:0a:bc:de" -> de bc 0a 19 fd c8; false unless six two-digit hex groups.
bool ParseAddress(const QString& strText, Address* pAddress);
// Six bytes least significant first -> "c8:fd:19:0a:bc:de".
QString FormatAddress(const quint8* pLsbFirst);

enum EventResult {
    kNotification = 0,
    kCommandStatus = 1,
    kDeviceInitDone = 2,
    kDeviceInformation = 3,
    kWriteResponse = 4,
    kLinkParamUpdate = 5,
    kLinkEstablished = 6,
    kLinkTerminated = 7,
    kScanResponse = 8,
    kDiscoveryDone = 9,
    kFailed = 17,
    kOther = 255,
};

struct CDongleEvent
{
    int nResult = kOther;
    QByteArray info;      //!< device information: the first 25 bytes of the packet
    QString strName;      //!< advertised complete local name, when one was extracted
    int nNameLen = 0;     //!< length the name record announces (byte 23 - 1)
    QByteArray value;     //!< notification: the attribute value bytes
};

// Classifies one event packet of nAvailable bytes (04 ff L opcode status ...).
// Never reads past nAvailable.
int ClassifyEvent(const quint8* pPacket, int nAvailable, CDongleEvent* pEvent);
}
