#pragma once

#include <QList>
#include <QString>

// The serial ports the system knows, with what it knows of them.
struct SPortInfo
{
    QString strPath;         //!< e.g. /dev/ttyACM0
    QString strById;         //!< its /dev/serial/by-id name, or empty
    QString strDescription;  //!< the product text, or "pseudo-terminal"
    QString strManufacturer;
    quint16 nVendorId = 0;   //!< USB ids, when bUsb
    quint16 nProductId = 0;
    bool bUsb = false;
    bool bPseudoTerminal = false;
};

namespace CPortList {

// Serial hardware, USB ports first; with bAll also the pseudo-terminals (which are not
// serial hardware but are where a simulated dongle lives).
QList<SPortInfo> Ports(bool bAll = false);
// The first USB serial port, or empty when there is none.
QString FirstUsbPort();
// The port texts a port box offers: strRemembered first (when set), then the ports found.
QStringList PortChoices(const QString& strRemembered, bool bAll = false);

}
