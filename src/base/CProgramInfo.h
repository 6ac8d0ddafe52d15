#pragma once

#include <QCoreApplication>
#include <QString>

// The texts that name the program, shared by the window, the CLI, the simulator and the
// messages of every core folder.
class CProgramInfo
{
public:
    static QString Name() { return QStringLiteral("Orvex Multimeter Software"); }
    // "1.2", from the project version of the build.
    static QString Version() { return QStringLiteral(MULTIMETER_VERSION); }

    // The name of the per-user folders (~/.config/multimeter/, ~/.local/share/multimeter/),
    // shared by the window and multimeter-cli; no organisation level above it.
    static QString SettingsFolderName() { return QStringLiteral("multimeter"); }
    static void SetSettingsIdentity()
    {
        QCoreApplication::setOrganizationName(QString());
        QCoreApplication::setApplicationName(SettingsFolderName());
    }
};
