#pragma once

#include <QString>

// The small settings file of the link: the dongle's port and the last meter
// address, in "MultipleSetInfo.ini", section "Q7R_PORT", in the per-user
// configuration folder. Read and written on demand, never cached.
namespace CPortSettings {

QString SettingsFilePath();

// "COMPORT": a port number, or a device name stored as the user typed it; "3" when missing.
QString ReadPortSetting();
// "COMPORT" as saved, or empty when nothing was saved yet.
QString ReadSavedPort();
// Numbers are stored in decimal, names as typed.
void WritePortSetting(const QString& strPort);
// "MAC": the address text of the meter last connected.
void WriteMacSetting(const QString& strAddress);
QString ReadMacSetting();

// Profile-file primitives (exposed for tests): a missing file, section or key gives strDefault.
QString ReadProfileString(const QString& strPath, const QString& strSection, const QString& strKey,
                          const QString& strDefault);
bool WriteProfileString(const QString& strPath, const QString& strSection, const QString& strKey,
                        const QString& strValue);
}
