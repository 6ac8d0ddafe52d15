#include "link/CPortList.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace {
// Device path -> its by-id link name.
QHash<QString, QString> ByIdNames()
{
    QHash<QString, QString> names;
    const QDir dir(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString strTarget = link.canonicalFilePath();
        if (!strTarget.isEmpty())
            names.insert(strTarget, link.fileName());
    }
    return names;
}
}

namespace CPortList {

QList<SPortInfo> Ports(bool bAll)
{
    const QHash<QString, QString> byId = ByIdNames();
    QList<SPortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SPortInfo port;
        port.strPath = info.systemLocation();
        port.strById = byId.value(QFileInfo(port.strPath).canonicalFilePath());
        port.strDescription = info.description();
        port.strManufacturer = info.manufacturer();
        port.bUsb = info.hasVendorIdentifier() && info.hasProductIdentifier();
        port.nVendorId = info.vendorIdentifier();
        port.nProductId = info.productIdentifier();
        ports << port;
    }
    std::stable_sort(ports.begin(), ports.end(), [](const SPortInfo& a, const SPortInfo& b) { return a.bUsb && !b.bUsb; });
    if (bAll) {
        const QDir pts(QStringLiteral("/dev/pts"));
        QStringList names = pts.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        names.removeIf([](const QString& strName) { bool bNumber = false; strName.toInt(&bNumber); return !bNumber; });
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
        for (const QString& strName : names) {
            SPortInfo port;
            port.strPath = pts.filePath(strName);
            port.strDescription = QStringLiteral("pseudo-terminal");
            port.bPseudoTerminal = true;
            ports << port;
        }
    }
    return ports;
}

QString FirstUsbPort()
{
    for (const SPortInfo& port : Ports(false)) {
        if (port.bUsb)
            return port.strPath;
    }
    return {};
}

QStringList PortChoices(const QString& strRemembered, bool bAll)
{
    QStringList choices;
    if (!strRemembered.trimmed().isEmpty())
        choices << strRemembered.trimmed();
    for (const SPortInfo& port : Ports(bAll)) {
        if (!choices.contains(port.strPath))
            choices << port.strPath;
    }
    return choices;
}

}
