#pragma once

#include <QString>

// Why a serial port does not open, in words a user can act on.
namespace CPortError {

// The reason for a failed open of strDevice with the system error nError (errno); empty
// for 0. Permission errors name the group that owns the device, read from the file.
QString Reason(const QString& strDevice, int nError);
// Opens strDevice the way the link does and closes it again: 0 when that works, else the
// system error (EWOULDBLOCK when another program holds its lock).
int Probe(const QString& strDevice);
// The group owning strDevice, or empty when the file cannot be read.
QString OwnerGroup(const QString& strDevice);
// Reason(strDevice, Probe(strDevice)) for a port as the user gave it (number or path).
QString Describe(const QString& strPort);

}
