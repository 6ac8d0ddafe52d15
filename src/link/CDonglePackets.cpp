#include "link/CDonglePackets.h"

#include "base/CPrintf.h"

namespace CDonglePackets {
namespace {
QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray a;
    a.reserve(int(values.size()));
    for (int v : values)
        a.append(char(v));
    return a;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

int U16(const quint8* p)
{
    return p[0] | (p[1] << 8);
}
}

QByteArray DeviceInit()
{
    QByteArray a = Bytes({ 0x01, 0x00, 0xFE, 0x26, 0x08, 0x05 });
    a.append(32, '\0'); // identity resolving key and signature key: none
    a.append(Bytes({ 0x01, 0x00, 0x00, 0x00 }));
    return a;
}

QByteArray TerminateLink()
{
    return Bytes({ 0x01, 0x0A, 0xFE, 0x03, 0x00, 0x00, 0x13 });
}

QByteArray DeviceDiscovery()
{
    return Bytes({ 0x01, 0x04, 0xFE, 0x03, 0x03, 0x01, 0x00 });
}

QByteArray CancelDiscovery()
{
    return Bytes({ 0x01, 0x05, 0xFE, 0x00 });
}

QByteArray EstablishLink(const Address& address)
{
    QByteArray a = Bytes({ 0x01, 0x09, 0xFE, 0x09, 0x00, 0x00, 0x00 });
    for (quint8 b : address)
        a.append(char(b));
    return a;
}

QByteArray EnableNotifications()
{
    return Bytes({ 0x01, 0x92, 0xFD, 0x06, 0x00, 0x00, 0x15, 0x00, 0x01, 0x00 });
}

QByteArray CommandFrame(const std::array<quint8, 4>& frame)
{
    QByteArray a = Bytes({ 0x01, 0x92, 0xFD, 0x08, 0x00, 0x00, 0x12, 0x00 });
    for (quint8 b : frame)
        a.append(char(b));
    return a;
}

bool ParseAddress(const QString& strText, Address* pAddress)
{
    // Exactly "hh:hh:hh:hh:hh:hh": no signs, blanks or extra text, which a
    // lenient number parser would let through.
    if (strText.size() != 17)
        return false;
    Address address {};
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && strText[3 * i - 1] != QLatin1Char(':'))
            return false;
        const int nHigh = HexDigit(strText[3 * i]);
        const int nLow = HexDigit(strText[3 * i + 1]);
        if (nHigh < 0 || nLow < 0)
            return false;
        const int v = nHigh * 16 + nLow;
        address[5 - i] = quint8(v); // the text is most significant first
    }
    *pAddress = address;
    return true;
}

QString FormatAddress(const quint8* p)
{
    return CPrintf::Format("%.2x:%.2x:%.2x:%.2x:%.2x:%.2x", p[5], p[4], p[3], p[2], p[1], p[0]);
}

int ClassifyEvent(const quint8* p, int nAvailable, CDongleEvent* pEvent)
{
    CDongleEvent& e = *pEvent;
    e = CDongleEvent();
    if (nAvailable < 6)
        return e.nResult = kOther;
    const int nStatus = p[5];
    auto okOr = [nStatus](int nGood, int nBad) { return nStatus == 0 ? nGood : nBad; };
    switch (U16(p + 3)) {
    case 0x067F: return e.nResult = okOr(kCommandStatus, kFailed);
    case 0x0600: return e.nResult = okOr(kDeviceInitDone, kFailed);
    case 0x0601: return e.nResult = kDiscoveryDone; // with an error status it is over all the same
    case 0x0513: return e.nResult = okOr(kWriteResponse, kCommandStatus);
    case 0x0607: return e.nResult = kLinkParamUpdate;
    case 0x0605: return e.nResult = okOr(kLinkEstablished, kFailed);
    case 0x0606: return e.nResult = okOr(kLinkTerminated, kFailed);
    case 0x060D: {
        e.nResult = nAvailable > 6 && p[6] == 4 ? kScanResponse : kDeviceInformation;
        e.info = QByteArray(reinterpret_cast<const char*>(p), qMin(nAvailable, 25));
        if (nAvailable >= 25 && p[0] == 0x04 && U16(p + 21) == 0xFFF0 && p[24] == 0x09 && nStatus == 0) {
            e.nNameLen = p[23] - 1;
            if (e.nNameLen > 0 && nAvailable >= p[23] + 24)
                e.strName = QString::fromLatin1(reinterpret_cast<const char*>(p + 25), e.nNameLen);
        }
        return e.nResult;
    }
    case 0x051B: {
        e.nResult = kNotification;
        if (nAvailable > 8 && p[8] >= 2) {
            const int nLen = p[8] - 2;
            if (11 + nLen <= nAvailable)
                e.value = QByteArray(reinterpret_cast<const char*>(p + 11), nLen);
        }
        return e.nResult;
    }
    default:
        return e.nResult = kOther;
    }
}
}
