#include "link/CPortSettings.h"

#include "base/CFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace {
const QString kFileName = QStringLiteral("MultipleSetInfo.ini");
const QString kSection = QStringLiteral("Q7R_PORT");

QStringList ReadLines(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

bool IsSectionLine(const QString& strLine, QString* pstrName)
{
    const QString t = strLine.trimmed();
    if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return false;
    *pstrName = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// Key of a "key=value" line, or empty.
QString KeyOf(const QString& strLine, QString* pstrValue)
{
    const int nEq = strLine.indexOf(QLatin1Char('='));
    if (nEq <= 0)
        return {};
    if (pstrValue)
        *pstrValue = strLine.mid(nEq + 1).trimmed();
    return strLine.left(nEq).trimmed();
}
}

namespace CPortSettings {

QString SettingsFilePath()
{
    const QString strDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (strDir.isEmpty())
        return kFileName;
    return strDir + QLatin1Char('/') + kFileName;
}

QString ReadProfileString(const QString& strPath, const QString& strSection, const QString& strKey,
                          const QString& strDefault)
{
    bool bInSection = false;
    for (const QString& strLine : ReadLines(strPath)) {
        QString strName;
        if (IsSectionLine(strLine, &strName)) {
            bInSection = strName.compare(strSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString strValue;
        if (bInSection && KeyOf(strLine, &strValue).compare(strKey, Qt::CaseInsensitive) == 0)
            return strValue;
    }
    return strDefault;
}

bool WriteProfileString(const QString& strPath, const QString& strSection, const QString& strKey,
                        const QString& strValue)
{
    QStringList lines = ReadLines(strPath);
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    const QString strNew = strKey + QLatin1Char('=') + strValue;
    int nSectionEnd = -1;
    bool bInSection = false;
    bool bDone = false;
    for (int i = 0; i < lines.size() && !bDone; ++i) {
        QString strName;
        if (IsSectionLine(lines[i], &strName)) {
            if (bInSection)
                break;
            bInSection = strName.compare(strSection, Qt::CaseInsensitive) == 0;
            if (bInSection)
                nSectionEnd = i + 1;
            continue;
        }
        if (!bInSection)
            continue;
        if (KeyOf(lines[i], nullptr).compare(strKey, Qt::CaseInsensitive) == 0) {
            lines[i] = strNew;
            bDone = true;
        } else if (!lines[i].trimmed().isEmpty()) {
            nSectionEnd = i + 1;
        }
    }
    if (!bDone) {
        if (nSectionEnd < 0) {
            lines << QLatin1Char('[') + strSection + QLatin1Char(']') << strNew;
        } else {
            lines.insert(nSectionEnd, strNew);
        }
    }
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    return CFileIo::SaveBytes(strPath, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(), nullptr);
}

QString ReadPortSetting()
{
    return ReadProfileString(SettingsFilePath(), kSection, QStringLiteral("COMPORT"), QStringLiteral("3"));
}

QString ReadSavedPort()
{
    return ReadProfileString(SettingsFilePath(), kSection, QStringLiteral("COMPORT"), QString());
}

void WritePortSetting(const QString& strPort)
{
    bool bNumber = false;
    const int nPort = strPort.trimmed().toInt(&bNumber);
    WriteProfileString(SettingsFilePath(), kSection, QStringLiteral("COMPORT"),
                       bNumber ? QString::number(nPort) : strPort.trimmed());
}

void WriteMacSetting(const QString& strAddress)
{
    WriteProfileString(SettingsFilePath(), kSection, QStringLiteral("MAC"), strAddress);
}

QString ReadMacSetting()
{
    return ReadProfileString(SettingsFilePath(), kSection, QStringLiteral("MAC"), QString());
}
}
