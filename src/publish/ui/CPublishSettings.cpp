#include "publish/ui/CPublishSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString kGroup = QStringLiteral("Publish");
const QString kEnabled = QStringLiteral("Enabled");
const QString kUrl = QStringLiteral("Url");
const QString kPrefix = QStringLiteral("Prefix");
const QString kUser = QStringLiteral("User");
const QString kPassword = QStringLiteral("Password");
constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
}

CPublishSettings CPublishSettings::Load(const QString& strPath)
{
    QSettings file(strPath, QSettings::IniFormat);
    file.beginGroup(kGroup);
    CPublishSettings settings;
    settings.m_bEnabled = file.value(kEnabled, false).toBool();
    settings.m_strUrl = file.value(kUrl).toString();
    settings.m_strPrefix = file.value(kPrefix).toString();
    settings.m_strUser = file.value(kUser).toString();
    settings.m_strPassword = file.value(kPassword).toString();
    return settings;
}

bool CPublishSettings::ProtectFile(const QString& strPath, QString* pstrError)
{
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    QFile file(strPath);
    if (!file.exists() && !file.open(QIODevice::WriteOnly)) {
        *pstrError = QStringLiteral("cannot create %1: %2").arg(strPath, file.errorString());
        return false;
    }
    file.close();
    if (!file.setPermissions(kOwnerOnly)) {
        *pstrError = QStringLiteral("cannot make %1 private: %2").arg(strPath, file.errorString());
        return false;
    }
    return true;
}

bool CPublishSettings::Save(const QString& strPath, QString* pstrError) const
{
    // Private before the password is in it; the rewrite keeps the file's permissions.
    if (!ProtectFile(strPath, pstrError))
        return false;
    {
        QSettings file(strPath, QSettings::IniFormat);
        file.beginGroup(kGroup);
        file.setValue(kEnabled, m_bEnabled);
        file.setValue(kUrl, m_strUrl);
        file.setValue(kPrefix, m_strPrefix);
        file.setValue(kUser, m_strUser);
        file.setValue(kPassword, m_strPassword);
        file.endGroup();
        file.sync();
        if (file.status() != QSettings::NoError) {
            *pstrError = QStringLiteral("cannot write %1").arg(strPath);
            return false;
        }
    }
    return ProtectFile(strPath, pstrError);
}

bool CPublishSettings::ToUrl(CMqttUrl* pUrl, QString* pstrError) const
{
    QString strUrl = m_strUrl.trimmed();
    while (strUrl.endsWith(QLatin1Char('/')))
        strUrl.chop(1);
    QString strPrefix = m_strPrefix.trimmed();
    if (!CMqttUrl::CheckPrefix(strPrefix, pstrError))
        return false;
    CMqttUrl url;
    if (!CMqttUrl::Parse(strUrl + QLatin1Char('/') + strPrefix, &url, pstrError))
        return false;
    if (!m_strUser.trimmed().isEmpty()) {
        url.m_strUser = m_strUser.trimmed();
        url.m_strPassword = m_strPassword;
    }
    *pUrl = url;
    return true;
}
