#pragma once

#include <QCoreApplication>
#include <QString>

// The texts of the program and of its one document type, shared by the GUI,
// the CLI and the prompts of the core.
namespace DocumentType {

inline QString ProgramName() { return QStringLiteral("Orvex Multimeter Software"); }
// "1.2", from the project version of the build.
inline QString Version() { return QStringLiteral(MULTIMETER_VERSION); }
inline QString BaseName() { return QStringLiteral("New File"); }
inline QString FilterName() { return QStringLiteral("Data Files(*.mLog)"); }
inline QString Extension() { return QStringLiteral(".mLog"); }

// The name of the per-user folders (~/.config/multimeter/, ~/.local/share/multimeter/),
// shared by the window and multimeter-cli; no organisation level above it.
inline QString SettingsFolderName() { return QStringLiteral("multimeter"); }
inline void SetSettingsIdentity()
{
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(SettingsFolderName());
}

} // namespace DocumentType
